#include "core/bode/BodeConfigText.h"
#include "core/bode/FrequencyResponse.h"

#include <gtest/gtest.h>

namespace loopcraft {
namespace {

LoopResponse unitLoop(float) {
    LoopResponse r;
    r.openLoopMagSq = 10.0F;
    r.closedLoopMagSq = 1.0F;
    r.openLoopPhase = -2.0F;
    return r;
}

const PlotFrame kFrame = PlotFrame::fromEdges(0, 700, 0, 400);

struct ValidationCase {
    const char* fMin;
    const char* fMax;
    const char* points;
    int code;
    const char* message;
    TextId focus;
};

class BodeValidation : public ::testing::TestWithParam<ValidationCase> {};

TEST_P(BodeValidation, FirstBrokenRuleWins) {
    const auto& p = GetParam();
    ParameterSet params;
    ASSERT_TRUE(ReadBodeEntries(params, {p.fMin, p.fMax, p.points}));
    EXPECT_EQ(ValidateBodeEntries(params), p.code);
    if (p.code != 0) {
        const Message error = BodeEntryError(p.code);
        EXPECT_EQ(error.text, p.message);
        EXPECT_EQ(error.field, p.focus);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BodeValidation,
    ::testing::Values(
        ValidationCase{"0", "-1", "0", 1, "fMin must be positive", TextId::BodefMin},
        ValidationCase{"10", "-1", "0", 2, "fMax must be positive", TextId::BodefMax},
        ValidationCase{"10", "10", "0", 3, "fMax must be greater than fMin", TextId::BodefMax},
        ValidationCase{"10", "100", "0", 4, "NumPoints must be positive", TextId::BodeNumPoints},
        // 1 decade x 100000 + 1 points is one too many; 99999 per decade fits exactly
        ValidationCase{"10", "100", "100000", 5,
                       "NumPoints too large: the plot would need more than 100000 points",
                       TextId::BodeNumPoints},
        ValidationCase{"10", "100", "99999", 0, "", {}},
        ValidationCase{"1e-30", "1e30", "2147483647", 5,
                       "NumPoints too large: the plot would need more than 100000 points",
                       TextId::BodeNumPoints}));

// A typo is shown, not swallowed: the window selects the whole entry to be typed again.
TEST(BodeEntries, FormatErrorNamesItsParameterAndIsShown) {
    ParameterSet params;
    const std::optional<Message> m = CheckBodeEntries(params, {"1k", "1e6", "7"});
    ASSERT_TRUE(m);
    EXPECT_EQ(m->title, kFormatErrorTitle);
    EXPECT_EQ(m->field, TextId::BodefMin);
    EXPECT_TRUE(m->selectAll);
    EXPECT_FALSE(m->silent);
}

TEST(BodeEntries, MalformedEntryStopsReadingAndKeepsLaterValues) {
    ParameterSet params;
    std::string message;
    TextId field{};
    EXPECT_FALSE(ReadBodeEntries(params, {"2000", "1e6x", "7"}, &message, &field));
    EXPECT_EQ(message, kInvalidFloatMessage);
    EXPECT_EQ(field, TextId::BodefMax);
    EXPECT_FLOAT_EQ(params.BodefMin, 2000);
    EXPECT_EQ(params.BodeNumPoints, 50);
}

TEST(BodeEntries, RefusedEntryKeepsThePreviousGridOrDrawsNothing) {
    ParameterSet params;
    FrequencyResponse response;
    BodeRun run = ComputeBodeResponse(response, params, {"-5", "1000", "10"}, unitLoop, kFrame);
    ASSERT_TRUE(run.error);
    EXPECT_FALSE(run.computed);
    EXPECT_FALSE(response.hasCurves());

    run = ComputeBodeResponse(response, params, {"100", "1000", "10"}, unitLoop, kFrame);
    ASSERT_FALSE(run.error);
    ASSERT_TRUE(run.computed);
    EXPECT_EQ(response.pointCount, 11U);

    run = ComputeBodeResponse(response, params, {"100", "50", "10"}, unitLoop, kFrame);
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->title, "Illegal entry");
    EXPECT_EQ(run.error->text, "fMax must be greater than fMin");
    EXPECT_TRUE(run.computed);
    EXPECT_EQ(response.pointCount, 11U);
    EXPECT_FLOAT_EQ(response.fStop, 1000);
    // the refused value stays stored, as the entry was read
    EXPECT_FLOAT_EQ(params.BodefMax, 50);
}

TEST(BodeConfigText, MultiplierIsAnLpll) {
    ParameterSet params;
    Configuration config;
    config.detector = Detector::Mul;
    config.filter = LoopFilter::ActivePI;
    config.order = 3;
    const auto text = MakeBodeConfigText(params, config);
    EXPECT_EQ(text.memo1, "PLL type: LPLL\r\nPD type: Multiplier\r\nLF type: active PI\r\n"
                          "Oscillator type: VCO\r\n");
    EXPECT_EQ(text.memo2, "Center frequency: 100000.0 Hz\r\nPLL order: 3\r\n");
}

TEST(BodeConfigText, ChargePumpHasNoDetectorLineAndScalerShowsN) {
    ParameterSet params;
    ASSERT_TRUE(params.setEntry(TextId::ConfigN, "8"));
    ASSERT_TRUE(params.setEntry(TextId::ConfigLDPLLf0, "12345.67"));
    Configuration config;
    config.detector = Detector::PFD_CP;
    config.filter = LoopFilter::ActiveLL;
    config.oscillator = Oscillator::VCOScaler;
    const auto text = MakeBodeConfigText(params, config);
    EXPECT_EQ(text.memo1,
              "PLL type: DPLL\r\nLF type: active lead-lag\r\nOscillator with down counter");
    EXPECT_EQ(text.memo2, "Center frequency: 12345.7 Hz\r\nPLL order: 2\r\n"
                          "Divide-by-N counter scale factor N = 8");
}

TEST(BodeConfigText, AdpllShowsItsOwnCentreFrequency) {
    ParameterSet params;
    ASSERT_TRUE(params.setEntry(TextId::ConfigADPLLf0, "250000"));
    Configuration config;
    config.category = Category::Adpll;
    config.adpllDetector = AdpllDetector::JK;
    const auto text = MakeBodeConfigText(params, config);
    EXPECT_EQ(text.memo1, "PLL type: ADPLL\r\nPD type: JK-Flipflop\r\nLoop filter: K counter\r\n"
                          "Divide-by-N ratio N: 16");
    EXPECT_EQ(text.memo2, "Center frequency: 250000.0 Hz\r\n");
}

} // namespace
} // namespace loopcraft

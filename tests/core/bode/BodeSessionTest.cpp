// One Bode run for the window, the command line and the report: which loop it plots and over
// which grid, and the texts that describe that loop.
#include "core/bode/BodeSession.h"

#include "core/design/DesignSession.h"

#include <gtest/gtest.h>

namespace loopcraft {
namespace {

TEST(BodeSession, StoredLoopOverTheStoredGrid) {
    ParameterSet params;
    params.selectFlag(FlagId::rbConfigDPLLJK);
    ASSERT_TRUE(params.setEntry(TextId::BodefMin, "10"));
    ASSERT_TRUE(params.setEntry(TextId::BodefMax, "1000"));
    ASSERT_TRUE(params.setEntry(TextId::BodeNumPoints, "10"));
    BodeSession bode(params);
    const BodeRun run = bode.ComputeStored();
    ASSERT_FALSE(run.error);
    EXPECT_TRUE(run.computed);
    EXPECT_EQ(bode.response().pointCount, 21u);
    EXPECT_EQ(bode.configuration().detector, Detector::JK);
    EXPECT_NE(bode.configText().memo1.find("JK"), std::string::npos) << bode.configText().memo1;
}

TEST(BodeSession, RefusedEntriesNameTheirFieldAndKeepTheStoredGrid) {
    ParameterSet params;
    BodeSession bode(params);
    const BodeRun run = bode.Compute({"0", "1000", "10"});
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->field, TextId::BodefMin);
    const std::optional<Message> done = bode.Done({"100", "1000", "x"});
    ASSERT_TRUE(done);
    EXPECT_EQ(done->title, kFormatErrorTitle);
    EXPECT_FALSE(bode.Done({"100", "1000", "5"}));
    EXPECT_EQ(params.BodeNumPoints, 5);
}

// While the design window is open the plot shows its loop, with the section-2 choice it shows
// and not yet stored; closed, the stored loop again.
TEST(BodeSession, TheDesignWindowsLoopWhileItIsOpen) {
    ParameterSet params;
    params.selectFlag(FlagId::rbFiltDesignComplexPoles);
    DesignSession design(params);
    ASSERT_TRUE(design.PrepareDesignWindow().ok);
    design.window().poleKind = PoleKind::Real;
    BodeSession bode(params);
    bode.setDesign(&design);
    ASSERT_FALSE(bode.ComputeStored().error);
    EXPECT_EQ(bode.configuration().poleKind, PoleKind::Real);
    bode.setDesign(nullptr);
    ASSERT_FALSE(bode.ComputeStored().error);
    EXPECT_EQ(bode.configuration().poleKind, PoleKind::Complex);
}

} // namespace
} // namespace loopcraft

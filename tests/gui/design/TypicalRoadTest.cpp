// The user's typical road through the desktop program: configure, design for a bandwidth, look at
// the Bode plot, leave with Done, and find the design in PARAMS.TXT after quitting.
#include "core/base/E24.h"
#include "gui/bode/BodeWindow.h"
#include "gui/design/DesignDialog.h"
#include "tests/gui/MainWindowFixture.h"

#include <QLabel>
#include <QListWidget>
#include <gmock/gmock.h>

namespace loopcraft::test {
namespace {

class TypicalRoad : public MainWindowFixture {
protected:
    void SetUp() override {
        writeLogo();
        open().show();
    }
    int whileShown(QWidget* dialog, const std::function<void()>& step, const char* command) {
        return MainWindowFixture::whileShown(dialog, step, [&] { trigger(command); });
    }
};

TEST_F(TypicalRoad, ConfigureDesignPlotAndKeepTheDesign) {
    QWidget* config = window->configDialog();
    EXPECT_EQ(whileShown(
                  config,
                  [&] {
                      for (const char* rb :
                           {"rbConfigDPLLPFD_CP", "rbConfigPLLOrder3", "rbConfigActivePI"})
                          child<QRadioButton>(config, rb)->click();
                      child<QPushButton>(config, "ButtonConfigDone")->click();
                  },
                  "SetupPLL1"),
              1);

    DesignDialog* design = window->designDialog();
    BodeWindow* bode = window->bodeWindow();
    std::map<std::string, QString> designed;
    bool bodeShown = false;
    const auto edit = [&](const char* name) { return child<QLineEdit>(design, name); };
    const int shown = whileShown(
        design,
        [&] {
            edit("EditFiltDesignLDPLLf3db")->setText("5000");
            child<QPushButton>(design, "ButtonFiltDesignCalcFilterParams")->click();
            for (const char* name : {"EditFiltDesignTau2", "EditFiltDesignTau3", "EditFiltDesignC1",
                                     "EditFiltDesignLDPLLf3db"})
                designed[name] = edit(name)->text();
            designed["unit"] = child<QListWidget>(design, "lbFiltDesignC1")->currentItem()->text();
            designed["margin"] = child<QLabel>(design, "StaticText3")->text();
            designed["zeta"] = child<QLabel>(design, "StaticText6")->text();
            child<QPushButton>(design, "ButtonFiltDesignPlotBode")->click();
            // Plot Bode measured the designed loop; C1 rounded to the E24 series moves it a little.
            designed["f3db"] = edit("EditFiltDesignLDPLLf3db")->text();
            bodeShown = bode->isVisible() && bode->response().hasCurves();
            child<QPushButton>(design, "ButtonFiltDesignLDPLLDone")->click();
        },
        "PLLDesign1");
    EXPECT_EQ(shown, 1) << "Done returned OK";
    EXPECT_THAT(fakeDialogs().messageTexts(), ::testing::IsEmpty());
    EXPECT_TRUE(bodeShown);

    // The charge-pump PI design: tau2 = 0.8 T and tau3 = 0.2 T for T = 1/(2 pi fd) with fd near
    // the request, and C1 from K0 Kp / (omega^2 N) in nanofarads.
    const double tau2 = designed["EditFiltDesignTau2"].toDouble();
    const double tau3 = designed["EditFiltDesignTau3"].toDouble();
    EXPECT_NEAR(tau2 / tau3, 4.0, 0.02);
    EXPECT_GT(tau2, 0.8 / (2 * M_PI * 8000));
    EXPECT_LT(tau2, 0.8 / (2 * M_PI * 2000));
    EXPECT_GT(designed["EditFiltDesignC1"].toDouble(), 0);
    for (const char* figure : {"margin", "zeta"}) {
        bool number = false;
        EXPECT_GT(designed[figure].toDouble(&number), 0);
        EXPECT_TRUE(number) << figure << " shows " << designed[figure].toStdString();
    }

    trigger("Quit1");
    window.reset();
    ParameterSet saved;
    ASSERT_TRUE(InitParameters(saved, true, path("PARAMS.TXT").toStdString()).ok);
    EXPECT_EQ(saved.rbConfigDPLLPFD_CP, 1);
    EXPECT_EQ(designed["EditFiltDesignLDPLLf3db"], "5000") << "the request is not rewritten";
    EXPECT_NEAR(designed["f3db"].toDouble(), 5000, 250);
    EXPECT_EQ(saved.text(TextId::FiltDesignLDPLLf3db), designed["f3db"].toStdString());
    EXPECT_EQ(saved.text(TextId::FiltDesignTau2), designed["EditFiltDesignTau2"].toStdString());
    EXPECT_EQ(saved.text(TextId::FiltDesignTau3), designed["EditFiltDesignTau3"].toStdString());
    EXPECT_EQ(saved.text(TextId::SchemaC1Val), designed["EditFiltDesignC1"].toStdString());
    EXPECT_EQ(capacitorUnitName(saved.SchemaC1Unit), designed["unit"].toStdString());
}

} // namespace
} // namespace loopcraft::test

#include "gui/base/WidgetNames.h"

#include "core/config/Configuration.h"
#include "core/design/DesignPanelRules.h"
#include "core/noise/PhaseNoiseSession.h"
#include "core/sim/SimulationSession.h"

#include <QWidget>
#include <array>

namespace loopcraft {

namespace {

struct FieldRow {
    TextId id;
    const char* edit;
    const char* label;
};

// In the order of the parameter set; a parameter with two edits has two rows, the window that
// owns it first.
constexpr std::array kFields{
    FieldRow{TextId::Simulf0, "EditSimulf0", "stSimulf0"},
    FieldRow{TextId::Simuldf, "EditSimuldf", "stSimuldf"},
    FieldRow{TextId::Simuldphi, "EditSimuldphi", "stSimuldphi"},
    FieldRow{TextId::SimuldN, "EditSimuldN", "stSimuldN"},
    FieldRow{TextId::SimulnSamp, "EditSimulnSamp", "stSimulnSamp"},
    FieldRow{TextId::SimulT, "EditSimulT", "stSimulT"},
    FieldRow{TextId::SimulZoomFact, "EditSimulZoomFact", "stSimulZoomFact"},
    FieldRow{TextId::SimulSNR, "EditSimulSNR", "stSimulSNR"},
    FieldRow{TextId::SimulNoiseBW, "EditSimulNoiseBW", "stSimulNoiseBW"},
    FieldRow{TextId::ConfigLDPLLf0, "EditConfigLDPLLf0", "stConfigLDPLLf0"},
    FieldRow{TextId::ConfigKd, "EditConfigKd", "stConfigKd"},
    FieldRow{TextId::ConfigKp, "EditConfigKp", "stConfigKp"},
    FieldRow{TextId::ConfigPDSatP, "EditConfigPDSatP", "stConfigPDSatP"},
    FieldRow{TextId::ConfigPDSatN, "EditConfigPDSatN", "stConfigPDSatN"},
    FieldRow{TextId::ConfigLFSatP, "EditConfigLFSatP", "stConfigLFSatP"},
    FieldRow{TextId::ConfigLFSatN, "EditConfigLFSatN", "stConfigLFSatN"},
    FieldRow{TextId::ConfigK0, "EditConfigK0", "stConfigK0"},
    FieldRow{TextId::ConfigN, "EditConfigN", "stConfigN"},
    FieldRow{TextId::ConfigVCOSatP, "EditConfigVCOSatP", "stConfigVCOSatP"},
    FieldRow{TextId::ConfigVCOSatN, "EditConfigVCOSatN", "stConfigVCOSatN"},
    FieldRow{TextId::ConfigADPLLf0, "EditConfigADPLLf0", "stConfigADPLLf0"},
    FieldRow{TextId::ConfigUSupP, "EditConfigUSupP", "stConfigUSupP"},
    FieldRow{TextId::ConfigUSupN, "EditConfigUSupN", "stConfigUSupN"},
    FieldRow{TextId::FiltDesignLDPLLf3db, "EditFiltDesignLDPLLf3db", "stFiltDesignLDPLLf3db"},
    FieldRow{TextId::FiltDesignKa, "EditFiltDesignKa", "stFiltDesignKa"},
    FieldRow{TextId::FiltDesignTau1, "EditFiltDesignTau1", "stFiltDesignTau1"},
    FieldRow{TextId::FiltDesignTau2, "EditFiltDesignTau2", "stFiltDesignTau2"},
    FieldRow{TextId::FiltDesignTau3, "EditFiltDesignTau3", "stFiltDesignTau3"},
    FieldRow{TextId::FiltDesignTau4, "EditFiltDesignTau4", "stFiltDesignTau4"},
    FieldRow{TextId::FiltDesignTau5, "EditFiltDesignTau5", "stFiltDesignTau5"},
    FieldRow{TextId::FiltDesignfs, "EditFiltDesignfs", "stFiltDesignfs"},
    FieldRow{TextId::FiltDesignzeta, "EditFiltDesignzeta", "stFiltDesignzeta"},
    FieldRow{TextId::FiltDesignM, "EditFiltDesignM", "stFiltDesignM"},
    FieldRow{TextId::FiltDesignK, "EditFiltDesignK", "stFiltDesignK"},
    FieldRow{TextId::FiltDesignN, "EditFiltDesignN", "stFiltDesignN"},
    FieldRow{TextId::FiltDesignADPLLfH, "EditFiltDesignADPLLfH", "stFiltDesignADPLLfH"},
    FieldRow{TextId::BodefMin, "EditBodefMin", "stBodefMin"},
    FieldRow{TextId::BodefMax, "EditBodefMax", "stBodefMax"},
    FieldRow{TextId::BodeNumPoints, "EditBodeNumPoints", "stBodeNumPoints"},
    FieldRow{TextId::SchemaC1Val, "EditFiltDesignC1", "stFiltDesignC1"},
    FieldRow{TextId::SchemaC1Val, "EditSchemaC1Val", "stSchemaC1"},
    FieldRow{TextId::SchemaC4Val, "EditSchemaC4Val", "stSchemaC4"},
};

constexpr std::array<const char*, kNoiseFieldCount> kNoiseEdits{
    "EditNoiseFrom",           "EditNoiseTo",          "EditNoisePoints",
    "EditNoiseTemperature",    "EditNoiseOpAmp",       "EditNoiseDetectorFloor",
    "EditNoiseDetectorCorner", "EditNoiseDetectorFom", "EditNoiseDividerFloor",
};

// An edit and its label, both shown or both hidden.
void addField(std::vector<std::pair<std::string, bool>>& out, TextId id, bool visible) {
    const FieldNames names = fieldNames(id);
    out.emplace_back(names.edit.toStdString(), visible);
    out.emplace_back(names.label.toStdString(), visible);
}

} // namespace

FieldNames fieldNames(TextId id) {
    for (const FieldRow& row : kFields)
        if (row.id == id)
            return {QString::fromLatin1(row.edit), QString::fromLatin1(row.label)};
    return {};
}

QWidget* findField(QWidget* window, TextId id, QString* labelName) {
    for (const FieldRow& row : kFields) {
        if (row.id != id)
            continue;
        if (auto* edit = window->findChild<QWidget*>(QString::fromLatin1(row.edit))) {
            if (labelName != nullptr)
                *labelName = QString::fromLatin1(row.label);
            return edit;
        }
    }
    return nullptr;
}

QString noiseEditName(NoiseField field) {
    return QString::fromLatin1(kNoiseEdits[static_cast<std::size_t>(field)]);
}

std::vector<std::pair<std::string, bool>> objectVisibility(const ConfigVisibility& v) {
    std::vector<std::pair<std::string, bool>> out = {
        {"Panel2", v.Panel2},
        {"Panel3", v.Panel3},
        {"rbConfigPLLOrder1", v.rbConfigPLLOrder1},
        {"GroupBox4", v.GroupBox4},
    };
    addField(out, TextId::ConfigKd, v.Kd);
    addField(out, TextId::ConfigKp, v.Kp);
    addField(out, TextId::ConfigPDSatP, v.PDSat);
    addField(out, TextId::ConfigPDSatN, v.PDSat);
    addField(out, TextId::ConfigLFSatP, v.LFSat);
    addField(out, TextId::ConfigLFSatN, v.LFSat);
    addField(out, TextId::ConfigN, v.N);
    return out;
}

std::vector<std::pair<std::string, bool>> objectVisibility(const DesignPanelVisibility& v) {
    std::vector<std::pair<std::string, bool>> out{
        {"Panel2", v.Panel2},
        {"Panel3", v.Panel3},
        {"GroupBox2", v.GroupBox2},
        {"ButtonFiltDesignCalcFilterParams", v.ButtonFiltDesignCalcFilterParams},
        {"ButtonFiltDesignCalcADPLLParams", v.ButtonFiltDesignCalcADPLLParams},
        {"GroupBox4", v.GroupBox4},
        {"RadioGroup1", v.RadioGroup1},
        {"rbFiltDesignRealPoles", v.RadioGroup1},
        {"rbFiltDesignComplexPoles", v.RadioGroup1},
        {"StaticText5", v.damping},
        {"StaticText6", v.damping},
        {"lbFiltDesignC1", v.C1},
    };
    addField(out, TextId::FiltDesignKa, v.Ka);
    addField(out, TextId::FiltDesignTau1, v.Tau1);
    addField(out, TextId::FiltDesignTau3, v.Tau3);
    addField(out, TextId::FiltDesignTau4, v.Tau4);
    addField(out, TextId::FiltDesignTau5, v.Tau5);
    addField(out, TextId::FiltDesignfs, v.fs);
    addField(out, TextId::FiltDesignzeta, v.zeta);
    addField(out, TextId::SchemaC1Val, v.C1);
    return out;
}

std::vector<std::pair<std::string, bool>> objectVisibility(const SimulationPanelVisibility& v) {
    std::vector<std::pair<std::string, bool>> out;
    addField(out, TextId::Simuldf, v.Simuldf);
    addField(out, TextId::Simuldphi, v.Simuldphi);
    addField(out, TextId::SimuldN, v.SimuldN);
    out.emplace_back("rbSimulNstep", v.rbSimulNstep);
    addField(out, TextId::SimulnSamp, v.SimulnSamp);
    out.emplace_back("cbSimulFilter", v.cbSimulFilter);
    addField(out, TextId::SimulSNR, v.noise);
    addField(out, TextId::SimulNoiseBW, v.noise);
    out.emplace_back(kNoiseSeedLabel, v.noise);
    out.emplace_back(kNewNoiseButton, v.noise);
    return out;
}

} // namespace loopcraft

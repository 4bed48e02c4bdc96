// Component values of the loop filter circuit.
#include "core/schematic/ComponentValues.h"

#include "core/base/E24.h"
#include "core/base/FixedNotation.h"
#include "core/base/NonFinite.h"

#include <array>
#include <cmath>
#include <numbers>

namespace loopcraft {

namespace {

struct ComponentInfo {
    const char* name;
    ComponentKind kind;
};

constexpr std::array<ComponentInfo, 11> kComponents{{
    {"R1", ComponentKind::Resistor},
    {"R2", ComponentKind::Resistor},
    {"C2", ComponentKind::Capacitor},
    {"C3", ComponentKind::Capacitor},
    {"R4_1", ComponentKind::Resistor},
    {"C4_1", ComponentKind::Capacitor},
    {"R5_1", ComponentKind::Resistor},
    {"C5_1", ComponentKind::Capacitor},
    {"R4", ComponentKind::Resistor},
    {"R5", ComponentKind::Resistor},
    {"C5", ComponentKind::Capacitor},
}};

const ComponentInfo& info(Component c) {
    return kComponents[static_cast<std::size_t>(c)];
}

constexpr std::array<const char*, 4> kResistorUnits{" Ohm", " kOhm", " MOhm", " GOhm"};
constexpr std::array<const char*, 5> kCapacitorUnitTexts{" F", " mF", " uF", " nF", " pF"};

std::string formatResistor(float r) {
    std::size_t unit = 0;
    if (r > 1e12) {
        r = static_cast<float>(r * 1e-9);
        unit = kResistorUnits.size() - 1;
    } else if (r > 1000) {
        // Bounded by the last unit: a value of exactly 10^12 ohms would otherwise step past it.
        while (r >= 1000 && unit + 1 < kResistorUnits.size()) {
            r = static_cast<float>(r / 1000.0);
            ++unit;
        }
    }
    return formatFixed(r, 3, 1) + kResistorUnits[unit];
}

std::string formatCapacitor(float c) {
    std::size_t unit = 0;
    if (c < 1e-9) {
        c = static_cast<float>(c * 1e12);
        unit = kCapacitorUnitTexts.size() - 1;
    } else if (c < 1) {
        while (c < 1 && unit + 1 < kCapacitorUnitTexts.size()) {
            c = static_cast<float>(c * 1000.0);
            ++unit;
        }
    }
    return formatFixed(c, 4, 1) + kCapacitorUnitTexts[unit];
}

} // namespace

const char* componentName(Component c) {
    return info(c).name;
}
ComponentKind componentKind(Component c) {
    return info(c).kind;
}

std::string FormatComponentValue(ComponentKind kind, float value) {
    const auto rounded = roundToE24(value);
    if (!rounded || !std::isfinite(*rounded) || *rounded <= 0) {
        return kNoComponentValue;
    }
    return kind == ComponentKind::Resistor ? formatResistor(*rounded) : formatCapacitor(*rounded);
}

bool hasSection2(int order, LoopFilter filter) {
    return (order == 4 || order == 5) && filter != LoopFilter::PassiveLL;
}

std::vector<ComponentValue> CalcComponentValues(const ComponentInputs& in) {
    std::vector<ComponentValue> out;
    if (in.order < 2 || in.order > 5) {
        return out; // order 1 has no filter
    }
    auto add = [&out](Component c, float v) {
        out.push_back({c, v, FormatComponentValue(componentKind(c), v)});
    };

    const bool activeLL = in.filter == LoopFilter::ActiveLL;
    const bool passive = in.filter == LoopFilter::PassiveLL;
    // The active lead-lag filter has its input resistor with every detector; the others drop it
    // when a current drives the filter.
    const bool withR1 = activeLL || !in.chargePump;
    // With C3 in section 1: order 3, the passive order 4 and 5 stages, and order 5 active.
    const bool withC3 = in.order == 3 || (passive && in.order >= 4) || in.order == 5;

    float R2 = 0;
    if (activeLL) {
        const float C2 = in.C1 / in.Ka;
        R2 = in.tau2 / C2;
        add(Component::R1, in.tau1 / in.C1);
        add(Component::R2, R2);
        add(Component::C2, C2);
    } else {
        R2 = in.tau2 / in.C1;
        if (withR1) {
            add(Component::R1, in.tau1 / in.C1);
        }
        add(Component::R2, R2);
    }
    if (withC3) {
        add(Component::C3, in.tau3 / R2);
    }

    if (passive && in.order >= 4) {
        const float R4s = 5 * R2;
        add(Component::R4_1, R4s);
        add(Component::C4_1, in.tau4 / R4s);
        if (in.order == 5) {
            const float R5s = 5 * R4s;
            add(Component::R5_1, R5s);
            add(Component::C5_1, in.tau5 / R5s);
        }
    }

    if (hasSection2(in.order, in.filter)) {
        float omegaN = 0;
        float zeta = 0;
        if (in.poleKind == PoleKind::Real) {
            const float root = std::sqrt(in.tau4 * in.tau5);
            omegaN = 1 / root;
            zeta = (in.tau4 + in.tau5) / (2 * root);
        } else {
            omegaN = 2 * std::numbers::pi_v<float> * in.fs;
            zeta = in.zeta;
        }
        const float C5 = 2 * in.C4 / (zeta * zeta);
        const float R4 = std::sqrt(2 / (in.C4 * C5)) / omegaN;
        add(Component::R4, R4);
        add(Component::R5, R4 / 2);
        add(Component::C5, C5);
    }
    return out;
}

CapacitorEntries CapacitorEntries::fromParameters(const ParameterSet& params) {
    return {params.text(TextId::SchemaC1Val), params.SchemaC1Unit, params.text(TextId::SchemaC4Val),
            params.SchemaC4Unit};
}

bool ReadCapacitorEntries(ParameterSet& params, const Configuration& config,
                          const CapacitorEntries& entries, std::string* message,
                          TextId* failedField) {
    auto fail = [failedField](TextId field) {
        if (failedField != nullptr) {
            *failedField = field;
        }
        return false;
    };
    if (!params.setEntry(TextId::SchemaC1Val, entries.c1Text, message)) {
        return fail(TextId::SchemaC1Val);
    }
    if (hasSection2(config.order, config.filter) &&
        !params.setEntry(TextId::SchemaC4Val, entries.c4Text, message)) {
        return fail(TextId::SchemaC4Val);
    }
    return true;
}

int ValidateCapacitorEntries(const ParameterSet& params, const Configuration& config) {
    if (!(params.SchemaC1Val > 0)) {
        return 1;
    }
    if (hasSection2(config.order, config.filter) && !(params.SchemaC4Val > 0)) {
        return 2;
    }
    return 0;
}

Message CapacitorEntryError(int code) {
    if (code == 2) {
        return {kIllegalEntryTitle, "C4 must be positive", TextId::SchemaC4Val};
    }
    return {kIllegalEntryTitle, "C1 must be positive", TextId::SchemaC1Val};
}

ComponentInputs componentInputs(const ParameterSet& params, const Configuration& config, int c1Unit,
                                int c4Unit) {
    ComponentInputs in;
    in.order = config.order;
    in.filter = config.filter;
    in.chargePump = config.chargePump();
    in.poleKind = config.poleKind;
    in.tau1 = params.FiltDesignTau1;
    in.tau2 = params.FiltDesignTau2;
    in.tau3 = params.FiltDesignTau3;
    in.tau4 = params.FiltDesignTau4;
    in.tau5 = params.FiltDesignTau5;
    in.Ka = params.FiltDesignKa;
    in.fs = params.FiltDesignfs;
    in.zeta = params.FiltDesignzeta;
    in.C1 = capacitorFarads(params.SchemaC1Val, c1Unit);
    if (hasSection2(config.order, config.filter)) {
        in.C4 = capacitorFarads(params.SchemaC4Val, c4Unit);
    }
    return in;
}

ComponentCalculation CalculateComponentValues(ParameterSet& params, const Configuration& config,
                                              const CapacitorEntries& entries) {
    ComponentCalculation result;
    std::string message;
    TextId field{};
    if (!ReadCapacitorEntries(params, config, entries, &message, &field)) {
        result.error = Message{kFormatErrorTitle, message, field, true};
        return result;
    }
    if (const int code = ValidateCapacitorEntries(params, config); code != 0) {
        result.error = CapacitorEntryError(code);
        return result;
    }
    result.values =
        CalcComponentValues(componentInputs(params, config, entries.c1Unit, entries.c4Unit));
    for (const ComponentValue& v : result.values) {
        if (!std::isfinite(v.value)) {
            result.error = NonFiniteMessage(
                std::string("the value of ") + componentName(v.component), v.value);
            result.values.clear();
            break;
        }
    }
    return result;
}

} // namespace loopcraft

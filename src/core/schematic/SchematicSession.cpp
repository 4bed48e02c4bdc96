// The schematic window's operations.
#include "core/schematic/SchematicSession.h"

#include "core/base/E24.h"

#include <string_view>

namespace loopcraft {

namespace {

constexpr std::string_view kRowLabelPrefix = "stSchema";
constexpr std::string_view kC1Label = "stSchemaC1";
constexpr std::string_view kC4Label = "stSchemaC4";
constexpr int kComponentCount = 11;

std::optional<Component> componentOfLabel(std::string_view label) {
    for (int i = 0; i < kComponentCount; ++i) {
        const auto c = static_cast<Component>(i);
        if (label == std::string(kRowLabelPrefix) + componentName(c)) {
            return c;
        }
    }
    return std::nullopt;
}

// "C4_1" is labelled "C4": the extra stages share their designators' numbers.
std::string captionOf(std::string_view name) {
    return std::string(name.substr(0, name.find('_')));
}

std::string capacitorText(const std::string& number, int unit) {
    return number + " " + std::string(capacitorUnitName(unit));
}

} // namespace

SchematicSession::SchematicSession(ParameterSet& params)
    : mParams(params), mEntries(CapacitorEntries::fromParameters(params)) {
    mValues.fill(kBlankValueText);
}

const std::string& SchematicSession::valueText(Component c) const {
    return mValues[static_cast<std::size_t>(c)];
}

SchematicOutcome SchematicSession::ShowSchematic() {
    mValues.fill(kBlankValueText);
    mCheck = {};
    mEntries = CapacitorEntries::fromParameters(mParams);
    mLayout = SchematicLayoutFor(Configuration::fromFlags(mParams));
    mShown = true;
    return Calculate();
}

bool SchematicSession::readEntries(const Configuration& config, std::optional<Message>& error) {
    std::string message;
    TextId field{};
    if (!ReadCapacitorEntries(mParams, config, mEntries, &message, &field)) {
        error = Message{kFormatErrorTitle, message, field, true};
        return false;
    }
    // Each number is kept with the unit it was read in, so a stored set never pairs a new
    // number with an old unit.
    mParams.setEntry(TextId::SchemaC1Unit, std::to_string(mEntries.c1Unit));
    if (hasSection2(config.order, config.filter)) {
        mParams.setEntry(TextId::SchemaC4Unit, std::to_string(mEntries.c4Unit));
    }
    if (const int code = ValidateCapacitorEntries(mParams, config); code != 0) {
        error = CapacitorEntryError(code);
        return false;
    }
    return true;
}

SchematicOutcome SchematicSession::Calculate() {
    const Configuration config = Configuration::fromFlags(mParams);
    SchematicOutcome outcome;
    if (!readEntries(config, outcome.message)) {
        return outcome;
    }
    if (mLayout.section1) {
        const ComponentInputs in =
            componentInputs(mParams, config, mEntries.c1Unit, mEntries.c4Unit);
        const std::vector<ComponentValue> values = CalcComponentValues(in);
        for (const ComponentValue& v : values) {
            mValues[static_cast<std::size_t>(v.component)] = v.text;
        }
        mCheck = CheckRoundedParts(mParams, config, in, values);
    }
    outcome.ok = true;
    return outcome;
}

SchematicOutcome SchematicSession::Done() {
    SchematicOutcome outcome;
    outcome.ok = readEntries(Configuration::fromFlags(mParams), outcome.message);
    return outcome;
}

std::vector<SchematicRow> SchematicSession::rows() const {
    std::vector<SchematicRow> out;
    int section = 1;
    for (const auto& [name, visible] : mLayout.byObjectName()) {
        if (name == "gbFilterSection2") {
            section = 2;
        }
        if (!visible || !name.starts_with(kRowLabelPrefix)) {
            continue;
        }
        const std::string_view designator = std::string_view(name).substr(kRowLabelPrefix.size());
        SchematicRow row{section, captionOf(designator), name, {}, {}, {}};
        if (name == kC1Label) {
            row.entry = TextId::SchemaC1Val;
            row.value = capacitorText(mParams.text(TextId::SchemaC1Val), mEntries.c1Unit);
        } else if (name == kC4Label) {
            row.entry = TextId::SchemaC4Val;
            row.value = capacitorText(mParams.text(TextId::SchemaC4Val), mEntries.c4Unit);
        } else if (const auto c = componentOfLabel(name)) {
            row.field = componentFieldName(*c);
            row.value = valueText(*c);
        }
        out.push_back(std::move(row));
    }
    return out;
}

} // namespace loopcraft

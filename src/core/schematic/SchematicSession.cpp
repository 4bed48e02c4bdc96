// The schematic window's operations.
#include "core/schematic/SchematicSession.h"

#include "core/base/E24.h"

#include <string_view>

namespace loopcraft {

namespace {

constexpr int kComponentCount = 11;

std::optional<Component> componentOfRow(std::string_view key) {
    for (int i = 0; i < kComponentCount; ++i) {
        const auto c = static_cast<Component>(i);
        if (key == componentName(c)) {
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

CapacitorChoice SchematicSession::chosenC1() const {
    return {mParams.text(TextId::SchemaC1Val), mEntries.c1Unit};
}

std::vector<SchematicRow> SchematicSession::rows() const {
    std::vector<SchematicRow> out;
    for (const SchematicLayoutRow& r : mLayout.rows()) {
        if (!r.shown) {
            continue;
        }
        SchematicRow row{r.section, captionOf(r.key), r.key, {}, {}};
        if (r.key == "C1") {
            row.entry = TextId::SchemaC1Val;
            row.value = capacitorText(mParams.text(TextId::SchemaC1Val), mEntries.c1Unit);
        } else if (r.key == "C4") {
            row.entry = TextId::SchemaC4Val;
            row.value = capacitorText(mParams.text(TextId::SchemaC4Val), mEntries.c4Unit);
        } else if (const auto c = componentOfRow(r.key)) {
            row.value = valueText(*c);
        }
        out.push_back(std::move(row));
    }
    return out;
}

} // namespace loopcraft

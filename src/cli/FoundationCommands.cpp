// show and check-config: the parameter set and the configuration rules.
#include "cli/Cli.h"
#include "core/config/Configuration.h"
#include "render/base/SidecarFile.h"

#include <iomanip>
#include <ostream>

namespace loopcraft::cli {
namespace {

nlohmann::json valueJson(const ParameterSet& p, TextId id) {
    const TextDescriptor& d = textDescriptor(id);
    if (d.floatMember)
        return p.*d.floatMember;
    if (d.intMember)
        return p.*d.intMember;
    return nullptr;
}

std::string valueText(const ParameterSet& p, TextId id) {
    const nlohmann::json v = valueJson(p, id);
    return v.is_null() ? "-" : v.dump();
}

nlohmann::json displayJson(const ParameterSet& p) {
    return {
        {"ColorAxisTickLabels", p.ColorAxisTickLabels},
        {"ColorCurve1", p.ColorCurve1},
        {"ColorCurve2", p.ColorCurve2},
        {"ColorFrameBackground", p.ColorFrameBackground},
        {"ColorGrid", p.ColorGrid},
        {"ColorPrinterFont", p.ColorPrinterFont},
        {"CustomColors", p.CustomColors},
        {"PenWidthCurve1", p.PenWidthCurve1},
        {"PenWidthCurve2", p.PenWidthCurve2},
        {"AxisFontSize", p.AxisFontSize},
        {"PrinterFontSize", p.PrinterFontSize},
        {"AxisFontName", p.AxisFontName},
        {"PrinterFontName", p.PrinterFontName},
        {"AxisFontStyle", p.AxisFontStyle},
        {"PrinterFontStyle", p.PrinterFontStyle},
    };
}

int show(CliContext& ctx) {
    const ParameterSet& p = ctx.params;
    if (ctx.json) {
        nlohmann::json flags = nlohmann::json::object();
        for (int i = 0; i < kFlagCount; ++i)
            flags[flagName(static_cast<FlagId>(i))] = p.flag(static_cast<FlagId>(i));
        nlohmann::json texts = nlohmann::json::object();
        for (int i = 0; i < kTextCount; ++i) {
            const auto id = static_cast<TextId>(i);
            texts[textName(id)] = {{"text", p.text(id)}, {"value", valueJson(p, id)}};
        }
        printJson(ctx, {{"flags", flags},
                        {"texts", texts},
                        {"display", displayJson(p)},
                        {"settings", nlohmann::json::parse(FormatSidecar(p.sidecar))}});
        return 0;
    }
    std::ostream& out = *ctx.out;
    out << "Choice flags\n";
    for (int i = 0; i < kFlagCount; ++i)
        out << "  " << std::left << std::setw(26) << flagName(static_cast<FlagId>(i))
            << p.flag(static_cast<FlagId>(i)) << "\n";
    out << "Text parameters (text, value)\n";
    for (int i = 0; i < kTextCount; ++i) {
        const auto id = static_cast<TextId>(i);
        if (id == TextId::Unnamed35)
            continue;
        out << "  " << std::left << std::setw(22) << textName(id) << std::setw(13) << p.text(id)
            << valueText(p, id) << "\n";
    }
    out << "Display options\n";
    const nlohmann::json display = displayJson(p);
    for (const auto& [name, value] : display.items())
        out << "  " << std::left << std::setw(22) << name << value.dump() << "\n";
    out << "Settings (" << kSidecarFileName << ")\n";
    for (const SettingDescriptor& d : sidecarDescriptors())
        out << "  " << std::left << std::setw(22) << d.name << settingText(p.sidecar.get(d))
            << "\n";
    for (const auto& [name, raw] : p.sidecar.unknownKeys)
        out << "  " << std::left << std::setw(22) << name << raw << " (not used here, kept)\n";
    return 0;
}

int checkConfig(CliContext& ctx) {
    auto broken = ValidateConfiguration(ctx.params);
    if (broken) {
        if (ctx.json)
            printJson(ctx, {{"ok", false},
                            {"message", broken->text},
                            {"field", fieldJsonName(broken->field)}});
        throw UserMessage(kIllegalEntryTitle, broken->text);
    }
    if (ctx.json)
        printJson(ctx, {{"ok", true}});
    else
        *ctx.out << "ok\n";
    return 0;
}

} // namespace

void registerFoundationCommands(CommandRegistry& registry) {
    registry.add("show", "Print every choice flag, text parameter, display option and setting",
                 show);
    registry.add("check-config", "Check the configuration as the configuration dialog's Done does",
                 checkConfig);
}

} // namespace loopcraft::cli

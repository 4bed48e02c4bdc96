// Option parsing, loading and saving of the parameter file around every command.
#include "cli/Cli.h"

#include "core/base/EntryReading.h"
#include "core/base/FileAccess.h"
#include "core/base/ParamsFile.h"
#include "core/base/Version.h"
#include "render/base/SidecarFile.h"

#include <iostream>

namespace loopcraft::cli {

CLI::App* CommandRegistry::add(const std::string& name, const std::string& description,
                               CommandFn run) {
    CLI::App* sub = mApp.add_subcommand(name, description);
    mCommands.emplace_back(sub, std::move(run));
    return sub;
}

void applyAssignment(ParameterSet& params, const std::string& assignment) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0)
        throw UserMessage("Illegal entry", "--set expects NAME=TEXT, got \"" + assignment + "\"");
    const std::string name = assignment.substr(0, eq);
    const std::string text = assignment.substr(eq + 1);
    if (auto flag = findFlag(name)) {
        if (text == "1")
            params.selectFlag(*flag);
        else if (text == "0")
            params.flag(*flag) = 0;
        else
            throw UserMessage("Illegal entry", name + " is a choice flag and takes 0 or 1");
        return;
    }
    if (auto id = findText(name)) {
        requireEntryLength(name, text);
        std::string message;
        if (!params.setEntry(*id, text, &message))
            throw UserMessage(kFormatErrorTitle, message + " (" + name + "=\"" + text + "\")");
        return;
    }
    if (findSetting(name)) {
        std::string message;
        if (!params.sidecar.set(name, text, &message))
            throw UserMessage("Illegal entry", message);
        return;
    }
    throw UserMessage("Illegal entry", "unknown parameter name \"" + name + "\"");
}

void requireEntryLength(const std::string& name, const std::string& text) {
    if (text.size() > kMaxEntryChars)
        throw UserMessage(name, "a text holds at most 11 characters");
}

void requireOutputFile(const std::string& file, const std::string& title) {
    if (file.empty())
        return;
    if (const std::string problem = OutputTargetProblem(file); !problem.empty())
        throw UserMessage(title, "cannot write " + file + ": " + problem);
}

void writeOutputFile(const std::string& file, std::string_view bytes, const std::string& title) {
    std::string why;
    if (!ReplaceFileAtomic(file, bytes, &why))
        throw UserMessage(title, why);
}

void printDrawingTitle(std::ostream& out, const SchematicLayout& layout) {
    out << layout.title;
    if (!layout.file.empty())
        out << " (" << layout.file << ")";
    out << "\n";
}

std::string fieldJsonName(std::optional<TextId> field) {
    return field ? std::string("Edit") + textName(*field) : std::string();
}

nlohmann::json drawingFileJson(const SchematicLayout& layout) {
    return layout.file.empty() ? nlohmann::json(nullptr) : nlohmann::json(layout.file);
}

void printJson(CliContext& ctx, const nlohmann::json& j) {
    *ctx.out << j.dump(2) << "\n";
}

int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           bool errIsTerminal) {
    CliContext ctx;
    ctx.out = &out;
    ctx.err = &err;
    ctx.progress = errIsTerminal;
    CLI::App app{"Loopcraft command-line tool: PLL parameters, design, Bode plot and simulation"};
    app.name("loopcraft-cli");
    app.require_subcommand(1);
    // Global options may follow the command name too.
    app.fallthrough();
    app.add_option("--params", ctx.paramsPath, "Parameter file (default PARAMS.TXT)");
    app.add_option("--set", ctx.assignments,
                   "Set a parameter before the command: NAME=TEXT (repeatable)")
        ->expected(1)
        ->take_all();
    app.add_flag("--save", ctx.save, "Write the resulting parameters back to the file");
    app.add_flag("--json", ctx.json, "Machine-readable output on stdout");
    app.set_version_flag("--version", std::string("loopcraft-cli ") + kLoopcraftVersion);

    CommandRegistry registry(app, ctx);
    registerFoundationCommands(registry);
    registerDesignCommands(registry);
    registerSimCommands(registry);
    registerBodeCommands(registry);
    registerHelpCommands(registry);
    registerNetlistCommands(registry);
#ifndef LOOPCRAFT_CLI_WITHOUT_PICTURES
    registerSchematicCommands(registry);
    registerReportCommands(registry);
    registerNoiseCommands(registry);
#endif

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << "\n";
        return 0;
    } catch (const CLI::ParseError& e) {
        err << e.what() << "\n";
        err << "Run with --help for usage.\n";
        return 2;
    }

    try {
        InitResult init = InitParameters(ctx.params, true, ctx.paramsPath);
        if (!init.ok)
            throw UserMessage("Parameter file", init.message);
        const std::filesystem::path sidecarPath = SidecarPathBeside(ctx.paramsPath);
        const SidecarReadResult sidecar = ReadSidecarFile(sidecarPath, ctx.params.sidecar);
        if (!sidecar.ok())
            throw UserMessage("Settings file", sidecar.message);
        for (const std::string& a : ctx.assignments)
            applyAssignment(ctx.params, a);
        // A parameter file that cannot be saved is found before the command writes anything.
        if (ctx.save)
            if (const std::string problem = OutputTargetProblem(ctx.paramsPath); !problem.empty())
                throw UserMessage("Parameter file", "could not save: cannot write " +
                                                        ctx.paramsPath.string() + ": " + problem);
        for (const auto& [sub, run] : registry.commands()) {
            if (!sub->parsed())
                continue;
            int status = run(ctx);
            if (status == 0 && ctx.save) {
                std::string why;
                if (!SaveParamsFileAtomic(ctx.params, ctx.paramsPath, &why))
                    throw UserMessage("Parameter file", "could not save: " + why);
                if (!SaveSidecarFileAtomic(ctx.params.sidecar, sidecarPath, &why))
                    throw UserMessage("Settings file", "could not save: " + why);
            }
            return status;
        }
    } catch (const UserMessage& m) {
        err << m.title << ": " << m.text << "\n";
        return 1;
    }
    return 2;
}

} // namespace loopcraft::cli

// The command-line face of the engine: shared options, the command registry and the context
// every command works on.
#pragma once

#include "core/base/Message.h"
#include "core/base/ParameterSet.h"
#include "core/schematic/SchematicLayout.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace loopcraft::cli {

// What the desktop program would show in a message box: printed as "TITLE: TEXT", exit 1.
struct UserMessage : std::runtime_error {
    UserMessage(std::string t, std::string x)
        : std::runtime_error(t + ": " + x), title(std::move(t)), text(std::move(x)) {}
    // An engine message; a silent stop of a window still deserves a reason here.
    explicit UserMessage(const Message& m)
        : UserMessage(m.title.empty() ? kIllegalEntryTitle : m.title, m.text) {}
    std::string title;
    std::string text;
};

struct CliContext {
    std::filesystem::path paramsPath = kParamsFileName;
    std::vector<std::string> assignments; // --set NAME=TEXT, in order
    bool save = false;
    bool json = false;
    bool progress = false; // stderr is a terminal: long work shows how far it got there
    ParameterSet params;
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
};

using CommandFn = std::function<int(CliContext&)>;

class CommandRegistry {
public:
    CommandRegistry(CLI::App& app, CliContext& context) : mApp(app), mContext(context) {}

    // Adds a subcommand; returns it so the caller can add its own options.
    CLI::App* add(const std::string& name, const std::string& description, CommandFn run);

    CLI::App& app() { return mApp; }
    CliContext& context() { return mContext; }
    const std::vector<std::pair<CLI::App*, CommandFn>>& commands() const { return mCommands; }

private:
    CLI::App& mApp;
    CliContext& mContext;
    std::vector<std::pair<CLI::App*, CommandFn>> mCommands;
};

// One registration function per area of the engine.
void registerFoundationCommands(CommandRegistry& registry);
void registerDesignCommands(CommandRegistry& registry);
void registerSimCommands(CommandRegistry& registry);
void registerBodeCommands(CommandRegistry& registry);
void registerHelpCommands(CommandRegistry& registry);
void registerNetlistCommands(CommandRegistry& registry);
void registerSchematicCommands(CommandRegistry& registry);
void registerReportCommands(CommandRegistry& registry);
void registerNoiseCommands(CommandRegistry& registry);

// Applies one NAME=TEXT assignment to the set (entry reading for texts; a flag set to 1 clears
// the rest of its radio group). Throws UserMessage on a bad name or value.
void applyAssignment(ParameterSet& params, const std::string& assignment);

// An edit field holds at most 11 characters and cuts the rest where the user sees it; a command
// line has no such view, so a longer text is refused ("NAME: a text holds at most 11
// characters") rather than silently cut.
void requireEntryLength(const std::string& name, const std::string& text);

// What every computing command runs first: the checks the windows make on the stored
// configuration (the configuration dialog's Done) and design entries (the design window), with
// the same messages. Throws UserMessage at the first broken rule; changes nothing.
void checkStoredEntries(const ParameterSet& params);

// The schematic's title line ("TITLE (FILE.wmf)") and its drawing file for JSON (null without one).
void printDrawingTitle(std::ostream& out, const SchematicLayout& layout);

// Refuses, before anything is computed or written, an output that cannot take a file (a FIFO,
// device or folder, a read-only file, a missing folder), with the system's reason. Nothing for
// an empty name.
void requireOutputFile(const std::string& file, const std::string& title = "Error");
// Replaces `file` with `bytes` through the atomic writer; throws UserMessage with the system's
// reason, the old file untouched, when it cannot.
void writeOutputFile(const std::string& file, std::string_view bytes,
                     const std::string& title = "Error");
nlohmann::json drawingFileJson(const SchematicLayout& layout);

// How the JSON output names the field of a parameter: the object name of the desktop program's
// edit ("EditConfigKd"), as it always has; empty for none.
std::string fieldJsonName(std::optional<TextId> field);

// Prints JSON (pretty) or nothing; shared by the commands.
void printJson(CliContext& ctx, const nlohmann::json& j);

// Runs the tool; returns the exit status (0 ok, 1 user-facing failure, 2 usage error).
// `errIsTerminal` turns on progress reports on `err`.
int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           bool errIsTerminal = false);

} // namespace loopcraft::cli

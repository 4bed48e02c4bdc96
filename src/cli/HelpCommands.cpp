// help-page: the pages of the help file on the terminal, for machines without a display and for
// checking an edited help file.
#include "cli/Cli.h"
#include "core/base/DataFiles.h"
#include "core/base/HelpDocument.h"

#include <memory>
#include <sstream>

namespace loopcraft::cli {

namespace {

struct HelpOptions {
    std::string topic;
    std::string search;
    std::filesystem::path file;
};

std::vector<std::filesystem::path> helpCandidates(const HelpOptions& o) {
    if (!o.file.empty())
        return {o.file};
    return dataFileCandidates(kHelpFileName);
}

HelpDocument loadHelp(const HelpOptions& o) {
    std::string reasons;
    for (const auto& path : helpCandidates(o)) {
        HelpFileLoad load = LoadHelpFile(path);
        if (load.document)
            return std::move(*load.document);
        reasons += (reasons.empty() ? "" : "; ") + load.error;
    }
    const std::string name = o.file.empty() ? std::string(kHelpFileName) : o.file.string();
    throw UserMessage("Help", "The help file " + name + " could not be opened: " + reasons);
}

int helpPage(CliContext& ctx, const HelpOptions& o) {
    const HelpDocument doc = loadHelp(o);
    if (o.topic.empty()) {
        nlohmann::json list = nlohmann::json::array();
        for (const HelpTopic* t : doc.search(o.search)) {
            list.push_back({{"id", t->id}, {"title", t->title}});
            if (!ctx.json)
                *ctx.out << t->id << "\t" << t->title << "\n";
        }
        if (ctx.json)
            printJson(ctx, list);
        return 0;
    }
    const HelpTopic* page = doc.find(o.topic);
    if (page == nullptr)
        throw UserMessage("Help", "The help file has no page for the topic " + o.topic);
    if (ctx.json)
        printJson(ctx, {{"id", page->id}, {"title", page->title}, {"body", page->body}});
    else
        *ctx.out << page->body;
    return 0;
}

} // namespace

void registerHelpCommands(CommandRegistry& registry) {
    auto options = std::make_shared<HelpOptions>();
    CLI::App* cmd = registry.add("help-page",
                                 "Print a page of the help file, or list its pages (TOPIC omitted)",
                                 [options](CliContext& ctx) { return helpPage(ctx, *options); });
    cmd->add_option("topic", options->topic, "Topic identifier, e.g. PLLConfiguration");
    cmd->add_option("--search", options->search, "List only pages containing every word");
    cmd->add_option("--help-file", options->file, "Help file to read instead of modhelp.hlp");
}

} // namespace loopcraft::cli

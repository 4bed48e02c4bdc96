#include "cli/PictureOptions.h"

#include "cli/Cli.h"

#ifndef LOOPCRAFT_CLI_WITHOUT_PICTURES
#include "render/base/PictureOutput.h"
#endif

#include <algorithm>
#include <cctype>

namespace loopcraft::cli {

std::vector<const std::string*> PictureFiles::files() const {
    std::vector<const std::string*> out;
    for (const std::string* file : {&png, &svg, &pdf})
        if (!file->empty())
            out.push_back(file);
    return out;
}

void addPictureOptions(CLI::App& command, PictureFiles& files, const std::string& what) {
    command.add_option("--png", files.png, "Write " + what + " as a PNG image")->type_name("FILE");
    command.add_option("--svg", files.svg, "Write " + what + " as an SVG drawing")
        ->type_name("FILE");
    command.add_option("--pdf", files.pdf, "Write " + what + " as a one-page PDF")
        ->type_name("FILE");
    command
        .add_option("--size", files.size,
                    "Picture size WIDTHxHEIGHT in pixels (default " + std::to_string(files.width) +
                        "x" + std::to_string(files.height) + ")")
        ->type_name("WxH");
}

void requireExtension(const std::string& file, const std::string& option,
                      const std::string& suffix) {
    const std::string name = file.substr(file.find_last_of('/') + 1);
    const bool ok = name.size() > suffix.size() &&
                    std::equal(suffix.rbegin(), suffix.rend(), name.rbegin(), [](char a, char b) {
                        return std::tolower(static_cast<unsigned char>(a)) ==
                               std::tolower(static_cast<unsigned char>(b));
                    });
    if (!ok) {
        throw UserMessage(kIllegalEntryTitle, option + " needs a file name ending in " + suffix +
                                                  ", got \"" + file + "\"");
    }
}

#ifndef LOOPCRAFT_CLI_WITHOUT_PICTURES
void checkPictureFiles(PictureFiles& files) {
    const struct {
        const std::string& file;
        const char* option;
        const char* suffix;
        PictureFormat format;
    } outputs[] = {{files.png, "--png", ".png", PictureFormat::Png},
                   {files.svg, "--svg", ".svg", PictureFormat::Svg},
                   {files.pdf, "--pdf", ".pdf", PictureFormat::Pdf}};
    for (const auto& o : outputs)
        if (!o.file.empty())
            requireExtension(o.file, o.option, o.suffix);
    if (!files.size.empty()) {
        const std::optional<QSize> size = pictureSizeFromText(QString::fromStdString(files.size));
        if (!size) {
            throw UserMessage(kIllegalEntryTitle,
                              "--size expects WIDTHxHEIGHT from 1x1 to 20000x20000, got \"" +
                                  files.size + "\"");
        }
        files.width = size->width();
        files.height = size->height();
    }
    for (const auto& o : outputs) {
        if (o.file.empty())
            continue;
        const QString problem = pictureSizeProblem(QSize(files.width, files.height), o.format);
        if (!problem.isEmpty())
            throw UserMessage(kIllegalEntryTitle,
                              "--size " + files.size + ": " + problem.toStdString());
        requireOutputFile(o.file);
    }
}
#else
void checkPictureFiles(PictureFiles& files) {
    if (files.any())
        throw UserMessage(kPictureErrorTitle, "this build of loopcraft-cli writes no pictures");
}
#endif

} // namespace loopcraft::cli

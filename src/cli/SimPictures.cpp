#include "cli/SimPictures.h"

#include "cli/Cli.h"

#include <cctype>
#include <regex>
#include <utility>

#ifdef LOOPCRAFT_CLI_PICTURES
#include "core/sim/SimulationSession.h"
#include "render/app/DrawingSurface.h"
#include "render/app/PictureOutput.h"
#include "render/sim/ProtocolPagePainter.h"
#include "render/sim/SimulationPlotPainter.h"

#include <QDateTime>
#include <QGuiApplication>
#include <clocale>
#endif

namespace loopcraft::cli {

namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - suffix.size() + i])) !=
            suffix[i])
            return false;
    return true;
}

} // namespace

void checkPictureRequest(const std::string& size, PictureRequest& request) {
    const std::pair<const std::string*, std::pair<const char*, const char*>> files[] = {
        {&request.png, {"--png", ".png"}},
        {&request.svg, {"--svg", ".svg"}},
        {&request.pdf, {"--pdf", ".pdf"}},
        {&request.protocolPdf, {"--protocol-pdf", ".pdf"}},
    };
    for (const auto& [file, option] : files)
        if (!file->empty() && !endsWith(*file, option.second))
            throw UserMessage("Illegal entry", std::string(option.first) +
                                                   " needs a file name ending in " + option.second +
                                                   ", got \"" + *file + "\"");
    if (size.empty())
        return;
    static const std::regex pattern("([0-9]{1,5})x([0-9]{1,5})");
    std::smatch m;
    if (std::regex_match(size, m, pattern)) {
        request.width = std::stoi(m[1]);
        request.height = std::stoi(m[2]);
        if (request.width >= 1 && request.height >= 1 && request.width <= 20000 &&
            request.height <= 20000)
            return;
    }
    throw UserMessage("Illegal entry",
                      "--size expects WIDTHxHEIGHT from 1x1 to 20000x20000, got \"" + size + "\"");
}

#ifdef LOOPCRAFT_CLI_PICTURES
namespace {

// Text needs a GUI application; the offscreen platform draws without any display. It lives
// until the process ends, as Qt allows one per process.
void ensureOffscreenApplication() {
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "loopcraft-cli";
    static char* argv[] = {name, nullptr};
    // QGuiApplication adopts the user's locale; numbers in our output keep the ".".
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
    std::setlocale(LC_ALL, locale.c_str());
}

void check(bool ok, const QString& error) {
    if (!ok)
        throw UserMessage("Picture", error.toStdString());
}

} // namespace

void writeSimulationPictures(const SimulationSession& session, const ParameterSet& options,
                             const PictureRequest& request) {
    if (!request.any())
        return;
    ensureOffscreenApplication();
    const DisplayFonts fonts = fontsFromOptions(options);
    const SimulationPlotPainter plot(session.state(), options, fonts.AxisFont);
    const QSize size(request.width, request.height);
    QString error;
    for (const std::string* file : {&request.png, &request.svg, &request.pdf})
        if (!file->empty())
            check(exportPicture(plot, size, QString::fromStdString(*file), error), error);
    if (!request.protocolPdf.empty()) {
        const QDateTime t = QDateTime::currentDateTime();
        const ProtocolTimestamp when{t.date().day(), t.date().month(), t.date().year(),
                                     t.time().hour(), t.time().minute()};
        const ProtocolPagePainter page(plot, request.width, fonts.PrinterFont,
                                       colorFromBgr(options.ColorPrinterFont),
                                       session.ProtocolLines(when));
        check(exportPage(page, QString::fromStdString(request.protocolPdf), error), error);
    }
}
#else
void writeSimulationPictures(const SimulationSession&, const ParameterSet&,
                             const PictureRequest& request) {
    if (request.any())
        throw UserMessage("Picture", "this build of loopcraft-cli writes no pictures");
}
#endif

} // namespace loopcraft::cli

// chordlane-tool render FILE -o OUT.png: loads FILE, optionally plays a script on it, and
// writes what the program's screen then shows as a PNG image.
#include <QGuiApplication>
#include <cstdio>

#include "elements/Instrument.h"
#include "platform/qt/QtPictureLoader.h"
#include "tools/ImageScreen.h"
#include "tools/OfflineEngine.h"
#include "tools/ScriptRunner.h"
#include "tools/ToolCommand.h"
#include "tools/ToolLoad.h"

namespace chordlane::tool {
namespace {

constexpr int64_t MAX_ZOOM = 16;
// The image's bounds: 256 MiB of pixels at most, and sides Qt's painter handles exactly.
constexpr int64_t MAX_IMAGE_SIDE = 16384;
constexpr int64_t MAX_IMAGE_PIXELS = int64_t{1} << 26;

// Qt's own notes (a missing runtime folder, font fallbacks) would mix with the lines the
// tool promises on standard error; only its fatal errors are let through.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "chordlane-tool: %s\n", text.toLocal8Bit().constData());
    }
}

int RunRender(std::span<const std::string> args) {
    OptionParser parser;
    CommonOptions common;
    std::optional<std::string> scriptPath;
    std::optional<std::string> pngPath;
    int zoom = 1;
    parser.AddCommon(&common);
    parser.AddValue("--script", &scriptPath);
    parser.AddValue("-o", &pngPath);
    parser.AddValue("--zoom", [&zoom](const std::string& value) {
        const auto parsed = ParseInteger(value, 1, MAX_ZOOM);
        if (!parsed) {
            return "--zoom wants a whole number from 1 to " + std::to_string(MAX_ZOOM) + ", not '" +
                   value + "'";
        }
        zoom = static_cast<int>(*parsed);
        return std::string();
    });
    std::string error;
    if (!parser.Parse(args, error)) return UsageError("render: " + error);
    if (parser.Positional().size() != 1) return UsageError("render wants one FILE");
    if (!pngPath || pngPath->empty()) return UsageError("render wants -o OUT.png");
    const int64_t width = int64_t{common.screenWidth} * zoom;
    const int64_t height = int64_t{common.screenHeight} * zoom;
    if (width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE || width * height > MAX_IMAGE_PIXELS) {
        return UsageError("render: the image would be " + std::to_string(width) + "x" +
                          std::to_string(height) + " pixels; at most " +
                          std::to_string(MAX_IMAGE_SIDE) + " a side and " +
                          std::to_string(MAX_IMAGE_PIXELS) + " in all");
    }

    Script script;
    if (scriptPath) {
        std::optional<Script> read = ReadScriptFile(*scriptPath, error);
        if (!read) return UsageError("render: " + error);
        script = std::move(*read);
    }

    // Text is drawn through Qt's font machinery, which needs a GUI application; the
    // offscreen platform never opens a display.
    qInstallMessageHandler(QuietQtMessages);
    int argc = 3;
    char name[] = "chordlane-tool";
    char platformOption[] = "-platform";
    char offscreen[] = "offscreen";
    char* argv[] = {name, platformOption, offscreen, nullptr};
    QGuiApplication application(argc, argv);

    ToolSession session(common);
    Instrument& instrument = session.GetInstrument();
    // Pictures as the program loads and draws them.
    QtPictureLoader pictures(*session.Platform().files,
                             instrument.load.programFolder + u"startup.bmp");
    ScopedService<PictureLoader> usePictures(session.Platform().services.pictures, &pictures);
    instrument.screen.startupBitmap = pictures.LoadStartupBitmap();
    OfflineEngine engine(session.Platform(), instrument, {});
    ImageScreen screen(engine.View(), session.Platform().services, zoom);

    const int loaded = LoadForTool(session, parser.Positional()[0], common);
    if (loaded == EXIT_NOT_FOUND) return loaded;
    // After an abandoned load the start-up screen shows, and the script plays on it.
    ScriptRunner(engine.View(), session.Platform().clock, session.Platform().dialogs).Run(script);
    if (!screen.SavePng(*pngPath)) return UsageError("render: cannot write " + *pngPath);
    return loaded;
}

const ToolCommand kRender{
    .name = "render",
    .arguments = "FILE -o OUT.png [--script SCRIPT] [--zoom N]",
    .help =
        "  Loads FILE, runs SCRIPT on it when given (see play), and writes what the\n"
        "  program's screen then shows -- the instrument, or the start-up screen when\n"
        "  nothing is loaded -- as a PNG image of the screen size times --zoom N (1 to\n"
        "  16, default 1). The view paints as in the program, area by area as the\n"
        "  instrument repaints it. After a load abandoned in a file prompt the image shows\n"
        "  the start-up screen and the exit code is 3.\n",
    .order = 30,
    .takesCommon = true,
    .run = RunRender,
};
const ToolCommandRegistration kRegisterRender{kRender};

}  // namespace
}  // namespace chordlane::tool

// Live reload of the guitar, written out to a file as an author would edit it: from the
// moment the file changes to the end of the first paint of the reloaded instrument, through
// the real file watcher and its settling; and the reload and paint alone, by hand.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/LiveReload.h"
#include "app/OpenFlow.h"
#include "elements/Instrument.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/qt/QtFileWatcher.h"
#include "platform/qt/QtPictureLoader.h"
#include "platform/qt/QtSurface.h"
#include "view/InstrumentView.h"

namespace chordlane {
namespace {

constexpr int ZOOM = 2;
constexpr int GIVE_UP_MS = 5000;

// The application object painting and the watcher's events need, made for one benchmark
// unless another one already made it.
class OffscreenApplication {
  public:
    OffscreenApplication() {
        if (QGuiApplication::instance()) return;
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }

  private:
    int argc_ = 1;
    char name_[16] = "chordlane_bench";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The guitar in a scratch folder, its wave files found in the shipped program folder, on a
// window whose every repaint paints the view into an image as the program's window does.
struct GuitarOnFile {
    GuitarOnFile() {
        folder = std::filesystem::temp_directory_path() /
                 ("chordlane-reload-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        file = folder / "guitar.clx";
        text = ReadWhole(std::filesystem::path(CHORDLANE_SOURCE_DIR) / "instruments/guitar.clx");
        Write(0);
        platform.services.pictures = &pictures;
        platform.window.SetPaintHook([this](const Rect&) {
            QPainter painter(&image);
            painter.scale(ZOOM, ZOOM);
            QtSurface surface(painter, Rect{0, 0, 240, 320});
            view.Paint(surface);
            ++paints;
        });
        reload.SetReplaced([this](Instrument& now) { view.SetInstrument(now); });
        Instrument& first = reload.Current();
        first.SetScreen(240, 320);
        first.load.programFolder = FromUtf8(std::string(CHORDLANE_SOURCE_DIR) + "/instruments/");
        loaded =
            OpenInstrument(first, FromUtf8(file.string())).outcome == OpenResult::Outcome::Loaded &&
            first.load.loaded;
    }
    ~GuitarOnFile() {
        reload.SetWatcher(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    //! An edit: the guitar with a comment line that differs each time.
    void Write(int64_t edit) {
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            << text << "# edit " << edit << "\n";
    }

    std::filesystem::path folder;
    std::filesystem::path file;
    std::string text;
    HeadlessPlatform platform;
    QtPictureLoader pictures{*platform.files};
    LiveReload reload{platform.services};
    InstrumentView view{reload.Current()};
    QImage image{240 * ZOOM, 320 * ZOOM, QImage::Format_RGB32};
    int paints = 0;
    bool loaded = false;
};

void BM_ReloadGuitarFromFileChangeToFirstPaint(benchmark::State& state) {
    const OffscreenApplication qt;
    GuitarOnFile guitar;
    if (!guitar.loaded) {
        state.SkipWithError("the guitar did not load");
        return;
    }
    QtFileWatcher watcher;
    guitar.reload.SetWatcher(&watcher);
    int64_t edit = 0;
    for (auto _ : state) {
        const int before = guitar.paints;
        QElapsedTimer waited;
        waited.start();
        guitar.Write(++edit);
        while (guitar.paints == before && waited.elapsed() < GIVE_UP_MS)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        if (guitar.paints == before) {
            state.SkipWithError("no reload within 5 s of the change");
            return;
        }
    }
}

void BM_ReloadGuitarByHandAndPaint(benchmark::State& state) {
    const OffscreenApplication qt;
    GuitarOnFile guitar;
    if (!guitar.loaded) {
        state.SkipWithError("the guitar did not load");
        return;
    }
    for (auto _ : state) {
        if (guitar.reload.Reload(ReloadTrigger::ByHand).outcome !=
            ReloadResult::Outcome::Reloaded) {
            state.SkipWithError("the reload failed");
            return;
        }
    }
}

BENCHMARK(BM_ReloadGuitarFromFileChangeToFirstPaint)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(30);
BENCHMARK(BM_ReloadGuitarByHandAndPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace chordlane

// The window's start, from launch to the first animation frame on screen (offscreen platform):
//   BM_ProgramLoad    a felmo process that loads Qt, the translations and the icon and ends
//                     (--version): what a launch costs before the window exists;
//   BM_WindowStart    in one process: the model and the main window made and shown, the five
//                     defaults unpacked through bmconv, until the animation panel has painted its
//                     first frame. Counters split it: window_ms (made and shown), unpack_ms
//                     (start-up sequence and the five converter runs), first_frame_ms (from the
//                     end of the unpacking to frame 0 on the panel).
// Target: launch plus window start under 250 ms on an idle machine.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/application_setup.hpp"
#include "app/main_window.hpp"
#include "app/picture_panel.hpp"
#include "app/qt_front_end.hpp"
#include "app/qt_text_rasterizer.hpp"
#include "studio/studio.hpp"
#include "support/child_process.hpp"
#include "support/temporary_folder.hpp"

namespace {

namespace fs = std::filesystem;
using felmo::testing::ProcessOptions;
using felmo::testing::runProcess;
using felmo::testing::TemporaryFolder;

const fs::path kBinDir = FELMO_BIN_DIR;

void BM_ProgramLoad(benchmark::State& state) {
    ProcessOptions options;
    options.environment["QT_QPA_PLATFORM"] = "offscreen";
    options.captureOutput = false;
    for (auto _ : state) {
        if (runProcess(kBinDir / "felmo", {"--version"}, options).exitStatus != 0) {
            state.SkipWithError("felmo --version failed");
            break;
        }
    }
}
BENCHMARK(BM_ProgramLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WindowStart(benchmark::State& state) {
    const TemporaryFolder folder("window-bench");
    const fs::path& root = folder.path();
    fs::create_directories(root / "tmp");
    qputenv("TMPDIR", QByteArray::fromStdString((root / "tmp").string()));
    felmo::QtTextRasterizer textRasterizer;
    felmo::installTextRasterizer(&textRasterizer);
    double windowMs = 0;
    double unpackMs = 0;
    double firstFrameMs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        felmo::StudioConfig config;
        config.executablePath = root / "felmo";
        config.settingsFile = root / "Settings.ini";
        config.outputFolder = root / "out";
        config.converterPath = kBinDir / "bmconv";
        felmo::QtFrontEnd frontEnd;
        felmo::Studio studio(frontEnd, config);
        felmo::MainWindow window(studio);
        frontEnd.setDialogOwner(&window);
        window.show();
        const qint64 shown = clock.nsecsElapsed();
        auto* panel = window.findChild<felmo::PicturePanel*>("StartUpPicture");
        const bool started = QTest::qWaitFor(
            [&] { return studio.formActivated() && !studio.build().running(); }, 60000);
        const qint64 unpacked = clock.nsecsElapsed();
        const bool painted = QTest::qWaitFor([&] { return !panel->shown().isNull(); }, 5000);
        // The frame reaches the screen with the repaint the refresh scheduled.
        QCoreApplication::processEvents();
        const qint64 firstFrame = clock.nsecsElapsed();
        if (!started || !painted) {
            state.SkipWithError("no animation frame was shown");
            break;
        }
        windowMs += static_cast<double>(shown) / 1e6;
        unpackMs += static_cast<double>(unpacked - shown) / 1e6;
        firstFrameMs += static_cast<double>(firstFrame - unpacked) / 1e6;
        state.PauseTiming();
        window.close();
        state.ResumeTiming();
    }
    felmo::installTextRasterizer(nullptr);
    const auto average = [&](double total) {
        return benchmark::Counter(total / static_cast<double>(state.iterations()));
    };
    state.counters["window_ms"] = average(windowMs);
    state.counters["unpack_ms"] = average(unpackMs);
    state.counters["first_frame_ms"] = average(firstFrameMs);
}
BENCHMARK(BM_WindowStart)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    felmo::setUpApplication();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Preview updates a second while a slider of the studio is dragged on a 1920 x 1080 pair: each
// update is one value change through the effect's change notice, one down-sampled render on the
// render thread, and the picture handed to the viewer. The full-resolution case beside it is
// what the drag would cost without the host's down-sampling.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <memory>

#include "MainWindow.h"
#include "Viewer.h"
#include "core/params/ParamId.h"

namespace {

using namespace duovis;

QImage scene(int seed) {
    QImage img(1920, 1080, QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            row[x] = qRgb((x + seed) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF);
    }
    return img;
}

struct Studio {
    QTemporaryDir dir;
    std::unique_ptr<studio::MainWindow> window;
    Studio() {
        scene(0).save(dir.filePath("left.png"));
        scene(7).save(dir.filePath("right.png"));
        window = std::make_unique<studio::MainWindow>();
        studio::SessionOptions options;
        options.pluginDir = DUOVIS_PLUGIN_DIR;
        window->setOptions(options);
        if (!window->openPath(dir.filePath("left.png"), dir.filePath("right.png"))) std::abort();
        window->session().edit(0, DISPLAY_TYPE, 8);  // anaglyph: both eyes in every pixel
        window->show();
    }
};

Studio& studioOnce() {
    static Studio s;
    return s;
}

void runDrag(benchmark::State& state, bool dragging) {
    studio::MainWindow& window = *studioOnce().window;
    studio::Session& session = window.session();
    quint64 shown = 0;
    int factor = 0;
    QObject::connect(&session, &studio::Session::frameShown, &window,
                     [&](int, quint64 g, const QImage&, int f, QSize) { shown = g, factor = f; });
    if (dragging) session.beginDrag();
    double value = 0;
    for (auto _ : state) {
        value = value >= 9 ? -9 : value + 0.1;
        session.edit(0, HSHIFT_PCT_B, value);
        const quint64 before = shown;
        while (shown == before) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    if (dragging) session.endDrag();
    state.counters["updates_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["downsample"] = factor;
    QObject::disconnect(&session, &studio::Session::frameShown, &window, nullptr);
    while (!session.settled()) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void BM_StudioDragPreview1080p(benchmark::State& state) {
    runDrag(state, true);
}
void BM_StudioFullResolutionUpdate1080p(benchmark::State& state) {
    runDrag(state, false);
}
BENCHMARK(BM_StudioDragPreview1080p)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_StudioFullResolutionUpdate1080p)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    studioOnce().window.reset();
    return 0;
}

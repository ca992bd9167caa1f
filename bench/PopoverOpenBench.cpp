// How long a click on a meter takes to put its panel on screen: from the click to the panel's
// first paint (fitting, content, layout, painting), for each section, with readings whose
// preparation completes at once. Beside it, in the same run, the time to show and paint an empty
// frameless window of the same size, which is the floor any panel stands on.

#include "Platform/Bundles/Bundle.h"
#include "Platform/Popover/PopoverWindow.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/MenuBar/StatusBarController.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeDetailReadings.h"
#include "tests/support/FakeMainQueue.h"
#include "tests/support/FakeStatusBar.h"
#include "tools/ToolBundles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Counts the paints a widget receives.
class PaintWatch : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Agent {
    Agent()
    {
        SystemMonitor::Sources sources;
        sources.startTimer = false;
        controller = std::make_unique<StatusBarController>(
            std::make_unique<SystemMonitor>(sources), bar, PreferencesDomain::standard(), queue);
        readings.fillWithSamples();
        readings.completesAtOnce = true;
        controller->useDetailSource(readings);
    }
    FakeStatusBar bar;
    FakeMainQueue queue;
    FakeDetailReadings readings;
    std::unique_ptr<StatusBarController> controller;
};

// Runs the event loop until `watch` saw a paint, as the first frame on screen would need; gives up
// after a second so that a window that is never exposed cannot hang the run.
bool waitForPaint(const PaintWatch& watch, int before)
{
    QElapsedTimer timer;
    timer.start();
    while (watch.paints == before && timer.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return watch.paints > before;
}

Agent& agent()
{
    static Agent shared;
    return shared;
}

void openPanel(benchmark::State& state, MonitorSection section)
{
    Agent& a = agent();
    PopoverWindow* window = a.controller->popover(section);
    PaintWatch watch;
    bool painted = true;
    for (auto _ : state) {
        a.controller->toggle(section);
        // The preparation completed at once, so the popover is on its way to the screen.
        state.PauseTiming();
        QWidget* content = window->content();
        if (content)
            content->installEventFilter(&watch);
        const int before = watch.paints;
        state.ResumeTiming();
        painted = waitForPaint(watch, before) && painted;
        state.PauseTiming();
        a.controller->closePopovers();
        // Released panels go now, not piled up until the end of the run.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    if (!painted)
        state.SkipWithError("the panel was not painted");
    const auto fit = a.controller->panelFit(section);
    state.counters["budget"] = fit ? fit->budget : 0;
    state.counters["scrolls"] = fit && fit->scrollHeight ? 1 : 0;
}

void BM_OpenCPUPanel(benchmark::State& state)
{
    openPanel(state, MonitorSection::cpu);
}
void BM_OpenMemoryPanel(benchmark::State& state)
{
    openPanel(state, MonitorSection::memory);
}
void BM_OpenStoragePanel(benchmark::State& state)
{
    openPanel(state, MonitorSection::storage);
}
void BM_OpenSensorsPanel(benchmark::State& state)
{
    openPanel(state, MonitorSection::sensors);
}

// The floor: an empty frameless window of a panel's size, shown and painted.
void BM_ShowEmptyWindow(benchmark::State& state)
{
    Agent& a = agent();
    a.controller->toggle(MonitorSection::cpu);
    const QSize size = a.controller->popover(MonitorSection::cpu)->size();
    a.controller->closePopovers();
    PaintWatch watch;
    bool painted = true;
    for (auto _ : state) {
        QWidget window(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        window.installEventFilter(&watch);
        window.resize(size);
        const int before = watch.paints;
        window.show();
        painted = waitForPaint(watch, before) && painted;
        state.PauseTiming();
        window.hide();
        state.ResumeTiming();
    }
    if (!painted)
        state.SkipWithError("the window was not painted");
}

BENCHMARK(BM_ShowEmptyWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCPUPanel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenMemoryPanel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenStoragePanel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSensorsPanel)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "popover-bench");
    QApplication app(argc, argv);
    const QString bundle = ToolBundles::findAgentBundle();
    if (!bundle.isEmpty())
        Bundle::setMainBundlePathForTesting(bundle);
    SharedSettings::prepareAtLaunch();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

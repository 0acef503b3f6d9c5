// Opening the Saved tab with many saved scenes, from the tab switch to the first frame drawn.
#include "ui/PanelPresenter.h"
#include "settings/SettingsStore.h"
#include "ui/PanelEnvironment.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickView>

#include <chrono>
#include <memory>

using namespace tavik;

namespace {

void selectTab(QQuickView& view, const char* tab)
{
    QQmlProperty::write(view.rootObject(), QStringLiteral("selectedTab"), QString::fromLatin1(tab));
}

// Runs the event loop until the window has drawn a frame.
void waitForFrame(QQuickView& view)
{
    bool drawn = false;
    const auto connection = QObject::connect(&view, &QQuickWindow::frameSwapped, [&drawn] { drawn = true; });
    view.update();
    while (!drawn)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QObject::disconnect(connection);
}

void BM_OpenSavedTab(benchmark::State& state)
{
    MemoryKeyValueStore db;
    SettingsStore store(db);
    SavedSceneList scenes;
    for (int i = 0; i < state.range(0); ++i)
        scenes.push_back(SavedScene{newSceneId(), QStringLiteral("Scene %1").arg(i), store.currentSceneSnapshot(), false, std::nullopt});
    store.setSavedScenes(std::move(scenes));
    PanelPresenter presenter;
    PanelEnvironment environment(store, presenter, nullptr);
    const std::unique_ptr<QQuickView> view = environment.createView(kPopoverContentSize);
    if (!view) {
        state.SkipWithError("the panel's QML did not load");
        return;
    }
    view->show();
    waitForFrame(*view);
    for (auto _ : state) {
        selectTab(*view, "general");
        waitForFrame(*view);
        QElapsedTimer timer;
        timer.start();
        selectTab(*view, "saved");
        waitForFrame(*view);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::nanoseconds(timer.nsecsElapsed())).count());
    }
}
BENCHMARK(BM_OpenSavedTab)->Arg(10)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

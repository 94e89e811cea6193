// The main window's two slow actions on a full-size jaw: the collision check of the cutter
// along the cut line, and saving the tool path. Needs a display: run under xvfb-run, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/bench_main_window
#include "tests/app/AppTestSupport.h"

#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QVTKOpenGLNativeWidget.h>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

// One window with the large jaw, its gum line and a generated cut line.
struct Scene
{
  Scene()
    : probe(window)
  {
    const auto jaw = testsupport::MakeSyntheticJaw(testsupport::LargeJaw());
    const QString path = folder.path() + "/jaw.stl";
    testsupport::WriteStl(jaw.mesh, path.toStdString());
    probe.loadStl(path);
    probe.modelLoaded();
    probe.gumLine() = jaw.gumLine;
    probe.generateCutLine(0.2, 0.3);
  }
  QTemporaryDir folder;
  MainWindow window;
  MainWindowProbe probe;
};

Scene& TheScene()
{
  static Scene scene;
  return scene;
}

void BM_CollisionCheck(benchmark::State& state)
{
  Scene& scene = TheScene();
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(scene.probe.detectCollision());
  }
}
BENCHMARK(BM_CollisionCheck)->Unit(benchmark::kMillisecond);

void BM_SaveCutLine(benchmark::State& state)
{
  Scene& scene = TheScene();
  const QString path = scene.folder.path() + "/cut.gbin";
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(scene.probe.saveCutLine(path));
  }
}
BENCHMARK(BM_SaveCutLine)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
  QSurfaceFormat::setDefaultFormat(QVTKOpenGLNativeWidget::defaultFormat());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

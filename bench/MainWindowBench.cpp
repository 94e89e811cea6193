// The main window's actions on a full-size jaw: the collision check of the cutter along the cut
// line and saving the tool path, both on an unchanged model, with the model queries on VTK's
// own vtkOBBTree (tree:0) and on FastOBBTree (tree:1); and a press of a move button with a cut
// line shown. Needs a display: run under xvfb-run, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/bench_main_window
#include "geometry/FastOBBTree.h"
#include "tests/support/MainWindowDriver.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/support/TempFolder.h"

#include <QSurfaceFormat>
#include <QVTKOpenGLNativeWidget.h>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

// One window with the large jaw, its gum line and a cut line generated on the given tree.
struct Scene
{
  explicit Scene(bool baseTree)
    : probe(window)
  {
    UseBaseOBBTree(baseTree);
    const auto jaw = testsupport::MakeSyntheticJaw(testsupport::LargeJaw());
    const QString path = QString::fromStdString(folder.File("jaw.stl"));
    testsupport::WriteStl(jaw.mesh, path.toStdString());
    probe.loadStl(path);
    probe.modelLoaded();
    probe.gumLine() = jaw.gumLine;
    probe.generateCutLine(0.2, 0.3);
    UseBaseOBBTree(false);
  }
  testsupport::TempFolder folder;
  MainWindow window;
  MainWindowProbe probe;
};

Scene& TheScene(const benchmark::State& state)
{
  if (state.range(0) == 0)
  {
    static Scene base(true);
    return base;
  }
  static Scene fast(false);
  return fast;
}

void BM_CollisionCheck(benchmark::State& state)
{
  Scene& scene = TheScene(state);
  for (auto _ : state)
  {
    UseBaseOBBTree(state.range(0) == 0);
    benchmark::DoNotOptimize(scene.probe.detectCollision());
    UseBaseOBBTree(false);
  }
}
BENCHMARK(BM_CollisionCheck)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SaveCutLine(benchmark::State& state)
{
  Scene& scene = TheScene(state);
  const QString path = QString::fromStdString(scene.folder.File("cut.gbin"));
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(scene.probe.saveCutLine(path));
  }
}
BENCHMARK(BM_SaveCutLine)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One press of the X row's "-", then one of its "+", so that the model ends where it started;
// each press moves the 250k-triangle model and renders the view.
void BM_MovePress(benchmark::State& state)
{
  Scene& scene = TheScene(state);
  Ui::MainWindow& ui = scene.probe.ui();
  for (auto _ : state)
  {
    ui.pushButton_right->click();
    ui.pushButton_Left->click();
  }
  state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_MovePress)->ArgName("tree")->Arg(1)->Unit(benchmark::kMillisecond);

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

// Cost of one drag step of the cut-line editing widget on the full-size jaw: the pick on the
// model, the spline drawing and the offset line, and the offset line and its queries alone.
#include "cutline/CutLineGenerator.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/widgets/JawCutLine.h"
#include "widgets/contourRepresentation.h"

#include <vtkActor.h>
#include <vtkCamera.h>
#include <vtkCellPicker.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkPropCollection.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

// The large jaw with its cut line shown in a window that looks straight at the front handle
// from 50 units outside (nothing is rendered; picking needs only the camera and the size).
struct Scene
{
  explicit Scene(const testsupport::JawShape& shape)
    : jaw(testsupport::MakeSyntheticJaw(shape))
  {
    generator.SetModel(jaw.mesh);
    auto gum = vtkSmartPointer<vtkPoints>::New();
    for (const Point3& p : jaw.gumLine)
    {
      gum->InsertNextPoint(p.x, p.y, p.z);
    }
    points = generator.RebuildSmoothLoop(gum);
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      if (front < 0 || points->GetPoint(i)[1] < points->GetPoint(front)[1])
      {
        front = i;
      }
    }

    mapper->SetInputData(jaw.mesh);
    model->SetMapper(mapper);
    renderer->AddActor(model);
    window->SetSize(800, 600);
    window->AddRenderer(renderer);
    double f[3];
    points->GetPoint(front, f);
    vtkCamera* camera = renderer->GetActiveCamera();
    camera->SetFocalPoint(f);
    camera->SetPosition(f[0], f[1] - 50.0, f[2]);
    camera->SetViewUp(0.0, 0.0, 1.0);
    renderer->ResetCameraClippingRange();

    rep->Generator = &generator;
    rep->SetRenderer(renderer);
    rep->SetModelActor(model.Get());
    rep->SetPoints(points);
    rep->Rebuild();
    rep->BuildRepresentation();
    // What the widget does when it is enabled.
    vtkNew<vtkPropCollection> props;
    rep->GetActors(props);
    props->InitTraversal();
    while (vtkProp* prop = props->GetNextProp())
    {
      renderer->AddActor(prop);
    }
  }

  testsupport::SyntheticJaw jaw;
  CutLineGenerator generator;
  vtkSmartPointer<vtkPoints> points;
  vtkIdType front = -1;
  vtkNew<vtkPolyDataMapper> mapper;
  vtkNew<vtkActor> model;
  vtkNew<vtkRenderer> renderer;
  vtkNew<vtkRenderWindow> window;
  vtkNew<contourRepresentation> rep;
};

// Scene 0: the large jaw as it is, whose cut line is about 208 long. Scene 1: the same jaw
// and triangle count with arms 15.5 shorter, whose cut line is about 150 long.
Scene& TheScene(int which)
{
  if (which == 0)
  {
    static Scene full(testsupport::LargeJaw());
    return full;
  }
  static Scene shortArms([] {
    testsupport::JawShape shape = testsupport::LargeJaw();
    shape.armLength -= 15.5;
    return shape;
  }());
  return shortArms;
}

void Counters(benchmark::State& state, Scene& scene)
{
  state.counters["cut_line_length"] = cutlinetest::ClosedPolygonLength(scene.points);
  state.counters["control_points"] = static_cast<double>(scene.points->GetNumberOfPoints());
  state.counters["triangles"] = static_cast<double>(scene.jaw.mesh->GetNumberOfCells());
}

// One drag step: the handle goes back and forth between two spots on the front wall.
void BM_DragStep(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  double onHandle[2] = { 400.0, 300.0 };
  if (scene.rep->ComputeInteractionState(400, 300) != 1)
  {
    state.SkipWithError("no handle at the centre of the window");
    return;
  }
  scene.rep->StartWidgetInteraction(onHandle);
  double spots[2][2] = { { 420.0, 290.0 }, { 380.0, 310.0 } };
  int k = 0;
  for (auto _ : state)
  {
    scene.rep->WidgetInteraction(spots[k]);
    k = 1 - k;
  }
  scene.rep->WidgetInteraction(onHandle);
  Counters(state, scene);
}
BENCHMARK(BM_DragStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_BuildOffsetLine(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  for (auto _ : state)
  {
    scene.rep->BuildOffsetLine(false);
  }
  Counters(state, scene);
}
BENCHMARK(BM_BuildOffsetLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The spline drawing and the offset line without a model tree: everything but the queries.
void BM_BuildRepresentationWithoutModelTree(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  CutLineGenerator noModel;
  scene.rep->Generator = &noModel;
  for (auto _ : state)
  {
    scene.rep->BuildRepresentation();
  }
  scene.rep->Generator = &scene.generator;
  Counters(state, scene);
}
BENCHMARK(BM_BuildRepresentationWithoutModelTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The drag step's pick on the model alone (the cell picker tests every triangle).
void BM_SurfacePick(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  vtkNew<vtkCellPicker> picker;
  picker->SetTolerance(0.001);
  picker->PickFromListOn();
  picker->AddPickList(scene.model);
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(picker->Pick(420.0, 290.0, 0.0, scene.renderer));
  }
}
BENCHMARK(BM_SurfacePick)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One model-tree line query of the offset line: 10.5 units along the tool axis through a
// probe beside the cut line.
void BM_ModelTreeLineQuery(benchmark::State& state)
{
  Scene& scene = TheScene(static_cast<int>(state.range(0)));
  vtkSmartPointer<vtkPoints> samples =
    CutLineGenerator::ResampleClosedSpline(scene.rep->GetSpline(), 0.1);
  std::vector<Point3> dirs;
  CutLineGenerator::ComputeDirections(samples, 60, dirs);
  vtkNew<vtkPoints> hits;
  vtkNew<vtkIdList> cells;
  size_t i = 0;
  for (auto _ : state)
  {
    const size_t s = (i += 2) % dirs.size();
    double p[3];
    samples->GetPoint(static_cast<vtkIdType>(s), p);
    const double d[3] = { dirs[s].x, dirs[s].y, dirs[s].z };
    double a[3];
    TiltedToolAxis(d, a);
    const double from[3] = { p[0] - 0.5 * a[0], p[1] - 0.5 * a[1], p[2] - 0.5 * a[2] };
    const double to[3] = { p[0] + 10.0 * a[0], p[1] + 10.0 * a[1], p[2] + 10.0 * a[2] };
    benchmark::DoNotOptimize(scene.generator.ModelTree->IntersectWithLine(from, to, hits, cells));
  }
}
BENCHMARK(BM_ModelTreeLineQuery)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

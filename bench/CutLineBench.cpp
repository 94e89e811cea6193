// Cost of the model locator, one projection, and the smoothed cut line on a full-size jaw, with
// the model queries on VTK's own vtkOBBTree (tree:0) and on FastOBBTree (tree:1); and the
// collision check along the generated cut line on the 250k and the 1M jaw.
#include "bench/LargeJaw.h"
#include "cutline/CutLineGenerator.h"
#include "cutline/CutterCollision.h"
#include "geometry/FastOBBTree.h"
#include "tests/cutline/CutLineFixtures.h"

#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <benchmark/benchmark.h>

namespace
{

using bench::GumLinePoints;
using bench::Jaw;

// A generator whose tree is VTK's own (tree:0) or FastOBBTree (tree:1).
void SetModelOn(benchmark::State& state, CutLineGenerator& generator, vtkPolyData* mesh)
{
  UseBaseOBBTree(state.range(0) == 0);
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(mesh);
  generator.SetModel(copy);
  UseBaseOBBTree(false);
}

// The first model: a tree is built.
void BM_SetModelFirst(benchmark::State& state)
{
  for (auto _ : state)
  {
    CutLineGenerator generator;
    SetModelOn(state, generator, Jaw().mesh);
  }
  state.counters["triangles"] = static_cast<double>(Jaw().mesh->GetNumberOfCells());
}
BENCHMARK(BM_SetModelFirst)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A fresh copy of the same model again, as the window hands it over at every generation.
void BM_SetModelAgain(benchmark::State& state)
{
  CutLineGenerator generator;
  SetModelOn(state, generator, Jaw().mesh);
  for (auto _ : state)
  {
    SetModelOn(state, generator, Jaw().mesh);
  }
  state.counters["triangles"] = static_cast<double>(Jaw().mesh->GetNumberOfCells());
}
BENCHMARK(BM_SetModelAgain)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One projection of a gum-line point, 0.4 inside the surface, along its tilted outward axis.
void BM_ProjectAlongAxis(benchmark::State& state)
{
  CutLineGenerator generator;
  SetModelOn(state, generator, Jaw().mesh);
  const auto& gum = Jaw().gumLine;
  std::vector<Point3> dirs;
  CutLineGenerator::ComputeDirections(GumLinePoints(), 4, dirs);
  size_t i = 0;
  for (auto _ : state)
  {
    const size_t k = i++ % gum.size();
    const Point3& g = gum[k];
    const double horizontal[3] = { dirs[k].x, dirs[k].y, dirs[k].z };
    double axis[3];
    TiltedToolAxis(horizontal, axis);
    const double q[3] = { g.x - 0.4 * axis[0], g.y - 0.4 * axis[1], g.z - 0.4 * axis[2] };
    benchmark::DoNotOptimize(generator.ProjectAlongAxis(q, axis));
  }
}
BENCHMARK(BM_ProjectAlongAxis)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_RebuildSmoothLoop(benchmark::State& state)
{
  CutLineGenerator generator;
  SetModelOn(state, generator, Jaw().mesh);
  auto loop = GumLinePoints();
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(generator.RebuildSmoothLoop(loop));
  }
}
BENCHMARK(BM_RebuildSmoothLoop)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The cut line generated on a jaw, sampled into the poses that the collision check places the
// cutter at.
std::vector<PoseDir> CutLinePoses(const testsupport::SyntheticJaw& jaw)
{
  CutLineGenerator generator;
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(jaw.mesh);
  generator.SetModel(copy);
  auto spline = vtkSmartPointer<vtkParametricSpline>::New();
  spline->SetPoints(generator.GenerateCutLine(GumLinePoints(jaw), 0.2, 0.3, 0.0));
  spline->ParameterizeByLengthOn();
  spline->ClosedOn();
  return cutlinetest::SampledPoses(spline);
}

// A collision check on an unchanged model, on the 250k (million:0) or the 1M jaw (million:1):
// check:0 builds a tree for every check with VTK's own build, as each check did before the
// check kept its tree; check:1 builds one for every check with the fast build; check:2 keeps
// the tree of the first check.
void BM_CollisionCheck(benchmark::State& state)
{
  const testsupport::SyntheticJaw& jaw = state.range(0) == 0 ? Jaw() : bench::MillionJaw();
  const std::vector<PoseDir> poses = CutLinePoses(jaw);
  const int check = static_cast<int>(state.range(1));
  CutterCollision::Checker kept;
  kept.Find(jaw.mesh, poses);
  UseBaseOBBTreeBuild(check == 0);
  for (auto _ : state)
  {
    if (check == 2)
    {
      benchmark::DoNotOptimize(kept.Find(jaw.mesh, poses));
    }
    else
    {
      benchmark::DoNotOptimize(CutterCollision::FindCollisions(jaw.mesh, poses));
    }
  }
  UseBaseOBBTreeBuild(false);
  state.counters["poses"] = static_cast<double>(poses.size());
  state.counters["triangles"] = static_cast<double>(jaw.mesh->GetNumberOfCells());
}
BENCHMARK(BM_CollisionCheck)
  ->ArgNames({ "million", "check" })
  ->ArgsProduct({ { 0, 1 }, { 0, 1, 2 } })
  ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

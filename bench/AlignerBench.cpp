// Cost of the automatic working frame on a full-size jaw, with the rays cast on VTK's own
// vtkOBBTree (tree:0) and on FastOBBTree (tree:1).
#include "geometry/CoordinateAligner.h"
#include "geometry/FastOBBTree.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkPolyData.h>
#include <vtkTransform.h>

#include <benchmark/benchmark.h>

namespace
{

// The full-size jaw in its working frame (0) or tilted and turned as a scan may leave it (1).
const testsupport::SyntheticJaw& Jaw(int placement)
{
  static const testsupport::SyntheticJaw still =
    testsupport::MakeSyntheticJaw(testsupport::LargeJaw());
  static const testsupport::SyntheticJaw placed = testsupport::MakeSyntheticJaw(
    testsupport::LargeJaw(), testsupport::RigidMotion(12.0, -8.0, 25.0, 3.0, -4.0, 6.0));
  return placement == 0 ? still : placed;
}

// One automatic frame, as the main window runs it: an aligner around a fresh copy.
void BM_ComputeTransform(benchmark::State& state)
{
  const testsupport::SyntheticJaw& jaw = Jaw(static_cast<int>(state.range(0)));
  for (auto _ : state)
  {
    state.PauseTiming();
    auto copy = vtkSmartPointer<vtkPolyData>::New();
    copy->DeepCopy(jaw.mesh);
    state.ResumeTiming();
    UseBaseOBBTree(state.range(1) == 0);
    CoordinateAligner aligner(copy);
    bool ok = false;
    benchmark::DoNotOptimize(aligner.ComputeTransform(&ok));
    UseBaseOBBTree(false);
    if (!ok)
    {
      state.SkipWithError("no base plane found");
    }
  }
  state.counters["triangles"] = static_cast<double>(jaw.mesh->GetNumberOfCells());
}
BENCHMARK(BM_ComputeTransform)
  ->ArgNames({ "placed", "tree" })
  ->ArgsProduct({ { 0, 1 }, { 0, 1 } })
  ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

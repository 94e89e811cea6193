// Cost of the automatic working frame on the full-size jaws, with the rays cast on VTK's own
// vtkOBBTree (tree:0) and on FastOBBTree (tree:1), whose tree is built by VTK's own
// vtkOBBTree::BuildLocator (build:0) or by its own build on the machine's cores (build:1).
#include "bench/LargeJaw.h"
#include "geometry/CoordinateAligner.h"
#include "geometry/FastOBBTree.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkPolyData.h>
#include <vtkTransform.h>

#include <benchmark/benchmark.h>

namespace
{

// The 250k jaw in its working frame (0) or tilted and turned as a scan may leave it (1), and
// the 1M jaw in its working frame (2).
const testsupport::SyntheticJaw& Jaw(int which)
{
  if (which == 2)
  {
    return bench::MillionJaw();
  }
  static const testsupport::SyntheticJaw placed = testsupport::MakeSyntheticJaw(
    testsupport::LargeJaw(), testsupport::RigidMotion(12.0, -8.0, 25.0, 3.0, -4.0, 6.0));
  return which == 0 ? bench::Jaw() : placed;
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
    UseBaseOBBTreeBuild(state.range(2) == 0);
    CoordinateAligner aligner(copy);
    bool ok = false;
    benchmark::DoNotOptimize(aligner.ComputeTransform(&ok));
    UseBaseOBBTree(false);
    UseBaseOBBTreeBuild(false);
    if (!ok)
    {
      state.SkipWithError("no base plane found");
    }
  }
  state.counters["triangles"] = static_cast<double>(jaw.mesh->GetNumberOfCells());
}
BENCHMARK(BM_ComputeTransform)
  ->ArgNames({ "jaw", "tree", "build" })
  ->Args({ 0, 0, 0 })
  ->Args({ 0, 1, 0 })
  ->Args({ 0, 1, 1 })
  ->Args({ 1, 0, 0 })
  ->Args({ 1, 1, 0 })
  ->Args({ 1, 1, 1 })
  ->Args({ 2, 0, 0 })
  ->Args({ 2, 1, 0 })
  ->Args({ 2, 1, 1 })
  ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

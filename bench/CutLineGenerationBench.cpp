// Cost of generating the cut line from the gum line on the full-size jaws (250k, and 1M with
// million:1): the model locator (SetModel) and the generation itself, together as the main
// window runs them, with the model queries on VTK's own vtkOBBTree (tree:0) and on FastOBBTree
// (tree:1), whose tree is built by VTK's own vtkOBBTree::BuildLocator (build:0) or by its own
// build on the machine's cores (build:1).
#include "bench/LargeJaw.h"
#include "cutline/CutLineGenerator.h"
#include "geometry/FastOBBTree.h"

#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <benchmark/benchmark.h>

#include <iostream>
#include <sstream>

namespace
{

const testsupport::SyntheticJaw& Jaw(const benchmark::State& state)
{
  return state.range(0) == 0 ? bench::Jaw() : bench::MillionJaw();
}

using bench::GumLinePoints;

// Keeps the generation's console lines out of the report.
class QuietStdout
{
public:
  QuietStdout()
    : saved_(std::cout.rdbuf(sink_.rdbuf()))
  {
  }
  ~QuietStdout() { std::cout.rdbuf(saved_); }

private:
  std::ostringstream sink_;
  std::streambuf* saved_;
};

// What the window does for one generation: a fresh copy of the model to SetModel, then the
// generation. The first time, the generator builds its tree.
vtkIdType Generate(benchmark::State& state, CutLineGenerator& generator, vtkPoints* gum)
{
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(Jaw(state).mesh);
  UseBaseOBBTree(state.range(1) == 0);
  UseBaseOBBTreeBuild(state.range(2) == 0);
  generator.SetModel(copy);
  UseBaseOBBTree(false);
  UseBaseOBBTreeBuild(false);
  const QuietStdout quiet;
  const auto cut = generator.GenerateCutLine(gum, 0.2, 0.3, 0.0);
  benchmark::DoNotOptimize(cut);
  return cut->GetNumberOfPoints();
}

void Counters(benchmark::State& state, vtkIdType controlPoints)
{
  state.counters["triangles"] = static_cast<double>(Jaw(state).mesh->GetNumberOfCells());
  state.counters["controlPoints"] = static_cast<double>(controlPoints);
}

void BM_GenerateCutLineFirst(benchmark::State& state)
{
  const auto gum = GumLinePoints(Jaw(state));
  vtkIdType controlPoints = 0;
  for (auto _ : state)
  {
    CutLineGenerator generator;
    controlPoints = Generate(state, generator, gum);
  }
  Counters(state, controlPoints);
}
// The model, the model queries and the tree build of each run.
void Runs(benchmark::internal::Benchmark* b)
{
  b->ArgNames({ "million", "tree", "build" });
  for (const int million : { 0, 1 })
  {
    b->Args({ million, 0, 0 })->Args({ million, 1, 0 })->Args({ million, 1, 1 });
  }
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_GenerateCutLineFirst)->Apply(Runs);

// Again on the same model: the generator keeps the tree it built the first time.
void BM_GenerateCutLineAgain(benchmark::State& state)
{
  const auto gum = GumLinePoints(Jaw(state));
  CutLineGenerator generator;
  vtkIdType controlPoints = Generate(state, generator, gum);
  for (auto _ : state)
  {
    controlPoints = Generate(state, generator, gum);
  }
  Counters(state, controlPoints);
}
BENCHMARK(BM_GenerateCutLineAgain)->Apply(Runs);

} // namespace

BENCHMARK_MAIN();

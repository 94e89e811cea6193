// Cost of generating the cut line from the gum line on a full-size jaw: the model locator
// (SetModel) and the generation itself, together as the main window runs them.
#include "bench/LargeJaw.h"
#include "cutline/CutLineGenerator.h"

#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <benchmark/benchmark.h>

#include <iostream>
#include <sstream>

namespace
{

using bench::GumLinePoints;
using bench::Jaw;

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

void BM_GenerateCutLine(benchmark::State& state)
{
  CutLineGenerator generator;
  const auto gum = GumLinePoints();
  vtkIdType controlPoints = 0;
  for (auto _ : state)
  {
    const QuietStdout quiet;
    generator.SetModel(Jaw().mesh);
    const auto cut = generator.GenerateCutLine(gum, 0.2, 0.3, 0.0);
    controlPoints = cut->GetNumberOfPoints();
    benchmark::DoNotOptimize(cut);
  }
  state.counters["triangles"] = static_cast<double>(Jaw().mesh->GetNumberOfCells());
  state.counters["controlPoints"] = static_cast<double>(controlPoints);
}
BENCHMARK(BM_GenerateCutLine)->Unit(benchmark::kMillisecond);

// The generation alone, on a locator built once.
void BM_GenerateCutLineOnly(benchmark::State& state)
{
  CutLineGenerator generator;
  generator.SetModel(Jaw().mesh);
  const auto gum = GumLinePoints();
  for (auto _ : state)
  {
    const QuietStdout quiet;
    benchmark::DoNotOptimize(generator.GenerateCutLine(gum, 0.2, 0.3, 0.0));
  }
}
BENCHMARK(BM_GenerateCutLineOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

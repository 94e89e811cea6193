// Cost of the model locator, one projection, and the smoothed cut line on a full-size jaw.
#include "bench/LargeJaw.h"
#include "cutline/CutLineGenerator.h"

#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <benchmark/benchmark.h>

namespace
{

using bench::GumLinePoints;
using bench::Jaw;

void BM_SetModel(benchmark::State& state)
{
  CutLineGenerator generator;
  for (auto _ : state)
  {
    auto copy = vtkSmartPointer<vtkPolyData>::New();
    copy->DeepCopy(Jaw().mesh);
    generator.SetModel(copy);
  }
  state.counters["triangles"] = static_cast<double>(Jaw().mesh->GetNumberOfCells());
}
BENCHMARK(BM_SetModel)->Unit(benchmark::kMillisecond);

// One projection of a gum-line point, 0.4 inside the surface, along its tilted outward axis.
void BM_ProjectAlongAxis(benchmark::State& state)
{
  CutLineGenerator generator;
  generator.SetModel(Jaw().mesh);
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
BENCHMARK(BM_ProjectAlongAxis)->Unit(benchmark::kMicrosecond);

void BM_RebuildSmoothLoop(benchmark::State& state)
{
  CutLineGenerator generator;
  generator.SetModel(Jaw().mesh);
  auto loop = GumLinePoints();
  for (auto _ : state)
  {
    benchmark::DoNotOptimize(generator.RebuildSmoothLoop(loop));
  }
}
BENCHMARK(BM_RebuildSmoothLoop)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

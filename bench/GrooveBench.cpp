// The groove cut on the generated jaw (20k and 250k triangles) with the real cutter body:
// the whole of method 1, the bare corefinement difference it contains, over the program's
// exact kernel (lazy, Boost rationals), and the conversion of an exact mesh back to VTK.
// bench_groove_gmp times the bare call over GMP.
#include "bench/BareDifference.h"
#include "geometry/ExactMesh.h"
#include "geometry/MeshBooleanTool.h"

#include <iostream>
#include <sstream>

namespace
{

void CutGrooveMethod1(benchmark::State& state, bool large)
{
  const vtkSmartPointer<vtkPolyData> cutter = groovebench::Cutter();
  MeshBooleanTool tool;
  // The method's console lines are not part of what is measured.
  std::ostringstream sink;
  std::streambuf* out = std::cout.rdbuf(sink.rdbuf());
  std::streambuf* err = std::cerr.rdbuf(sink.rdbuf());
  for (auto _ : state)
  {
    state.PauseTiming();
    auto jaw = vtkSmartPointer<vtkPolyData>::New();
    jaw->DeepCopy(groovebench::Jaw(large));
    auto result = vtkSmartPointer<vtkPolyData>::New();
    sink.str("");
    state.ResumeTiming();
    if (!tool.CutGrooveMethod1(jaw, cutter, result))
    {
      state.SkipWithError("method 1 failed");
      break;
    }
  }
  std::cout.rdbuf(out);
  std::cerr.rdbuf(err);
  state.counters["triangles"] = static_cast<double>(groovebench::Jaw(large)->GetNumberOfPolys());
}

void BareDifference(benchmark::State& state, bool large)
{
  groovebench::BareDifference<ExactPoint>(state, large);
}

// CgalToVtk alone, on the jaw's own exact mesh (converted once, before the timing).
void ConvertBack(benchmark::State& state, bool large)
{
  MeshBooleanTool tool;
  MeshBooleanTool::ExactMesh mesh;
  std::ostringstream sink;
  std::streambuf* out = std::cout.rdbuf(sink.rdbuf());
  if (!tool.VtkToCgal(groovebench::Jaw(large), mesh))
  {
    state.SkipWithError("the jaw did not convert");
  }
  for (auto _ : state)
  {
    state.PauseTiming();
    auto result = vtkSmartPointer<vtkPolyData>::New();
    sink.str("");
    state.ResumeTiming();
    tool.CgalToVtk(mesh, result);
  }
  std::cout.rdbuf(out);
  state.counters["triangles"] = static_cast<double>(groovebench::Jaw(large)->GetNumberOfPolys());
}

} // namespace

BENCHMARK_CAPTURE(CutGrooveMethod1, jaw20k, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CutGrooveMethod1, jaw250k, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BareDifference, cpp_rational_jaw20k, false)
  ->UseManualTime()
  ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BareDifference, cpp_rational_jaw250k, true)
  ->UseManualTime()
  ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(ConvertBack, jaw250k, true)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// The groove cut on the generated jaw (20k and 250k triangles) with the real cutter body:
// the whole of method 1, the bare corefinement difference it contains, over the program's
// exact kernel (lazy, Boost rationals), the conversion of an exact mesh back to VTK, and the
// placement of the cutter that the groove tells first (the jaw in its frame, which the cutter
// meets, and the jaw lifted clear of it). bench_groove_gmp times the bare call over GMP.
#include "bench/BareDifference.h"
#include "geometry/ExactMesh.h"
#include "geometry/MeshBooleanTool.h"

#include <vtkPoints.h>

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

// PlaceCutter on the jaw as generated (meets) or lifted 10 above the cutter (apart).
void PlaceCutter(benchmark::State& state, bool large, bool lifted)
{
  auto jaw = vtkSmartPointer<vtkPolyData>::New();
  jaw->DeepCopy(groovebench::Jaw(large));
  if (lifted)
  {
    vtkPoints* points = jaw->GetPoints();
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      double p[3];
      points->GetPoint(i, p);
      points->SetPoint(i, p[0], p[1], p[2] + 10.0);
    }
  }
  const vtkSmartPointer<vtkPolyData> cutter = groovebench::Cutter();
  const auto expected = lifted ? MeshBooleanTool::CutterPlacement::Apart
                               : MeshBooleanTool::CutterPlacement::Meets;
  MeshBooleanTool tool;
  std::ostringstream sink;
  std::streambuf* err = std::cerr.rdbuf(sink.rdbuf());
  for (auto _ : state)
  {
    if (tool.PlaceCutter(jaw, cutter) != expected)
    {
      state.SkipWithError("unexpected placement");
      break;
    }
  }
  std::cerr.rdbuf(err);
  state.counters["triangles"] = static_cast<double>(jaw->GetNumberOfPolys());
}

} // namespace

BENCHMARK_CAPTURE(PlaceCutter, meets_jaw20k, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PlaceCutter, meets_jaw250k, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PlaceCutter, apart_jaw250k, true, true)->Unit(benchmark::kMillisecond);
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

// Cost of saving the cut line on a full-size jaw: sampling every 0.1, directions, fitting the
// poses to the model (on VTK's own vtkOBBTree, tree:0, or on FastOBBTree, tree:1) and writing
// the two-loop tool path; and of the export step alone.
#include "cutline/CutLineGenerator.h"
#include "cutline/ToolPath.h"
#include "geometry/FastOBBTree.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/support/TempFolder.h"

#include <vtkNew.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace
{

// The generator over the large jaw and the cut-line spline made from its gum line, built once;
// a second generator over the same jaw queries it on VTK's own tree.
struct SaveFixture
{
  CutLineGenerator generator;
  CutLineGenerator baseGenerator;
  vtkSmartPointer<vtkParametricSpline> spline;
  int triangles = 0;

  SaveFixture()
  {
    const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw(testsupport::LargeJaw());
    triangles = static_cast<int>(jaw.mesh->GetNumberOfCells());
    generator.SetModel(jaw.mesh);
    UseBaseOBBTree(true);
    baseGenerator.SetModel(jaw.mesh);
    UseBaseOBBTree(false);
    spline = cutlinetest::ClosedSpline(
      generator.RebuildSmoothLoop(cutlinetest::MakePoints(jaw.gumLine)));
  }
  CutLineGenerator& On(benchmark::State& state)
  {
    return state.range(0) == 0 ? baseGenerator : generator;
  }
};

SaveFixture& Fixture()
{
  static SaveFixture fixture;
  return fixture;
}

void BM_SaveCutLine(benchmark::State& state)
{
  SaveFixture& fixture = Fixture();
  testsupport::TempFolder folder;
  const std::string path = folder.File("cut.gbin");
  size_t poses = 0;
  for (auto _ : state)
  {
    std::vector<PoseDir> sampled = cutlinetest::SampledPoses(Fixture().spline);
    fixture.On(state).AdjustPosesToModel(sampled);
    if (!ToolPath::Export(sampled, path, true))
    {
      state.SkipWithError("export failed");
      break;
    }
    poses = sampled.size();
  }
  state.counters["triangles"] = fixture.triangles;
  state.counters["poses"] = static_cast<double>(poses);
}
BENCHMARK(BM_SaveCutLine)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The export alone on fitted poses, to the binary file and to G-code.
void BM_ExportTwoLoops(benchmark::State& state)
{
  std::vector<PoseDir> poses = cutlinetest::SampledPoses(Fixture().spline);
  Fixture().generator.AdjustPosesToModel(poses);
  testsupport::TempFolder folder;
  const std::string path = folder.File(state.range(0) ? "cut.txt" : "cut.gbin");
  for (auto _ : state)
  {
    if (!ToolPath::Export(poses, path, true))
    {
      state.SkipWithError("export failed");
      break;
    }
  }
  state.SetLabel(state.range(0) ? "G-code" : "gbin");
}
BENCHMARK(BM_ExportTwoLoops)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// Cost of saving the cut line on a full-size jaw: sampling every 0.1, directions, fitting the
// poses to the model (on VTK's own vtkOBBTree, tree:0, or on FastOBBTree, tree:1), telling
// whether the path is on the model and writing the two-loop tool path; of the first save on a
// model, which also builds the nearest-point search; and of the export step alone.
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
#include <memory>
#include <string>

namespace
{

// The generator over the large jaw and the cut-line spline made from its gum line, built once;
// a second generator over the same jaw queries it on VTK's own tree. Both have saved once, as
// a window has after its first save on a model.
struct SaveFixture
{
  vtkSmartPointer<vtkPolyData> model;
  CutLineGenerator generator;
  CutLineGenerator baseGenerator;
  vtkSmartPointer<vtkParametricSpline> spline;
  int triangles = 0;

  SaveFixture()
  {
    const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw(testsupport::LargeJaw());
    model = jaw.mesh;
    triangles = static_cast<int>(jaw.mesh->GetNumberOfCells());
    generator.SetModel(jaw.mesh);
    UseBaseOBBTree(true);
    baseGenerator.SetModel(jaw.mesh);
    UseBaseOBBTree(false);
    spline = cutlinetest::ClosedSpline(
      generator.RebuildSmoothLoop(cutlinetest::MakePoints(jaw.gumLine)));
    for (CutLineGenerator* g : { &generator, &baseGenerator })
    {
      std::vector<PoseDir> poses = cutlinetest::SampledPoses(spline);
      g->AdjustPosesToModel(poses);
    }
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

// One save as the window makes it: fit, verdict, export; false when nothing was written.
bool Save(CutLineGenerator& generator, const std::string& path, size_t& poses)
{
  std::vector<PoseDir> sampled = cutlinetest::SampledPoses(Fixture().spline);
  poses = sampled.size();
  return generator.AdjustPosesToModel(sampled) && ToolPath::Export(sampled, path, true);
}

void BM_SaveCutLine(benchmark::State& state)
{
  SaveFixture& fixture = Fixture();
  testsupport::TempFolder folder;
  const std::string path = folder.File("cut.gbin");
  size_t poses = 0;
  for (auto _ : state)
  {
    if (!Save(fixture.On(state), path, poses))
    {
      state.SkipWithError("not saved");
      break;
    }
  }
  state.counters["triangles"] = fixture.triangles;
  state.counters["poses"] = static_cast<double>(poses);
}
BENCHMARK(BM_SaveCutLine)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The first save on a model whose tree is built: the nearest-point search of the verdict is
// built by this save.
void BM_FirstSaveCutLine(benchmark::State& state)
{
  SaveFixture& fixture = Fixture();
  testsupport::TempFolder folder;
  const std::string path = folder.File("cut.gbin");
  size_t poses = 0;
  std::unique_ptr<CutLineGenerator> generator;
  for (auto _ : state)
  {
    state.PauseTiming();
    generator = std::make_unique<CutLineGenerator>();
    generator->SetModel(fixture.model);
    state.ResumeTiming();
    if (!Save(*generator, path, poses))
    {
      state.SkipWithError("not saved");
      break;
    }
  }
  state.counters["triangles"] = fixture.triangles;
}
BENCHMARK(BM_FirstSaveCutLine)->Iterations(4)->Unit(benchmark::kMillisecond);

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

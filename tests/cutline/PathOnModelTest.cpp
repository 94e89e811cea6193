// Whether a fitted tool path lies on the model: on jaws with second surfaces beyond the cut
// line, where the crossing a pose's probe moves toward lies far out along the tool axis, good
// paths are kept; paths off the model are still told apart.
#include "cutline/CutLineGenerator.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/SecondSurfaces.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkCellArray.h>
#include <vtkMath.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

using testsupport::SecondSurface;

// The poses with z raised by `dz`, or x shifted by `dx`.
std::vector<PoseDir> Shifted(std::vector<PoseDir> poses, double dx, double dz)
{
  for (PoseDir& pose : poses)
  {
    pose.point.x += dx;
    pose.point.z += dz;
  }
  return poses;
}

bool OnModel(CutLineGenerator& generator, std::vector<PoseDir> poses)
{
  return generator.AdjustPosesToModel(poses);
}

} // namespace

TEST(PathOnModel, SecondSurfacesFarOutAlongTheAxisRefuseNoPathOnTheModelAndOffModelPathsAreCaught)
{
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();
  const vtkSmartPointer<vtkPoints> cut = cutlinetest::GeneratedCutLine(jaw);
  const std::vector<PoseDir> sampled = cutlinetest::SampledPoses(cutlinetest::ClosedSpline(cut));
  ASSERT_GT(sampled.size(), 1000u);

  struct Case
  {
    const char* name;
    SecondSurface kind;
  };
  for (const Case& c : { Case{ "one bump", SecondSurface::Bump },
         Case{ "seven bumps", SecondSurface::Bumps },
         Case{ "far walls of gaps", SecondSurface::GapWalls },
         Case{ "an undercut", SecondSurface::Undercut } })
  {
    SCOPED_TRACE(c.name);
    const vtkSmartPointer<vtkPolyData> mesh =
      testsupport::WithSecondSurfaces(jaw.mesh, sampled, c.kind);
    CutLineGenerator generator;
    generator.SetModel(mesh);

    // The cut line lies on the surface: its fitted path is on the model, although some probes
    // moved their poses toward a crossing 1.5 to 5 beyond them.
    std::vector<PoseDir> fitted = sampled;
    EXPECT_TRUE(generator.AdjustPosesToModel(fitted));
    const std::vector<double> gaps = cutlinetest::PickedCrossingGaps(generator, sampled, fitted);
    const double widest = *std::max_element(gaps.begin(), gaps.end());
    EXPECT_GT(widest, 1.5);
    EXPECT_LE(widest, 5.0);

    // Paths that are not on the model stay refused: the line 50 above the model, the line
    // lowered by 50 under the base, and the model moved 8 away from the line.
    EXPECT_FALSE(OnModel(generator, Shifted(sampled, 0.0, 50.0)));
    auto control = vtkSmartPointer<vtkPoints>::New();
    control->DeepCopy(cut);
    EXPECT_FALSE(OnModel(generator,
      cutlinetest::SampledPoses(cutlinetest::ClosedSpline(
        generator.MoveDown(cutlinetest::ClosedSpline(control), 50.0)))));
    CutLineGenerator moved;
    moved.SetModel(testsupport::MovedCopy(mesh, 8.0, 0.0, 0.0));
    EXPECT_FALSE(OnModel(moved, sampled));
  }

  // One triangle under the whole arch, far below the line.
  auto triangle = vtkSmartPointer<vtkPolyData>::New();
  {
    auto points = vtkSmartPointer<vtkPoints>::New();
    points->InsertNextPoint(-40.0, -40.0, 0.0);
    points->InsertNextPoint(40.0, -40.0, 0.0);
    points->InsertNextPoint(0.0, 60.0, 0.0);
    auto cells = vtkSmartPointer<vtkCellArray>::New();
    const vtkIdType ids[3] = { 0, 1, 2 };
    cells->InsertNextCell(3, ids);
    triangle->SetPoints(points);
    triangle->SetPolys(cells);
  }
  CutLineGenerator flat;
  flat.SetModel(triangle);
  EXPECT_FALSE(OnModel(flat, sampled));
}

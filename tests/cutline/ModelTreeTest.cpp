// The cut-line code on its model tree: the same cut line, fitted poses, lowered line and
// tool-path files on FastOBBTree as on VTK's own vtkOBBTree, and a tree kept for an equal model.
#include "cutline/CutLineGenerator.h"
#include "cutline/ToolPath.h"
#include "geometry/FastOBBTree.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/support/TempFolder.h"

#include <vtkCellArray.h>
#include <vtkIdList.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace
{

// Doubles by their bits, so that equal means identical.
void Append(std::vector<std::uint64_t>& bits, double value)
{
  std::uint64_t b;
  std::memcpy(&b, &value, sizeof b);
  bits.push_back(b);
}

void Append(std::vector<std::uint64_t>& bits, vtkPoints* points)
{
  for (vtkIdType i = 0; points && i < points->GetNumberOfPoints(); ++i)
  {
    const double* p = points->GetPoint(i);
    for (int k = 0; k < 3; ++k)
    {
      Append(bits, p[k]);
    }
  }
}

void Append(std::vector<std::uint64_t>& bits, const std::vector<PoseDir>& poses)
{
  for (const PoseDir& p : poses)
  {
    for (const double v :
      { p.point.x, p.point.y, p.point.z, p.direction.x, p.direction.y, p.direction.z })
    {
      Append(bits, v);
    }
  }
}

struct Outputs
{
  std::vector<std::uint64_t> cutLine;
  std::vector<std::uint64_t> projections;
  std::vector<std::uint64_t> fittedPoses;
  std::vector<std::uint64_t> lowered;
  std::string gbin;
  std::string gcode;
};

// Everything the cut-line code derives from the jaw and its gum line, with the model queries on
// VTK's own tree (`base`) or on FastOBBTree.
Outputs Derive(const testsupport::SyntheticJaw& jaw, bool base, const std::string& folder)
{
  UseBaseOBBTree(base);
  Outputs out;
  CutLineGenerator generator;
  auto model = vtkSmartPointer<vtkPolyData>::New();
  model->DeepCopy(jaw.mesh);
  generator.SetModel(model);
  UseBaseOBBTree(false);
  EXPECT_EQ(FastOBBTree::SafeDownCast(generator.ModelTree) == nullptr, base);

  vtkSmartPointer<vtkPoints> cut =
    generator.GenerateCutLine(cutlinetest::MakePoints(jaw.gumLine), 0.2, 0.3, 0.0);
  Append(out.cutLine, cut);

  for (const cutlinetest::AxisQuery& query : cutlinetest::QueriesAlongGumLine(jaw.gumLine, 7))
  {
    const Point3 r = generator.ProjectAlongAxis(query.q, query.axis);
    for (const double v : { r.x, r.y, r.z })
    {
      Append(out.projections, v);
    }
  }

  std::vector<PoseDir> poses = cutlinetest::SampledPoses(cutlinetest::ClosedSpline(cut));
  generator.AdjustPosesToModel(poses);
  Append(out.fittedPoses, poses);
  ToolPath::Export(poses, folder + "/path.gbin", true);
  ToolPath::Export(poses, folder + "/path.txt", true);
  out.gbin = testsupport::ReadAll(folder + "/path.gbin");
  out.gcode = testsupport::ReadAll(folder + "/path.txt");

  auto control = vtkSmartPointer<vtkPoints>::New();
  control->DeepCopy(cut);
  Append(out.lowered, generator.MoveDown(cutlinetest::ClosedSpline(control), 0.5));
  return out;
}

} // namespace

TEST(ModelTree, CutLineFittedPosesLoweringAndToolPathsAreThoseOfVtkOBBTree)
{
  testsupport::TempFolder folder;
  for (const testsupport::JawShape& shape : { testsupport::SmallJaw(), testsupport::LargeJaw() })
  {
    const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw(shape);
    SCOPED_TRACE(jaw.mesh->GetNumberOfCells());
    const Outputs base = Derive(jaw, true, folder.Path());
    const Outputs fast = Derive(jaw, false, folder.Path());
    ASSERT_GT(base.cutLine.size(), 300u);
    ASSERT_GT(base.gbin.size(), 60000u);
    EXPECT_EQ(fast.cutLine, base.cutLine);
    EXPECT_EQ(fast.projections, base.projections);
    EXPECT_EQ(fast.fittedPoses, base.fittedPoses);
    EXPECT_EQ(fast.lowered, base.lowered);
    EXPECT_TRUE(fast.gbin == base.gbin);
    EXPECT_TRUE(fast.gcode == base.gcode);
  }
}

TEST(CutLineGenerator, KeepsTheTreeForAnEqualModelAndBuildsANewOneOtherwise)
{
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();
  auto copy = [&](vtkPolyData* mesh) {
    auto c = vtkSmartPointer<vtkPolyData>::New();
    c->DeepCopy(mesh);
    return c;
  };
  const vtkSmartPointer<vtkPoints> gum = cutlinetest::MakePoints(jaw.gumLine);

  CutLineGenerator generator;
  const vtkSmartPointer<vtkPolyData> first = copy(jaw.mesh);
  generator.SetModel(first);
  const vtkSmartPointer<vtkOBBTree> tree = generator.ModelTree;

  // A fresh copy of the same model, as the window hands over at every generation.
  generator.SetModel(copy(jaw.mesh));
  EXPECT_EQ(generator.ModelTree, tree);
  EXPECT_EQ(generator.Model, first);
  CutLineGenerator fresh;
  fresh.SetModel(copy(jaw.mesh));
  std::vector<std::uint64_t> kept;
  std::vector<std::uint64_t> built;
  Append(kept, generator.GenerateCutLine(gum, 0.2, 0.3, 0.0));
  Append(built, fresh.GenerateCutLine(gum, 0.2, 0.3, 0.0));
  EXPECT_EQ(kept, built);

  // One point moved: a new tree on the new model.
  const vtkSmartPointer<vtkPolyData> moved = copy(jaw.mesh);
  double p[3];
  moved->GetPoint(100, p);
  p[2] += 1e-3;
  moved->GetPoints()->SetPoint(100, p);
  generator.SetModel(moved);
  EXPECT_NE(generator.ModelTree, tree);
  EXPECT_EQ(generator.Model, moved);
  EXPECT_EQ(generator.ModelTree->GetDataSet(), moved.GetPointer());

  // The same object changed in place since its tree was built: a new tree too.
  const vtkSmartPointer<vtkOBBTree> movedTree = generator.ModelTree;
  p[2] += 1e-3;
  moved->GetPoints()->SetPoint(100, p);
  moved->GetPoints()->Modified();
  generator.SetModel(moved);
  EXPECT_NE(generator.ModelTree, movedTree);

  // The same points with one triangle turned over: a new tree.
  const vtkSmartPointer<vtkPolyData> turned = copy(moved);
  vtkIdType n = 0;
  const vtkIdType* ids = nullptr;
  turned->GetPolys()->GetCellAtId(0, n, ids);
  const vtkIdType reversed[3] = { ids[2], ids[1], ids[0] };
  turned->GetPolys()->ReplaceCellAtId(0, 3, reversed);
  const vtkSmartPointer<vtkOBBTree> beforeTurned = generator.ModelTree;
  generator.SetModel(turned);
  EXPECT_NE(generator.ModelTree, beforeTurned);
}

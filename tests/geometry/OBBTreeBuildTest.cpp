// FastOBBTree's tree build against vtkOBBTree::BuildLocator, node by node and bit for bit
// (corner, axes, cell ids and their order, kids and parents, levels, box count), with each
// caller's settings and VTK's parallel tools limited to 1, 2 and 8 threads, on the generated
// jaws and on small degenerate meshes; plus the data sets that vtkOBBTree's own build handles.
#include "geometry/FastOBBTree.h"
#include "tests/geometry/TreeMeshes.h"
#include "tests/support/SmpThreads.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkCellType.h>
#include <vtkIdList.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkObjectFactory.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{

using treetest::FlatGrid;
using treetest::InDoublePrecision;
using treetest::Slivers;
using treetest::Triangles;

// Reads the tree state that vtkOBBTree keeps to itself, of a vtkOBBTree or a FastOBBTree.
template <class Base>
class TreeProbe : public Base
{
public:
  static TreeProbe* New() { VTK_STANDARD_NEW_BODY(TreeProbe); }
  vtkOBBNode* Root() const { return this->Tree; }
  int Boxes() const { return this->OBBCount; }
};
using VtkTreeProbe = TreeProbe<vtkOBBTree>;
using FastTreeProbe = TreeProbe<FastOBBTree>;

struct TreeSettings
{
  const char* caller;
  int cellsPerNode;
  int maxLevel;
};

// The settings of the three callers: the cut line, the base-plane search (vtkOBBTree's 32 cells
// per node, at most 15 levels), the collision check.
const TreeSettings kCutLine{ "cut line", 8, 1000000 };
const TreeSettings kSettings[] = {
  kCutLine,
  { "frame", 32, 15 },
  { "collision", 50, 1000000 },
};

template <class Tree>
vtkSmartPointer<Tree> Build(vtkPolyData* mesh, const TreeSettings& settings)
{
  auto tree = vtkSmartPointer<Tree>::New();
  tree->SetDataSet(mesh);
  tree->SetNumberOfCellsPerNode(settings.cellsPerNode);
  tree->SetMaxLevel(settings.maxLevel);
  tree->SetTolerance(1e-6);
  tree->AutomaticOn();
  tree->BuildLocator();
  return tree;
}

vtkSmartPointer<FastTreeProbe> BuildFast(vtkPolyData* mesh, const TreeSettings& settings, int threads)
{
  vtkSmartPointer<FastTreeProbe> tree;
  testsupport::WithSmpThreads(threads, [&] { tree = Build<FastTreeProbe>(mesh, settings); });
  return tree;
}

bool SameBits(const double* a, const double* b, size_t count)
{
  return std::memcmp(a, b, count * sizeof(double)) == 0;
}

std::string Ids(vtkIdList* list)
{
  std::ostringstream text;
  for (vtkIdType i = 0; i < list->GetNumberOfIds(); ++i)
  {
    text << (i ? " " : "") << list->GetId(i);
  }
  return text.str();
}

// What differs first between two nodes, or an empty text.
std::string NodeDifference(vtkOBBNode* expected, vtkOBBNode* actual)
{
  if (!SameBits(expected->Corner, actual->Corner, 3))
  {
    return "corner";
  }
  if (!SameBits(&expected->Axes[0][0], &actual->Axes[0][0], 9))
  {
    return "axes";
  }
  if ((expected->Kids == nullptr) != (actual->Kids == nullptr))
  {
    return expected->Kids ? "no kids" : "kids";
  }
  if ((expected->Cells == nullptr) != (actual->Cells == nullptr))
  {
    return expected->Cells ? "no cell list" : "a cell list";
  }
  if (expected->Cells && Ids(expected->Cells) != Ids(actual->Cells))
  {
    return "cells " + Ids(actual->Cells) + " instead of " + Ids(expected->Cells);
  }
  return {};
}

// Walks both trees together; every node must match, with its parent pointing at the node it
// hangs from.
testing::AssertionResult SameTree(VtkTreeProbe* expected, FastTreeProbe* actual)
{
  if (actual->GetLevel() != expected->GetLevel() || actual->Boxes() != expected->Boxes())
  {
    return testing::AssertionFailure()
      << "level " << actual->GetLevel() << " and " << actual->Boxes() << " boxes instead of "
      << expected->GetLevel() << " and " << expected->Boxes();
  }
  if ((expected->Root() == nullptr) != (actual->Root() == nullptr))
  {
    return testing::AssertionFailure() << (actual->Root() ? "a tree" : "no tree");
  }
  struct Pair
  {
    vtkOBBNode* expected;
    vtkOBBNode* actual;
    vtkOBBNode* parent;
    std::string path;
  };
  std::vector<Pair> stack;
  if (expected->Root())
  {
    stack.push_back({ expected->Root(), actual->Root(), nullptr, "root" });
  }
  int nodes = 0;
  while (!stack.empty())
  {
    const Pair pair = stack.back();
    stack.pop_back();
    ++nodes;
    std::string difference = NodeDifference(pair.expected, pair.actual);
    if (difference.empty() && pair.actual->Parent != pair.parent)
    {
      difference = "parent";
    }
    if (!difference.empty())
    {
      return testing::AssertionFailure() << pair.path << ": " << difference;
    }
    if (pair.expected->Kids)
    {
      for (int k : { 1, 0 })
      {
        stack.push_back({ pair.expected->Kids[k], pair.actual->Kids[k], pair.actual,
          pair.path + "." + std::to_string(k) });
      }
    }
  }
  if (nodes != actual->Boxes())
  {
    return testing::AssertionFailure() << nodes << " nodes for " << actual->Boxes() << " boxes";
  }
  return testing::AssertionSuccess();
}

void ExpectSameTrees(vtkPolyData* mesh, const std::string& name,
  const std::vector<TreeSettings>& settingsList, const std::vector<int>& threadCounts)
{
  for (const TreeSettings& settings : settingsList)
  {
    const vtkSmartPointer<VtkTreeProbe> expected = Build<VtkTreeProbe>(mesh, settings);
    for (const int threads : threadCounts)
    {
      SCOPED_TRACE(name + ", tree as the " + settings.caller + " builds it, " +
        std::to_string(threads) + " threads");
      const vtkSmartPointer<FastTreeProbe> actual = BuildFast(mesh, settings, threads);
      EXPECT_TRUE(SameTree(expected, actual));
    }
  }
}

const std::vector<TreeSettings> kAllSettings(std::begin(kSettings), std::end(kSettings));
const std::vector<int> kThreadCounts{ 1, 2, 8 };

} // namespace

TEST(OBBTreeBuild, BuildsVtkOBBTreesTreeOnTheGeneratedJaws)
{
  const testsupport::SyntheticJaw small = testsupport::MakeSyntheticJaw();
  ExpectSameTrees(small.mesh, "small jaw", kAllSettings, kThreadCounts);

  const testsupport::SyntheticJaw placed = testsupport::MakeSyntheticJaw(
    testsupport::SmallJaw(), testsupport::RigidMotion(12.0, -8.0, 25.0, 3.0, -4.0, 6.0));
  ExpectSameTrees(placed.mesh, "tilted small jaw", kAllSettings, kThreadCounts);
  ExpectSameTrees(InDoublePrecision(placed.mesh, 1.0000001), "double-precision jaw",
    kAllSettings, kThreadCounts);
  ExpectSameTrees(
    InDoublePrecision(small.mesh, 300.0), "jaw 300 times as large", kAllSettings, kThreadCounts);

  // The full-size jaw once per thread count, with the finest tree.
  const testsupport::SyntheticJaw large = testsupport::MakeSyntheticJaw(testsupport::LargeJaw());
  ExpectSameTrees(large.mesh, "large jaw", { kCutLine }, kThreadCounts);
}

TEST(OBBTreeBuild, BuildsVtkOBBTreesTreeOnSmallAndDegenerateMeshes)
{
  std::vector<std::array<double, 3>> line;
  std::vector<std::array<int, 3>> lineCells;
  for (int i = 0; i < 40; ++i)
  {
    line.push_back({ 0.5 * i, 0.25 * i, -0.125 * i });
    if (i >= 2)
    {
      lineCells.push_back({ i - 2, i - 1, i });
    }
  }
  const struct
  {
    const char* name;
    vtkSmartPointer<vtkPolyData> mesh;
    // vtkMath::Jacobi warns about the matrix of a mesh without area.
    bool warns = false;
  } cases[] = {
    { "slivers and needles", Slivers() },
    { "flat grid", FlatGrid() },
    { "flat grid in double precision", InDoublePrecision(FlatGrid(), 1.0) },
    { "one triangle", Triangles({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 } }) },
    { "fewer triangles than a node holds",
      Triangles({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 1 }, { 2, 0, 1 } },
        { { 0, 1, 2 }, { 1, 3, 2 }, { 1, 4, 3 }, { 0, 4, 1 }, { 2, 3, 0 } }) },
    { "two coincident triangles",
      Triangles({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 }, { 2, 1, 0 } }) },
    // No area at all: vtkOBBTree's mean is 0 / 0.
    { "collinear triangles only", Triangles(line, lineCells), true },
  };
  for (const auto& c : cases)
  {
    vtkObject::SetGlobalWarningDisplay(!c.warns);
    ExpectSameTrees(c.mesh, c.name, kAllSettings, kThreadCounts);
    vtkObject::GlobalWarningDisplayOn();
  }
}

TEST(OBBTreeBuild, LeavesWhatVtkOBBTreeLeavesBesideTheNodes)
{
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();
  auto mesh = vtkSmartPointer<vtkPolyData>::New();
  mesh->DeepCopy(jaw.mesh);
  const vtkSmartPointer<FastTreeProbe> tree = BuildFast(mesh, kCutLine, 8);

  // Built after the data set's last change, so that BuildLocator and Update keep the tree.
  EXPECT_GT(tree->GetBuildTime(), mesh->GetMTime());
  EXPECT_GT(tree->GetBuildTime(), tree->GetMTime());
  vtkOBBNode* const root = tree->Root();
  tree->BuildLocator();
  tree->Update();
  EXPECT_EQ(tree->Root(), root);

  // A changed data set is built again, and the old tree is freed by vtkOBBTree's own code.
  treetest::MovePoints(mesh, 5, 0, 0.25);
  testsupport::WithSmpThreads(8, [&] { tree->BuildLocator(); });
  EXPECT_TRUE(SameTree(Build<VtkTreeProbe>(mesh, kCutLine), tree));

  // The representation is drawn from the same boxes.
  vtkNew<vtkPolyData> fastBoxes;
  vtkNew<vtkPolyData> vtkBoxes;
  tree->GenerateRepresentation(-1, fastBoxes);
  Build<VtkTreeProbe>(mesh, kCutLine)->GenerateRepresentation(-1, vtkBoxes);
  ASSERT_EQ(fastBoxes->GetNumberOfPoints(), vtkBoxes->GetNumberOfPoints());
  for (vtkIdType i = 0; i < fastBoxes->GetNumberOfPoints(); ++i)
  {
    ASSERT_TRUE(SameBits(fastBoxes->GetPoint(i), vtkBoxes->GetPoint(i), 3)) << "point " << i;
  }

  tree->FreeSearchStructure();
  EXPECT_EQ(tree->Root(), nullptr);
}

// The data sets that vtkOBBTree's own build handles give its tree, or none, as before.
TEST(OBBTreeBuild, LeavesOtherDataSetsToVtkOBBTree)
{
  // An empty data set: vtkOBBTree reports it and builds nothing.
  vtkNew<vtkPolyData> empty;
  empty->SetPoints(vtkNew<vtkPoints>());
  const auto emptyTree = BuildFast(empty, kCutLine, 8);
  EXPECT_EQ(emptyTree->Root(), nullptr);
  EXPECT_TRUE(SameTree(Build<VtkTreeProbe>(empty, kCutLine), emptyTree));

  // A quad among the triangles.
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();
  const vtkSmartPointer<vtkPolyData> mixed = treetest::WithAQuad(jaw.mesh);
  ASSERT_EQ(mixed->GetCellType(jaw.mesh->GetNumberOfCells()), VTK_QUAD);
  EXPECT_TRUE(SameTree(Build<VtkTreeProbe>(mixed, kCutLine), BuildFast(mixed, kCutLine, 8)));

  // No data set: an error instead of the null data set vtkOBBTree's own build reads.
  const auto none = vtkSmartPointer<FastTreeProbe>::New();
  none->BuildLocator();
  EXPECT_EQ(none->Root(), nullptr);
}

namespace
{

// A poly data that counts how its cells and points are read through vtkDataSet's interface.
class CountingPolyData : public vtkPolyData
{
public:
  static CountingPolyData* New() { VTK_STANDARD_NEW_BODY(CountingPolyData); }
  vtkTypeMacro(CountingPolyData, vtkPolyData);

  using vtkPolyData::GetCell;
  using vtkPolyData::GetCellPoints;
  using vtkPolyData::GetPoint;
  vtkCell* GetCell(vtkIdType cellId) override
  {
    ++cellReads;
    return this->vtkPolyData::GetCell(cellId);
  }
  void GetCell(vtkIdType cellId, vtkGenericCell* cell) override
  {
    ++cellReads;
    this->vtkPolyData::GetCell(cellId, cell);
  }
  void GetCellPoints(vtkIdType cellId, vtkIdList* ptIds) override
  {
    ++cellReads;
    this->vtkPolyData::GetCellPoints(cellId, ptIds);
  }
  void GetPoint(vtkIdType ptId, double x[3]) override
  {
    ++pointReads;
    this->vtkPolyData::GetPoint(ptId, x);
  }

  long long cellReads = 0;
  long long pointReads = 0;
};

} // namespace

// The tree above is VTK's own, so only the way it is built shows which build made it: the fast
// build reads every point once and no cell through a copy of its ids, where vtkOBBTree's
// build reads the cells of every node again at each level.
TEST(OBBTreeBuild, TheFastBuildReadsTheMeshOnce)
{
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();
  for (const bool base : { false, true })
  {
    SCOPED_TRACE(base ? "vtkOBBTree's own build" : "the fast build");
    vtkNew<CountingPolyData> mesh;
    mesh->DeepCopy(jaw.mesh);
    UseBaseOBBTreeBuild(base);
    const vtkSmartPointer<FastTreeProbe> tree = Build<FastTreeProbe>(mesh, kCutLine);
    UseBaseOBBTreeBuild(false);
    ASSERT_NE(tree->Root(), nullptr);
    const bool readOnce =
      mesh->cellReads == 0 && mesh->pointReads <= mesh->GetNumberOfPoints();
    EXPECT_EQ(readOnce, !base) << mesh->cellReads << " cell reads and " << mesh->pointReads
                               << " point reads for " << mesh->GetNumberOfCells()
                               << " cells and " << mesh->GetNumberOfPoints() << " points";
  }
}

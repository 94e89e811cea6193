// The groove cut: both methods' failures and console lines on small boxes, orientation and
// self-intersection repair, and the real cutter body on the generated jaw, checked against
// the volume of model and cutter in common.
#include "geometry/ExactMesh.h"
#include "geometry/MeshBooleanTool.h"
#include "tests/support/ConsoleCapture.h"
#include "tests/support/FixedBodies.h"
#include "tests/support/MeshChecks.h"
#include "tests/support/SyntheticJaw.h"

#include <CGAL/Polygon_mesh_processing/corefinement.h>
#include <CGAL/Polygon_mesh_processing/self_intersections.h>

#include <vtkAppendPolyData.h>
#include <vtkCellArray.h>
#include <vtkCleanPolyData.h>
#include <vtkCubeSource.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkReverseSense.h>
#include <vtkTriangleFilter.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using testsupport::ConsoleCapture;
using Lines = std::vector<std::string>;

namespace
{

using Method = bool (MeshBooleanTool::*)(vtkSmartPointer<vtkPolyData>&,
  const vtkSmartPointer<vtkPolyData>&, vtkSmartPointer<vtkPolyData>&) const;

struct NamedMethod
{
  const char* name;
  Method method;
};
const NamedMethod kMethods[] = {
  { "method 1", &MeshBooleanTool::CutGrooveMethod1 },
  { "method 2", &MeshBooleanTool::CutGrooveMethod2 },
};

// The six faces of an axis-aligned box as vtkCubeSource makes them: quads, outward, each
// with its own four points.
vtkSmartPointer<vtkPolyData> SeparateFaces(
  double x0, double x1, double y0, double y1, double z0, double z1)
{
  vtkNew<vtkCubeSource> cube;
  cube->SetBounds(x0, x1, y0, y1, z0, z1);
  cube->Update();
  auto box = vtkSmartPointer<vtkPolyData>::New();
  box->SetPoints(cube->GetOutput()->GetPoints());
  box->SetPolys(cube->GetOutput()->GetPolys());
  return box;
}

// A closed box of quads: the faces share their corners.
vtkSmartPointer<vtkPolyData> QuadBox(double x0, double x1, double y0, double y1, double z0, double z1)
{
  vtkNew<vtkCleanPolyData> merge;
  merge->SetInputData(SeparateFaces(x0, x1, y0, y1, z0, z1));
  merge->Update();
  auto box = vtkSmartPointer<vtkPolyData>::New();
  box->DeepCopy(merge->GetOutput());
  return box;
}

vtkSmartPointer<vtkPolyData> Box(double x0, double x1, double y0, double y1, double z0, double z1)
{
  vtkNew<vtkTriangleFilter> triangles;
  triangles->SetInputData(QuadBox(x0, x1, y0, y1, z0, z1));
  triangles->Update();
  auto box = vtkSmartPointer<vtkPolyData>::New();
  box->DeepCopy(triangles->GetOutput());
  return box;
}

vtkSmartPointer<vtkPolyData> Reversed(vtkPolyData* mesh)
{
  vtkNew<vtkReverseSense> reverse;
  reverse->SetInputData(mesh);
  reverse->ReverseCellsOn();
  reverse->ReverseNormalsOff();
  reverse->Update();
  auto reversed = vtkSmartPointer<vtkPolyData>::New();
  reversed->DeepCopy(reverse->GetOutput());
  return reversed;
}

// The model of most cases: the box [0, 4]^3 (volume 64); the cutter over its corner
// [3, 5] x [3, 5] x [-1, 2] takes 1 x 1 x 2 of it.
vtkSmartPointer<vtkPolyData> Model() { return Box(0, 4, 0, 4, 0, 4); }
vtkSmartPointer<vtkPolyData> CornerCutter() { return Box(3, 5, 3, 5, -1, 2); }
constexpr double kModelVolume = 64.0;
constexpr double kCornerVolume = 2.0;

// Lines of `all` that equal one of `wanted`, in their order in `all`.
Lines Only(const Lines& all, const Lines& wanted)
{
  Lines kept;
  std::copy_if(all.begin(), all.end(), std::back_inserter(kept), [&](const std::string& line) {
    return std::find(wanted.begin(), wanted.end(), line) != wanted.end();
  });
  return kept;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
  return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

TEST(CutGroove, FailsOnEitherBodyWithoutTriangles)
{
  auto lineOnly = vtkSmartPointer<vtkPolyData>::New();
  vtkNew<vtkPoints> points;
  points->InsertNextPoint(0, 0, 0);
  points->InsertNextPoint(1, 0, 0);
  vtkNew<vtkCellArray> line;
  const vtkIdType segment[2] = { 0, 1 };
  line->InsertNextCell(2, segment);
  lineOnly->SetPoints(points);
  lineOnly->SetLines(line);

  struct Case
  {
    const char* name;
    vtkSmartPointer<vtkPolyData> jaw;
    vtkSmartPointer<vtkPolyData> groove;
    Lines errTail;
  };
  // The empty cutter is what the window holds when "cross_2.2.stl" is missing.
  const Case cases[] = {
    { "model without triangles", lineOnly, CornerCutter(), { "错误: 转换后数据为空", "转换牙颌模型失败" } },
    { "null model", nullptr, CornerCutter(), { "错误: VTK PolyData为空", "转换牙颌模型失败" } },
    { "empty cutter", Model(), vtkSmartPointer<vtkPolyData>::New(),
      { "错误: VTK数据中没有点或多边形", "转换槽子模型失败" } },
  };
  for (const Case& c : cases)
  {
    for (const NamedMethod& m : kMethods)
    {
      SCOPED_TRACE(std::string(c.name) + ", " + m.name);
      vtkSmartPointer<vtkPolyData> jaw;
      if (c.jaw)
      {
        jaw = vtkSmartPointer<vtkPolyData>::New();
        jaw->DeepCopy(c.jaw);
      }
      auto out = vtkSmartPointer<vtkPolyData>::New();
      MeshBooleanTool tool;
      ConsoleCapture console;
      EXPECT_FALSE((tool.*m.method)(jaw, c.groove, out));
      const Lines err = console.ErrLines();
      ASSERT_GE(err.size(), 2u);
      EXPECT_EQ(Lines(err.end() - 2, err.end()), c.errTail);
      EXPECT_EQ(out->GetNumberOfPoints(), 0);
      EXPECT_EQ(out->GetNumberOfCells(), 0);
    }
  }
}

TEST(CutGroove, CutterThatMissesGivesTheModelBackAsTriangles)
{
  for (const NamedMethod& m : kMethods)
  {
    SCOPED_TRACE(m.name);
    // Quads: the method works on, and leaves in `jaw`, their triangulated copy.
    vtkSmartPointer<vtkPolyData> jaw = QuadBox(0, 4, 0, 4, 0, 4);
    auto out = vtkSmartPointer<vtkPolyData>::New();
    MeshBooleanTool tool;
    ConsoleCapture console;
    ASSERT_TRUE((tool.*m.method)(jaw, Box(10, 12, 0, 2, 0, 2), out));
    EXPECT_EQ(jaw->GetNumberOfPolys(), 12);
    EXPECT_EQ(jaw->GetPolys()->IsHomogeneous(), 3);
    EXPECT_EQ(out->GetNumberOfPolys(), 12);
    EXPECT_TRUE(testsupport::IsClosedOrientedManifold(out));
    EXPECT_NEAR(testsupport::SignedVolume(out), kModelVolume, 1e-9);
  }
}

TEST(CutGroove, CutterThatEnclosesTheModelLeavesNothing)
{
  for (const NamedMethod& m : kMethods)
  {
    SCOPED_TRACE(m.name);
    auto jaw = Model();
    auto out = vtkSmartPointer<vtkPolyData>::New();
    MeshBooleanTool tool;
    ConsoleCapture console;
    EXPECT_FALSE((tool.*m.method)(jaw, Box(-1, 5, -1, 5, -1, 5), out));
    const Lines outLines = console.OutLines();
    ASSERT_GE(outLines.size(), 2u);
    EXPECT_EQ(Lines(outLines.end() - 2, outLines.end()),
      (Lines{ "使用CGAL 6.1布尔运算...", "方法1失败，尝试替代方法..." }));
    EXPECT_EQ(console.ErrLines(), (Lines{ "所有CGAL 6.1布尔运算方法都失败", "转换回VTK失败" }));
    EXPECT_EQ(out->GetNumberOfCells(), 0);
  }
}

TEST(CutGroove, Method1LogsEveryStepOfASuccessfulCut)
{
  auto jaw = Model();
  auto out = vtkSmartPointer<vtkPolyData>::New();
  MeshBooleanTool tool;
  ConsoleCapture console;
  ASSERT_TRUE(tool.CutGrooveMethod1(jaw, CornerCutter(), out));

  Lines lines = console.OutLines();
  ASSERT_FALSE(lines.empty());
  const std::string last = lines.back();
  lines.pop_back();
  EXPECT_EQ(lines, (Lines{ "", "转换牙颌模型...", "VTK数据: 8 个顶点, 12 个多边形", "定向多边形汤...",
                     "转换为CGAL Surface_mesh...", "转换成功: 8 个顶点, 12 个面",
                     "after intersections: 8 个顶点, 12 个面", "检查模型方向...", "当前方向: 正向", "",
                     "转换槽子模型...", "VTK数据: 8 个顶点, 12 个多边形", "定向多边形汤...",
                     "转换为CGAL Surface_mesh...", "转换成功: 8 个顶点, 12 个面", "",
                     "尝试方法1: CGAL 6.1核心布尔运算...", "使用CGAL 6.1布尔运算...",
                     "corefine_and_compute_difference 成功" }));
  EXPECT_EQ(last,
    "转换到VTK: " + std::to_string(out->GetNumberOfPoints()) + " 个顶点, " +
      std::to_string(out->GetNumberOfPolys()) + " 个三角形");
  EXPECT_EQ(console.Err(), "");
  EXPECT_TRUE(testsupport::IsClosedOrientedManifold(out));
  EXPECT_NEAR(testsupport::SignedVolume(out), kModelVolume - kCornerVolume, 1e-9);
}

TEST(CutGroove, Method2RepairsInsteadOfCleaningAndOrienting)
{
  auto jaw = Model();
  auto out = vtkSmartPointer<vtkPolyData>::New();
  MeshBooleanTool tool;
  ConsoleCapture console;
  ASSERT_TRUE(tool.CutGrooveMethod2(jaw, CornerCutter(), out));
  Lines lines = console.OutLines();
  ASSERT_FALSE(lines.empty());
  lines.pop_back();
  EXPECT_EQ(lines, (Lines{ "", "转换牙颌模型...", "VTK数据: 8 个顶点, 12 个多边形", "定向多边形汤...",
                     "转换为CGAL Surface_mesh...", "转换成功: 8 个顶点, 12 个面", "", "转换槽子模型...",
                     "VTK数据: 8 个顶点, 12 个多边形", "定向多边形汤...", "转换为CGAL Surface_mesh...",
                     "转换成功: 8 个顶点, 12 个面", "", "尝试方法1: CGAL 6.1核心布尔运算...",
                     "使用CGAL 6.1布尔运算...", "corefine_and_compute_difference 成功" }));
  EXPECT_NEAR(testsupport::SignedVolume(out), kModelVolume - kCornerVolume, 1e-9);
}

TEST(CutGroove, Method1TurnsAnInwardModelOutwardBeforeCutting)
{
  auto jaw = Reversed(Model());
  ASSERT_LT(testsupport::SignedVolume(jaw), 0.0);
  auto out = vtkSmartPointer<vtkPolyData>::New();
  MeshBooleanTool tool;
  ConsoleCapture console;
  ASSERT_TRUE(tool.CutGrooveMethod1(jaw, CornerCutter(), out));
  const Lines orientation = { "检查模型方向...", "当前方向: 正向", "当前方向: 反向", "反转模型方向...",
    "反转后方向: 正向", "反转后方向: 反向" };
  EXPECT_EQ(Only(console.OutLines(), orientation),
    (Lines{ "检查模型方向...", "当前方向: 反向", "反转模型方向...", "反转后方向: 正向" }));
  EXPECT_TRUE(testsupport::IsClosedOrientedManifold(out));
  EXPECT_NEAR(testsupport::SignedVolume(out), kModelVolume - kCornerVolume, 1e-9);
}

TEST(RepairSelfIntersections, LeavesACleanMeshAndRefinesACrossingOne)
{
  MeshBooleanTool tool;
  ConsoleCapture console;

  MeshBooleanTool::ExactMesh clean;
  ASSERT_TRUE(tool.VtkToCgal(Model(), clean));
  EXPECT_TRUE(tool.RepairSelfIntersections(clean));
  EXPECT_EQ(clean.surface.number_of_faces(), 12u);
  EXPECT_EQ(clean.surface.num_faces(), 12u);

  // Two boxes through each other in one mesh.
  vtkNew<vtkAppendPolyData> both;
  both->AddInputData(Model());
  both->AddInputData(Box(2, 6, 1, 3, 1, 3));
  both->Update();
  MeshBooleanTool::ExactMesh crossing;
  ASSERT_TRUE(tool.VtkToCgal(both->GetOutput(), crossing));
  ASSERT_TRUE(CGAL::Polygon_mesh_processing::does_self_intersect(crossing.surface));
  const std::string before = console.Out();
  EXPECT_TRUE(tool.RepairSelfIntersections(crossing));
  // Split along the two boxes' crossing, and quiet.
  EXPECT_GT(crossing.surface.number_of_faces(), 24u);
  EXPECT_EQ(console.Out(), before);
}

TEST(CutGroove, Method2ReturnsOnASelfIntersectingModel)
{
  vtkNew<vtkAppendPolyData> both;
  both->AddInputData(Model());
  both->AddInputData(Box(2, 6, 1, 3, 1, 3));
  both->Update();
  vtkSmartPointer<vtkPolyData> jaw = both->GetOutput();
  auto out = vtkSmartPointer<vtkPolyData>::New();
  MeshBooleanTool tool;
  ConsoleCapture console;
  // Whether the difference succeeds on such a model is the library's matter; the call ends.
  (void)tool.CutGrooveMethod2(jaw, CornerCutter(), out);
  EXPECT_NE(console.Out().find("尝试方法1: CGAL 6.1核心布尔运算..."), std::string::npos);
}

TEST(CutGroove, LibraryErrorsFailTheMethodInsteadOfEndingTheProgram)
{
  // A corrupt file's non-finite coordinate has no exact value.
  auto notFinite = Model();
  notFinite->GetPoints()->SetPoint(0, std::numeric_limits<double>::quiet_NaN(), 0.0, 0.0);
  // Six faces that meet only geometrically (as an STL read without merging points gives
  // them): the refinement meets edges lying along edges, a case it does not handle.
  auto unmerged = SeparateFaces(0, 4, 0, 4, 0, 4);
  struct Case
  {
    const char* name;
    vtkPolyData* model;
    NamedMethod method;
    Lines errPrefixes; // the last lines of standard error begin with these
  };
  const Case cases[] = {
    { "non-finite point", notFinite, kMethods[0], { "错误: 转换为Surface_mesh失败: ", "转换牙颌模型失败" } },
    { "non-finite point", notFinite, kMethods[1], { "错误: 转换为Surface_mesh失败: ", "转换牙颌模型失败" } },
    { "unmerged faces", unmerged, kMethods[1], { "自相交修复失败: " } },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(std::string(c.name) + ", " + c.method.name);
    auto jaw = vtkSmartPointer<vtkPolyData>::New();
    jaw->DeepCopy(c.model);
    auto out = vtkSmartPointer<vtkPolyData>::New();
    MeshBooleanTool tool;
    ConsoleCapture console;
    EXPECT_FALSE((tool.*c.method.method)(jaw, CornerCutter(), out));
    const Lines err = console.ErrLines();
    ASSERT_GE(err.size(), c.errPrefixes.size()) << console.Err();
    const size_t first = err.size() - c.errPrefixes.size();
    for (size_t k = 0; k < c.errPrefixes.size(); ++k)
    {
      EXPECT_TRUE(StartsWith(err[first + k], c.errPrefixes[k])) << console.Err();
    }
    EXPECT_EQ(out->GetNumberOfCells(), 0);
  }
}

namespace
{

// Volume of the generated jaw inside the cutter's cross-section in its base, from the jaw's
// shape: at the front, in a plane y = const, the jaw's section at height z spans the radii
// R - w(z) to R + w(z) around the front arc's centre, w(z) = 5.5 - 0.8 z / 16. Integrated
// over the cutter's T above z = 0 (stem |x| <= 1.1 up to z = 2.3, head |x| <= 2.5 up to 4.7).
double ExpectedSlotVolume()
{
  const testsupport::JawShape shape = testsupport::SmallJaw();
  auto chord = [&](double x, double z) {
    const double w = 0.5 * shape.sectionWidth - shape.wallTaper * z / shape.shoulderHeight;
    const double outer = shape.frontRadius + w;
    const double inner = shape.frontRadius - w;
    return std::sqrt(outer * outer - x * x) - std::sqrt(inner * inner - x * x);
  };
  auto integrate = [&](double halfWidth, double z0, double z1) {
    const int n = 400;
    const double dx = 2.0 * halfWidth / n;
    const double dz = (z1 - z0) / n;
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
    {
      for (int k = 0; k < n; ++k)
      {
        sum += chord(-halfWidth + (i + 0.5) * dx, z0 + (k + 0.5) * dz);
      }
    }
    return sum * dx * dz;
  };
  return integrate(1.1, 0.0, 2.3) + integrate(2.5, 2.3, 4.7);
}

double IntersectionVolume(vtkPolyData* a, vtkPolyData* b)
{
  MeshBooleanTool tool;
  ConsoleCapture quiet;
  MeshBooleanTool::ExactMesh ma;
  MeshBooleanTool::ExactMesh mb;
  MeshBooleanTool::ExactMesh common;
  EXPECT_TRUE(tool.VtkToCgal(a, ma));
  EXPECT_TRUE(tool.VtkToCgal(b, mb));
  EXPECT_TRUE(CGAL::Polygon_mesh_processing::corefine_and_compute_intersection(
    ma.surface, mb.surface, common.surface));
  auto result = vtkSmartPointer<vtkPolyData>::New();
  tool.CgalToVtk(common, result);
  return testsupport::SignedVolume(result);
}

} // namespace

TEST(CutGroove, CutsTheTSlotIntoTheJawBase)
{
  const auto cutter = testsupport::ReadFixedBody("cross_2.2.stl");
  ASSERT_GT(cutter->GetNumberOfCells(), 0) << testsupport::FixedBodyPath("cross_2.2.stl");
  const auto model = testsupport::MakeSyntheticJaw().mesh;
  const double modelVolume = testsupport::SignedVolume(model);
  const double removed = IntersectionVolume(model, cutter);

  auto jaw = vtkSmartPointer<vtkPolyData>::New();
  jaw->DeepCopy(model);
  auto out = vtkSmartPointer<vtkPolyData>::New();
  MeshBooleanTool tool;
  {
    ConsoleCapture console;
    ASSERT_TRUE(tool.CutGrooveMethod1(jaw, cutter, out)) << console.Err();
  }
  EXPECT_TRUE(testsupport::IsClosedOrientedManifold(out));
  EXPECT_NEAR(testsupport::SignedVolume(out), modelVolume - removed, 1e-5 * modelVolume);
  // The slot is the designed one: the T's section through the front of the arch.
  EXPECT_NEAR(removed, ExpectedSlotVolume(), 0.01 * removed);

  // Method 2 on the jaw that method 1 left triangulated cuts the same slot.
  auto again = vtkSmartPointer<vtkPolyData>::New();
  {
    ConsoleCapture console;
    ASSERT_TRUE(tool.CutGrooveMethod2(jaw, cutter, again)) << console.Err();
  }
  EXPECT_EQ(again->GetNumberOfPolys(), out->GetNumberOfPolys());
  EXPECT_NEAR(testsupport::SignedVolume(again), testsupport::SignedVolume(out), 1e-9 * modelVolume);
}

// Conversion between VTK triangle meshes and exact meshes: what is refused, what is skipped,
// how the soup is oriented, and what is written back.
#include "geometry/ExactMesh.h"
#include "geometry/MeshBooleanTool.h"
#include "tests/support/ConsoleCapture.h"
#include "tests/support/MeshChecks.h"
#include "tests/support/SyntheticJaw.h"

#include <CGAL/Polygon_mesh_processing/orient_polygon_soup.h>
#include <CGAL/Polygon_mesh_processing/polygon_soup_to_polygon_mesh.h>
#include <CGAL/boost/graph/Euler_operations.h>
#include <CGAL/boost/graph/helpers.h>

#include <vtkCellArray.h>
#include <vtkIdList.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

using testsupport::ConsoleCapture;
using Lines = std::vector<std::string>;

namespace
{

struct Xyz
{
  double x, y, z;
};

// A polydata of the given points and polygon cells (null `points` leaves it without points).
vtkSmartPointer<vtkPolyData> PolyData(
  std::initializer_list<Xyz> points, std::initializer_list<std::vector<vtkIdType>> polys)
{
  auto data = vtkSmartPointer<vtkPolyData>::New();
  vtkNew<vtkPoints> pts;
  for (const Xyz& p : points)
  {
    pts->InsertNextPoint(p.x, p.y, p.z);
  }
  vtkNew<vtkCellArray> cells;
  for (const auto& ids : polys)
  {
    cells->InsertNextCell(static_cast<vtkIdType>(ids.size()), ids.data());
  }
  data->SetPoints(pts);
  data->SetPolys(cells);
  return data;
}

// The polygon cells, each turned to start at its smallest point id.
std::vector<std::vector<vtkIdType>> Cells(vtkPolyData* data)
{
  std::vector<std::vector<vtkIdType>> cells;
  vtkNew<vtkIdList> ids;
  vtkCellArray* polys = data->GetPolys();
  for (polys->InitTraversal(); polys->GetNextCell(ids);)
  {
    std::vector<vtkIdType> cell(ids->begin(), ids->end());
    std::rotate(cell.begin(), std::min_element(cell.begin(), cell.end()), cell.end());
    cells.push_back(cell);
  }
  return cells;
}

} // namespace

TEST(VtkToCgal, RefusesInputWithoutTriangles)
{
  auto noPoints = vtkSmartPointer<vtkPolyData>::New();
  auto onlyLine = PolyData({ { 0, 0, 0 }, { 1, 0, 0 } }, {});
  vtkNew<vtkCellArray> line;
  const vtkIdType segment[2] = { 0, 1 };
  line->InsertNextCell(2, segment);
  onlyLine->SetLines(line);
  auto quads = PolyData({ { 0, 0, 0 }, { 1, 0, 0 }, { 1, 1, 0 }, { 0, 1, 0 }, { 2, 0, 0 }, { 2, 1, 0 } },
    { { 0, 1, 2, 3 }, { 1, 4, 5, 2 } });

  struct Case
  {
    const char* name;
    vtkPolyData* source;
    Lines err;
  };
  const Case cases[] = {
    { "null source", nullptr, { "错误: VTK PolyData为空" } },
    { "no points", noPoints, { "错误: VTK数据中没有点或多边形" } },
    { "points and a line only", onlyLine, { "错误: 转换后数据为空" } },
    { "quads only", quads,
      { "警告: 发现非三角形多边形 (4 边)", "警告: 发现非三角形多边形 (4 边)", "错误: 转换后数据为空" } },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    MeshBooleanTool tool;
    MeshBooleanTool::ExactMesh mesh;
    ConsoleCapture console;
    EXPECT_FALSE(tool.VtkToCgal(c.source, mesh));
    EXPECT_EQ(console.ErrLines(), c.err);
    EXPECT_TRUE(mesh.surface.is_empty());
  }
}

TEST(VtkToCgal, OrientsNeighboursThatDisagree)
{
  // Two triangles over the shared edge 1-2, the second running it the same way as the first.
  auto source = PolyData({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 1, 1, 0 } }, { { 0, 1, 2 }, { 1, 2, 3 } });
  MeshBooleanTool tool;
  MeshBooleanTool::ExactMesh mesh;
  ConsoleCapture console;
  ASSERT_TRUE(tool.VtkToCgal(source, mesh));

  EXPECT_EQ(console.OutLines(), (Lines{ "VTK数据: 4 个顶点, 2 个多边形", "定向多边形汤...",
                                  "转换为CGAL Surface_mesh...", "转换成功: 4 个顶点, 2 个面" }));
  EXPECT_EQ(console.Err(), "");
  // One shared interior edge: both faces were added, with compatible orientations.
  const ExactSurfaceMesh& sm = mesh.surface;
  ASSERT_EQ(sm.number_of_faces(), 2u);
  int interior = 0;
  for (auto e : sm.edges())
  {
    interior += CGAL::is_border(e, sm) ? 0 : 1;
  }
  EXPECT_EQ(interior, 1);
}

TEST(VtkToCgal, BuildsTheMeshTheLibraryBuildsFromTheOrientedSoup)
{
  struct Case
  {
    const char* name;
    std::vector<Xyz> points;
    std::vector<std::vector<std::size_t>> triangles;
  };
  const std::vector<Xyz> six = { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { -1, 0, 0 }, { 0, -1, 0 },
    { 0, 0, 1 } };
  const std::vector<Xyz> twoTetrahedra = { { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 },
    { -1, 0, 0 }, { 0, -1, 0 }, { 0, 0, -1 } };
  const Case cases[] = {
    { "open fan, consistent", six, { { 0, 1, 2 }, { 0, 2, 3 }, { 0, 3, 4 } } },
    { "open fan, one reversed", six, { { 0, 1, 2 }, { 0, 3, 2 }, { 0, 3, 4 } } },
    { "closed tetrahedron", six, { { 0, 2, 1 }, { 0, 1, 5 }, { 1, 2, 5 }, { 0, 5, 2 } } },
    { "two fans at one vertex", six, { { 0, 1, 2 }, { 0, 3, 4 } } },
    { "three triangles on one edge", six, { { 0, 1, 2 }, { 1, 0, 3 }, { 0, 1, 5 } } },
    { "two tetrahedra at one vertex", twoTetrahedra,
      { { 0, 2, 1 }, { 0, 1, 3 }, { 1, 2, 3 }, { 0, 3, 2 }, { 0, 4, 5 }, { 0, 6, 4 }, { 0, 5, 6 },
        { 4, 6, 5 } } },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    auto source = vtkSmartPointer<vtkPolyData>::New();
    vtkNew<vtkPoints> points;
    std::vector<ExactPoint> soupPoints;
    for (const Xyz& p : c.points)
    {
      points->InsertNextPoint(p.x, p.y, p.z);
      soupPoints.emplace_back(p.x, p.y, p.z);
    }
    vtkNew<vtkCellArray> cells;
    for (const auto& t : c.triangles)
    {
      const vtkIdType ids[3] = { static_cast<vtkIdType>(t[0]), static_cast<vtkIdType>(t[1]),
        static_cast<vtkIdType>(t[2]) };
      cells->InsertNextCell(3, ids);
    }
    source->SetPoints(points);
    source->SetPolys(cells);

    // What the library makes of the soup.
    auto soup = c.triangles;
    CGAL::Polygon_mesh_processing::orient_polygon_soup(soupPoints, soup);
    ASSERT_TRUE(CGAL::Polygon_mesh_processing::is_polygon_soup_a_polygon_mesh(soup));
    ExactSurfaceMesh expected;
    CGAL::Polygon_mesh_processing::polygon_soup_to_polygon_mesh(soupPoints, soup, expected);

    MeshBooleanTool tool;
    MeshBooleanTool::ExactMesh mesh;
    ConsoleCapture console;
    ASSERT_TRUE(tool.VtkToCgal(source, mesh));
    EXPECT_EQ(console.Err(), "");
    const ExactSurfaceMesh& sm = mesh.surface;
    EXPECT_EQ(sm.number_of_vertices(), expected.number_of_vertices());
    EXPECT_EQ(sm.number_of_faces(), expected.number_of_faces());
    EXPECT_EQ(sm.number_of_edges(), expected.number_of_edges());
    EXPECT_EQ(CGAL::is_closed(sm), CGAL::is_closed(expected));
    EXPECT_TRUE(sm.is_valid(false));
  }
}

TEST(VtkToCgal, SkipsOtherCellsAndConvertsTheTriangles)
{
  // A closed tetrahedron plus a quad on unused points: one warning, the tetrahedron converts.
  auto source = PolyData({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 }, { 5, 5, 5 }, { 6, 5, 5 },
                           { 6, 6, 5 }, { 5, 6, 5 } },
    { { 0, 2, 1 }, { 0, 1, 3 }, { 4, 5, 6, 7 }, { 1, 2, 3 }, { 0, 3, 2 } });
  MeshBooleanTool tool;
  MeshBooleanTool::ExactMesh mesh;
  ConsoleCapture console;
  ASSERT_TRUE(tool.VtkToCgal(source, mesh));
  EXPECT_EQ(console.ErrLines(), (Lines{ "警告: 发现非三角形多边形 (4 边)" }));
  // Unused points are converted too: the point list follows the VTK point ids.
  EXPECT_EQ(console.OutLines().front(), "VTK数据: 8 个顶点, 5 个多边形");
  EXPECT_EQ(console.OutLines().back(), "转换成功: 8 个顶点, 4 个面");
  EXPECT_TRUE(CGAL::is_closed(mesh.surface));
}

TEST(VtkToCgal, ReportsAnInvalidSoupAndLetsTheLibraryDecide)
{
  // A collapsed triangle (a point used twice) beside a good one: no polygon mesh, even after
  // orientation. The library refuses to build a mesh from it, and that is reported.
  auto source = PolyData({ { 0, 0, 0 }, { 1, 0, 0 }, { 0, 1, 0 } }, { { 0, 1, 2 }, { 0, 0, 1 } });
  MeshBooleanTool tool;
  MeshBooleanTool::ExactMesh mesh;
  ConsoleCapture console;
  EXPECT_FALSE(tool.VtkToCgal(source, mesh));
  const Lines err = console.ErrLines();
  ASSERT_EQ(err.size(), 2u) << console.Err();
  EXPECT_EQ(err[0], "错误：非法拓扑");
  EXPECT_EQ(err[1].rfind("错误: 转换为Surface_mesh失败: ", 0), 0u) << err[1];
}

TEST(CgalToVtk, RefusesANullTarget)
{
  MeshBooleanTool tool;
  MeshBooleanTool::ExactMesh mesh;
  ConsoleCapture console;
  EXPECT_FALSE(tool.CgalToVtk(mesh, nullptr));
  EXPECT_EQ(console.ErrLines(), (Lines{ "错误: 输出VTK PolyData为空" }));
}

TEST(CgalToVtk, WritesLiveTrianglesNumberedWithoutGaps)
{
  MeshBooleanTool::ExactMesh mesh;
  ExactSurfaceMesh& sm = mesh.surface;
  // A triangle that is removed again, then a tetrahedron, then a quad.
  auto v0 = sm.add_vertex(ExactPoint(9, 9, 9));
  auto v1 = sm.add_vertex(ExactPoint(10, 9, 9));
  auto v2 = sm.add_vertex(ExactPoint(9, 10, 9));
  auto doomed = CGAL::Euler::add_face(std::vector<ExactSurfaceMesh::Vertex_index>{ v0, v1, v2 }, sm);
  auto a = sm.add_vertex(ExactPoint(0.1, 0, 0));
  auto b = sm.add_vertex(ExactPoint(1, 0, 0));
  auto c = sm.add_vertex(ExactPoint(0, 1, 0));
  auto d = sm.add_vertex(ExactPoint(0, 0, 1));
  for (const auto& face : std::vector<std::vector<ExactSurfaceMesh::Vertex_index>>{
         { a, c, b }, { a, b, d }, { b, c, d }, { a, d, c } })
  {
    CGAL::Euler::add_face(face, sm);
  }
  std::vector<ExactSurfaceMesh::Vertex_index> quad;
  for (const Xyz& p : { Xyz{ 5, 0, 0 }, Xyz{ 6, 0, 0 }, Xyz{ 6, 1, 0 }, Xyz{ 5, 1, 0 } })
  {
    quad.push_back(sm.add_vertex(ExactPoint(p.x, p.y, p.z)));
  }
  CGAL::Euler::add_face(quad, sm);
  CGAL::Euler::remove_face(sm.halfedge(doomed), sm); // also removes its three vertices
  ASSERT_EQ(sm.number_of_removed_vertices(), 3u);

  auto target = PolyData({ { 7, 7, 7 } }, { { 0, 0, 0 } });
  MeshBooleanTool tool;
  ConsoleCapture console;
  ASSERT_TRUE(tool.CgalToVtk(mesh, target));

  EXPECT_EQ(console.ErrLines(), (Lines{ "警告: 发现非三角形面 (4 边)" }));
  // Eight live points; six face entries, the removed triangle and the quad counted too.
  EXPECT_EQ(console.OutLines(), (Lines{ "转换到VTK: 8 个顶点, 6 个三角形" }));
  ASSERT_EQ(target->GetNumberOfPoints(), 8);
  EXPECT_EQ(Cells(target),
    (std::vector<std::vector<vtkIdType>>{ { 0, 2, 1 }, { 0, 1, 3 }, { 1, 2, 3 }, { 0, 3, 2 } }));
  double p[3];
  target->GetPoint(0, p);
  // Single-precision points.
  EXPECT_EQ(p[0], static_cast<double>(0.1f));
  EXPECT_NE(p[0], 0.1);
}

TEST(MeshConversion, RoundTripKeepsTheJaw)
{
  const auto jaw = testsupport::MakeSyntheticJaw();
  MeshBooleanTool tool;
  MeshBooleanTool::ExactMesh mesh;
  auto back = vtkSmartPointer<vtkPolyData>::New();
  {
    ConsoleCapture console;
    ASSERT_TRUE(tool.VtkToCgal(jaw.mesh, mesh));
    ASSERT_TRUE(tool.CgalToVtk(mesh, back));
  }
  EXPECT_EQ(back->GetNumberOfPoints(), jaw.mesh->GetNumberOfPoints());
  EXPECT_EQ(back->GetNumberOfPolys(), jaw.mesh->GetNumberOfPolys());
  EXPECT_TRUE(testsupport::IsClosedOrientedManifold(back));
  EXPECT_NEAR(testsupport::SignedVolume(back), testsupport::SignedVolume(jaw.mesh),
    1e-6 * testsupport::SignedVolume(jaw.mesh));
}

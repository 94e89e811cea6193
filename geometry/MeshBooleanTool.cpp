// The groove cut on exact meshes: VTK <-> exact mesh conversion, cleaning, orientation,
// self-intersection refinement and the corefinement difference. The only file of the program
// that compiles CGAL.
#include "geometry/MeshBooleanTool.h"
#include "geometry/ExactMesh.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/corefinement.h>
#include <CGAL/Polygon_mesh_processing/orient_polygon_soup.h>
#include <CGAL/Polygon_mesh_processing/orientation.h>
#include <CGAL/Polygon_mesh_processing/polygon_mesh_to_polygon_soup.h>
#include <CGAL/Polygon_mesh_processing/polygon_soup_to_polygon_mesh.h>
#include <CGAL/Polygon_mesh_processing/repair.h>
#include <CGAL/Polygon_mesh_processing/repair_degeneracies.h>
#include <CGAL/Polygon_mesh_processing/self_intersections.h>
#include <CGAL/Polygon_mesh_processing/triangulate_faces.h>
#include <CGAL/box_intersection_d.h>
#include <CGAL/intersections.h>

#include <boost/iterator/function_output_iterator.hpp>

#include <vtkCellArray.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTriangleFilter.h>

#include <algorithm>
#include <array>
#include <exception>
#include <iostream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace PMP = CGAL::Polygon_mesh_processing;

namespace
{

using Polygon = std::vector<std::size_t>;

// Most pairs of crossing triangles a model may have for the refinement to be tried. The
// refinement leaves a copy of each crossing point on either side, which every later pass and
// the difference meet again; their cost grows faster than the number of crossings (300 pairs
// take seconds, 600 about half a minute, two overlapping shells of a whole jaw with 2,500 pairs
// many minutes, all on the window's thread).
constexpr std::size_t kMaxCrossingPairs = 500;

// An exception's text on one console line (CGAL's own span several).
std::string OneLine(const std::exception& e)
{
  std::string text = e.what();
  while (!text.empty() && text.back() == '\n')
  {
    text.pop_back();
  }
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

// Runs `step`; an exception from the library becomes a false result and one line on
// standard error, so that a bad mesh never ends the program.
template <class Step>
bool Guarded(const char* message, Step step)
{
  try
  {
    return step();
  }
  catch (const std::exception& e)
  {
    std::cerr << message << OneLine(e) << std::endl;
    return false;
  }
}

const char* Direction(bool outward)
{
  return outward ? "正向" : "反向";
}

// True when the triangle soup already is a consistently oriented polygon mesh: every triangle
// has three different corners, no two triangles run an edge the same way (so an edge has at
// most two triangles, and two of them run it oppositely), and the triangles around each
// vertex form a single fan. Orienting such a soup changes nothing, and it is a polygon mesh,
// so the library's orientation and check (which cost far more on large scans) can be skipped.
bool IsOrientedTriangleMesh(std::size_t pointCount, const std::vector<Polygon>& triangles)
{
  std::vector<std::pair<std::size_t, std::size_t>> edges;
  edges.reserve(3 * triangles.size());
  std::vector<std::size_t> offset(pointCount + 1, 0);
  for (const Polygon& t : triangles)
  {
    if (t[0] == t[1] || t[1] == t[2] || t[2] == t[0])
    {
      return false;
    }
    for (int k = 0; k < 3; ++k)
    {
      edges.emplace_back(t[k], t[(k + 1) % 3]);
      ++offset[t[k] + 1];
    }
  }
  std::sort(edges.begin(), edges.end());
  if (std::adjacent_find(edges.begin(), edges.end()) != edges.end())
  {
    return false;
  }

  // The link of each vertex v: for a triangle (v, a, b) the link edge a -> b. With every
  // directed edge used once, a link is a set of disjoint chains and cycles; the vertex is a
  // single fan when walking from a chain's start (or anywhere on a cycle) covers all of it.
  for (std::size_t v = 0; v < pointCount; ++v)
  {
    offset[v + 1] += offset[v];
  }
  std::vector<std::size_t> fill(offset.begin(), offset.end() - 1);
  std::vector<std::pair<std::size_t, std::size_t>> link(3 * triangles.size());
  for (const Polygon& t : triangles)
  {
    for (int k = 0; k < 3; ++k)
    {
      link[fill[t[k]]++] = { t[(k + 1) % 3], t[(k + 2) % 3] };
    }
  }
  std::vector<std::size_t> targets;
  for (std::size_t v = 0; v < pointCount; ++v)
  {
    const auto first = link.begin() + static_cast<std::ptrdiff_t>(offset[v]);
    const auto last = link.begin() + static_cast<std::ptrdiff_t>(offset[v + 1]);
    if (first == last)
    {
      continue;
    }
    std::sort(first, last);
    targets.clear();
    std::transform(first, last, std::back_inserter(targets), [](const auto& e) { return e.second; });
    std::sort(targets.begin(), targets.end());
    auto start = std::find_if(first, last, [&](const auto& e) {
      return !std::binary_search(targets.begin(), targets.end(), e.first);
    });
    if (start == last)
    {
      start = first;
    }
    std::ptrdiff_t walked = 0;
    for (auto e = start; e != last;)
    {
      ++walked;
      const std::size_t next = e->second;
      if (next == start->first)
      {
        break;
      }
      e = std::lower_bound(first, last, std::make_pair(next, std::size_t{ 0 }));
      if (e != last && e->first != next)
      {
        e = last;
      }
    }
    if (walked != last - first)
    {
      return false;
    }
  }
  return true;
}

// CGAL 5.5 refines a triangle mesh (experimental::autorefine) rather than a soup: the soup
// goes through a mesh and back. The refined mesh keeps a separate copy of each intersection
// point for each side of a crossing, and so does the soup made from it, which therefore
// converts back into a mesh. Copies that touch still count as intersecting, though: a mesh
// that crossed itself still self-intersects after the refinement, and refining it again
// changes nothing. The repair's later passes thus find the same crossings and redo the same
// work until its bound on the passes ends it. (Where edges lie along edges the refinement
// throws instead.)
void AutorefineTriangleSoup(std::vector<ExactPoint>& points, std::vector<Polygon>& polygons)
{
  ExactSurfaceMesh mesh;
  PMP::polygon_soup_to_polygon_mesh(points, polygons, mesh);
  PMP::experimental::autorefine(mesh);
  points.clear();
  polygons.clear();
  PMP::polygon_mesh_to_polygon_soup(mesh, points, polygons);
}

// The live vertices and faces of `mesh` as a soup, in index order.
void MeshToSoup(
  const ExactSurfaceMesh& mesh, std::vector<ExactPoint>& points, std::vector<Polygon>& polygons)
{
  std::vector<std::size_t> position(mesh.num_vertices(), 0);
  points.reserve(mesh.number_of_vertices());
  for (ExactSurfaceMesh::Vertex_index v : mesh.vertices())
  {
    position[v] = points.size();
    points.push_back(mesh.point(v));
  }
  polygons.reserve(mesh.number_of_faces());
  for (ExactSurfaceMesh::Face_index f : mesh.faces())
  {
    Polygon polygon;
    for (ExactSurfaceMesh::Vertex_index v : CGAL::vertices_around_face(mesh.halfedge(f), mesh))
    {
      polygon.push_back(position[v]);
    }
    polygons.push_back(std::move(polygon));
  }
}

// Steps both methods start with: triangulate `jaw` in place and convert it.
bool ConvertModel(const MeshBooleanTool& tool, vtkSmartPointer<vtkPolyData>& jaw,
  MeshBooleanTool::ExactMesh& jawMesh)
{
  if (jaw)
  {
    vtkNew<vtkTriangleFilter> triangles;
    triangles->SetInputData(jaw);
    triangles->Update();
    jaw->DeepCopy(triangles->GetOutput());
  }
  std::cout << "\n转换牙颌模型..." << std::endl;
  if (!tool.VtkToCgal(jaw, jawMesh))
  {
    std::cerr << "转换牙颌模型失败" << std::endl;
    return false;
  }
  return true;
}

// Steps both methods end with: convert the cutter body, subtract it, convert the result back.
bool SubtractGroove(const MeshBooleanTool& tool, MeshBooleanTool::ExactMesh& jawMesh,
  const vtkSmartPointer<vtkPolyData>& groove, vtkSmartPointer<vtkPolyData>& out)
{
  MeshBooleanTool::ExactMesh grooveMesh;
  std::cout << "\n转换槽子模型..." << std::endl;
  if (!tool.VtkToCgal(groove, grooveMesh))
  {
    std::cerr << "转换槽子模型失败" << std::endl;
    return false;
  }
  std::cout << "\n尝试方法1: CGAL 6.1核心布尔运算..." << std::endl;
  MeshBooleanTool::ExactMesh resultMesh;
  if (tool.BooleanDifference(jawMesh, grooveMesh, resultMesh) && tool.CgalToVtk(resultMesh, out))
  {
    return true;
  }
  std::cerr << "转换回VTK失败" << std::endl;
  return false;
}

// A whole method: the common start, the method's own preparation of the model (false stops
// the method), the common end; a library exception fails the method.
template <class Prepare>
bool CutGroove(const MeshBooleanTool& tool, vtkSmartPointer<vtkPolyData>& jaw,
  const vtkSmartPointer<vtkPolyData>& groove, vtkSmartPointer<vtkPolyData>& out, Prepare prepare)
{
  return Guarded("开槽计算失败: ", [&] {
    MeshBooleanTool::ExactMesh jawMesh;
    return ConvertModel(tool, jaw, jawMesh) && prepare(jawMesh) &&
      SubtractGroove(tool, jawMesh, groove, out);
  });
}

// The cutter's placement is told on the stored coordinates with exact predicates only.
using InexactKernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Triangle = InexactKernel::Triangle_3;

bool Contains(const CGAL::Bbox_3& outer, const CGAL::Bbox_3& inner)
{
  for (int k = 0; k < 3; ++k)
  {
    if (inner.min(k) < outer.min(k) || inner.max(k) > outer.max(k))
    {
      return false;
    }
  }
  return true;
}

// The triangles of the poly data's polygons as stored, and the bounds of them all; with
// `near`, only the triangles whose bounds meet it are kept. False when the poly data holds a
// strip or a polygon that is not a triangle (the methods triangulate or skip those), or no
// triangle at all.
bool ReadTriangles(vtkPolyData* mesh, const CGAL::Bbox_3* near, std::vector<Triangle>& triangles,
  CGAL::Bbox_3& bounds)
{
  if (!mesh || !mesh->GetPoints() || mesh->GetNumberOfStrips() > 0 || mesh->GetNumberOfPolys() == 0)
  {
    return false;
  }
  const auto point = [mesh](vtkIdType id) {
    double p[3];
    mesh->GetPoint(id, p);
    return InexactKernel::Point_3(p[0], p[1], p[2]);
  };
  vtkCellArray* polys = mesh->GetPolys();
  vtkIdType size = 0;
  const vtkIdType* ids = nullptr;
  bounds = CGAL::Bbox_3();
  for (polys->InitTraversal(); polys->GetNextCell(size, ids);)
  {
    if (size != 3)
    {
      return false;
    }
    const Triangle triangle(point(ids[0]), point(ids[1]), point(ids[2]));
    const CGAL::Bbox_3 box = triangle.bbox();
    bounds += box;
    if (!near || CGAL::do_overlap(box, *near))
    {
      triangles.push_back(triangle);
    }
  }
  return true;
}

// Whether a triangle of `a` touches a triangle of `b` (closed triangles; those without area,
// which bound nothing, are passed over).
bool AnyTriangleTouches(const std::vector<Triangle>& a, const std::vector<Triangle>& b)
{
  using Box = CGAL::Box_intersection_d::Box_with_handle_d<double, 3, const Triangle*>;
  const auto boxes = [](const std::vector<Triangle>& triangles) {
    std::vector<Box> out;
    out.reserve(triangles.size());
    for (const Triangle& t : triangles)
    {
      if (!t.is_degenerate())
      {
        out.emplace_back(t.bbox(), &t);
      }
    }
    return out;
  };
  std::vector<Box> boxesA = boxes(a);
  std::vector<Box> boxesB = boxes(b);
  bool touches = false;
  CGAL::box_intersection_d(boxesA.begin(), boxesA.end(), boxesB.begin(), boxesB.end(),
    [&touches](const Box& x, const Box& y) {
      touches = touches || CGAL::do_intersect(*x.handle(), *y.handle());
    });
  return touches;
}

} // namespace

MeshBooleanTool::CutterPlacement MeshBooleanTool::PlaceCutter(
  vtkPolyData* jaw, vtkPolyData* groove) const
{
  try
  {
    std::vector<Triangle> cutter;
    std::vector<Triangle> model;
    CGAL::Bbox_3 cutterBounds;
    CGAL::Bbox_3 modelBounds;
    // Only the model's triangles near the cutter are kept: the cutter is the small one.
    if (!ReadTriangles(groove, nullptr, cutter, cutterBounds) ||
      !ReadTriangles(jaw, &cutterBounds, model, modelBounds))
    {
      return CutterPlacement::Meets;
    }
    if (AnyTriangleTouches(model, cutter))
    {
      return CutterPlacement::Meets;
    }
    if (Contains(modelBounds, cutterBounds))
    {
      return CutterPlacement::Within;
    }
    std::cerr << "槽子模型不接触牙颌模型" << std::endl;
    return CutterPlacement::Apart;
  }
  catch (const std::exception& e)
  {
    // Left to the difference, as if the cutter met the model.
    std::cerr << "槽子模型位置检查失败: " << OneLine(e) << std::endl;
    return CutterPlacement::Meets;
  }
}

bool MeshBooleanTool::HoldsPointOf(vtkPolyData* mesh, vtkPolyData* groove) const
{
  if (!mesh || !groove || !mesh->GetPoints() || !groove->GetPoints())
  {
    return false;
  }
  using SinglePoint = std::array<float, 3>;
  const auto single = [](vtkPoints* points, vtkIdType id) {
    double p[3];
    points->GetPoint(id, p);
    return SinglePoint{ static_cast<float>(p[0]), static_cast<float>(p[1]),
      static_cast<float>(p[2]) };
  };
  std::vector<SinglePoint> cutterPoints;
  vtkPoints* cutter = groove->GetPoints();
  for (vtkIdType i = 0; i < cutter->GetNumberOfPoints(); ++i)
  {
    cutterPoints.push_back(single(cutter, i));
  }
  std::sort(cutterPoints.begin(), cutterPoints.end());
  vtkPoints* points = mesh->GetPoints();
  for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
  {
    if (std::binary_search(cutterPoints.begin(), cutterPoints.end(), single(points, i)))
    {
      return true;
    }
  }
  return false;
}

bool MeshBooleanTool::VtkToCgal(vtkPolyData* source, ExactMesh& target) const
{
  if (!source)
  {
    std::cerr << "错误: VTK PolyData为空" << std::endl;
    return false;
  }
  vtkPoints* vtkPointList = source->GetPoints();
  vtkCellArray* cells = source->GetPolys();
  if (!vtkPointList || !cells)
  {
    std::cerr << "错误: VTK数据中没有点或多边形" << std::endl;
    return false;
  }
  std::cout << "VTK数据: " << vtkPointList->GetNumberOfPoints() << " 个顶点, "
            << cells->GetNumberOfCells() << " 个多边形" << std::endl;

  return Guarded("错误: 转换为Surface_mesh失败: ", [&] {
    std::vector<ExactPoint> points;
    points.reserve(static_cast<std::size_t>(vtkPointList->GetNumberOfPoints()));
    for (vtkIdType i = 0; i < vtkPointList->GetNumberOfPoints(); ++i)
    {
      double p[3];
      vtkPointList->GetPoint(i, p);
      points.emplace_back(p[0], p[1], p[2]);
    }

    std::vector<Polygon> polygons;
    polygons.reserve(static_cast<std::size_t>(cells->GetNumberOfCells()));
    vtkIdType size = 0;
    const vtkIdType* ids = nullptr;
    for (cells->InitTraversal(); cells->GetNextCell(size, ids);)
    {
      if (size != 3)
      {
        std::cerr << "警告: 发现非三角形多边形 (" << size << " 边)" << std::endl;
        continue;
      }
      polygons.push_back({ static_cast<std::size_t>(ids[0]), static_cast<std::size_t>(ids[1]),
        static_cast<std::size_t>(ids[2]) });
    }
    if (points.empty() || polygons.empty())
    {
      std::cerr << "错误: 转换后数据为空" << std::endl;
      return false;
    }

    std::cout << "定向多边形汤..." << std::endl;
    bool isMesh = IsOrientedTriangleMesh(points.size(), polygons);
    if (!isMesh)
    {
      PMP::orient_polygon_soup(points, polygons);
      isMesh = PMP::is_polygon_soup_a_polygon_mesh(polygons);
    }
    if (!isMesh)
    {
      // Converted all the same: the library stops with an error at a face it cannot add.
      std::cerr << "错误：非法拓扑" << std::endl;
    }
    std::cout << "转换为CGAL Surface_mesh..." << std::endl;
    PMP::polygon_soup_to_polygon_mesh(points, polygons, target.surface);
    if (target.surface.is_empty())
    {
      std::cerr << "错误: 无法转换为Surface_mesh" << std::endl;
      return false;
    }
    std::cout << "转换成功: " << target.surface.number_of_vertices() << " 个顶点, "
              << target.surface.number_of_faces() << " 个面" << std::endl;
    return true;
  });
}

bool MeshBooleanTool::CgalToVtk(const ExactMesh& source, vtkPolyData* target) const
{
  if (!target)
  {
    std::cerr << "错误: 输出VTK PolyData为空" << std::endl;
    return false;
  }
  return Guarded("错误: 转换到VTK失败: ", [&] {
    const ExactSurfaceMesh& mesh = source.surface;
    vtkNew<vtkPoints> points;
    vtkNew<vtkCellArray> triangles;

    // Point id of each live vertex, by vertex index.
    std::vector<vtkIdType> pointId(mesh.num_vertices(), -1);
    points->Allocate(static_cast<vtkIdType>(mesh.number_of_vertices()));
    for (ExactSurfaceMesh::Vertex_index v : mesh.vertices())
    {
      const ExactPoint& p = mesh.point(v);
      pointId[v] = points->InsertNextPoint(
        CGAL::to_double(p.x()), CGAL::to_double(p.y()), CGAL::to_double(p.z()));
    }

    triangles->AllocateEstimate(static_cast<vtkIdType>(mesh.number_of_faces()), 3);
    for (ExactSurfaceMesh::Face_index f : mesh.faces())
    {
      // Only a triangle's corners are kept; a larger face is only counted, for the warning.
      vtkIdType corners[3];
      std::size_t cornerCount = 0;
      for (ExactSurfaceMesh::Vertex_index v : CGAL::vertices_around_face(mesh.halfedge(f), mesh))
      {
        if (cornerCount < 3)
        {
          corners[cornerCount] = pointId[v];
        }
        ++cornerCount;
      }
      if (cornerCount != 3)
      {
        std::cerr << "警告: 发现非三角形面 (" << cornerCount << " 边)" << std::endl;
        continue;
      }
      triangles->InsertNextCell(3, corners);
    }

    target->SetPoints(points);
    target->SetPolys(triangles);
    std::cout << "转换到VTK: " << points->GetNumberOfPoints() << " 个顶点, " << mesh.num_faces()
              << " 个三角形" << std::endl;
    return true;
  });
}

bool MeshBooleanTool::CutGrooveMethod1(vtkSmartPointer<vtkPolyData>& jaw,
  const vtkSmartPointer<vtkPolyData>& groove, vtkSmartPointer<vtkPolyData>& out) const
{
  return CutGroove(*this, jaw, groove, out, [this](ExactMesh& jawMesh) {
    ExactSurfaceMesh& model = jawMesh.surface;
    PMP::remove_degenerate_faces(model);
    PMP::remove_isolated_vertices(model);
    PMP::triangulate_faces(model);
    // Storage sizes: the elements removed above are only marked removed.
    std::cout << "after intersections: " << model.num_vertices() << " 个顶点, "
              << model.num_faces() << " 个面" << std::endl;
    CheckOrientation(jawMesh);
    return true;
  });
}

bool MeshBooleanTool::CutGrooveMethod2(vtkSmartPointer<vtkPolyData>& jaw,
  const vtkSmartPointer<vtkPolyData>& groove, vtkSmartPointer<vtkPolyData>& out) const
{
  return CutGroove(*this, jaw, groove, out, [this](ExactMesh& jawMesh) {
    // A repair that threw may have left the model half rebuilt, and one that was refused
    // left it crossing itself: neither is cut.
    return RepairSelfIntersections(jawMesh);
  });
}

bool MeshBooleanTool::CheckOrientation(ExactMesh& mesh) const
{
  std::cout << "检查模型方向..." << std::endl;
  try
  {
    const bool outward = PMP::is_outward_oriented(mesh.surface);
    std::cout << "当前方向: " << Direction(outward) << std::endl;
    if (outward)
    {
      return true;
    }
    std::cout << "反转模型方向..." << std::endl;
    PMP::reverse_face_orientations(mesh.surface);
    std::cout << "反转后方向: " << Direction(PMP::is_outward_oriented(mesh.surface)) << std::endl;
    return true;
  }
  catch (const std::exception& e)
  {
    std::cerr << "方向检查失败: " << OneLine(e) << std::endl;
    return false;
  }
}

bool MeshBooleanTool::BooleanDifference(
  ExactMesh& jawMesh, ExactMesh& grooveMesh, ExactMesh& resultMesh) const
{
  std::cout << "使用CGAL 6.1布尔运算..." << std::endl;
  try
  {
    if (PMP::corefine_and_compute_difference(jawMesh.surface, grooveMesh.surface, resultMesh.surface)
      && !resultMesh.surface.is_empty())
    {
      std::cout << "corefine_and_compute_difference 成功" << std::endl;
      return true;
    }
    std::cout << "方法1失败，尝试替代方法..." << std::endl;
    std::cerr << "所有CGAL 6.1布尔运算方法都失败" << std::endl;
    return false;
  }
  catch (const std::exception& e)
  {
    std::cerr << "CGAL 6.1布尔运算错误: " << OneLine(e) << std::endl;
    return false;
  }
}

bool MeshBooleanTool::RepairSelfIntersections(ExactMesh& mesh) const
{
  return Guarded("自相交修复失败: ", [&] {
    ExactSurfaceMesh& surface = mesh.surface;
    PMP::remove_degenerate_faces(surface);
    PMP::remove_isolated_vertices(surface);
    if (!PMP::does_self_intersect(surface))
    {
      return true;
    }
    std::size_t crossings = 0;
    PMP::self_intersections(
      surface, boost::make_function_output_iterator([&](const auto&) { ++crossings; }));
    if (crossings > kMaxCrossingPairs)
    {
      std::cerr << "自相交过多，无法修复: " << crossings << " 对相交三角形" << std::endl;
      return false;
    }
    // At most five passes, each beginning with the test (the one above stands for the first
    // pass's own). A mesh that really crosses itself keeps self-intersecting through the
    // refinement (see AutorefineTriangleSoup): for it all five passes run, and it goes on as
    // the first pass left it.
    constexpr int maxPasses = 5;
    for (int pass = 0; pass < maxPasses; ++pass)
    {
      if (pass > 0 && !PMP::does_self_intersect(surface))
      {
        break;
      }
      std::vector<ExactPoint> points;
      std::vector<Polygon> polygons;
      MeshToSoup(surface, points, polygons);
      AutorefineTriangleSoup(points, polygons);
      surface.clear();
      PMP::polygon_soup_to_polygon_mesh(points, polygons, surface);
    }
    return true;
  });
}

// The base-plane search of the automatic frame: rows of rays along the height axis from
// below and from above, the facing and flatness tests on the triangles they meet, the
// grouping of the accepted triangles by plane and the plane fitted through the largest group.
#include "geometry/CoordinateAligner.h"

#include "geometry/FastOBBTree.h"
#include "geometry/FrameMath.h"

#include <vtkCell.h>
#include <vtkCellArray.h>
#include <vtkCellType.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPlane.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTriangle.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <vector>

// Inward triangle normals, each computed the first time it is asked for. An entry's normal is
// written before its flag is set; the normals are left uninitialised so that a call touches
// only the memory of the triangles it meets.
struct CoordinateAligner::NormalCache
{
  explicit NormalCache(vtkIdType cells)
    : filled(static_cast<size_t>(cells), false)
    , normals(new double[3 * static_cast<size_t>(cells)])
  {
  }
  std::vector<bool> filled;
  std::unique_ptr<double[]> normals;
};

namespace
{

// Most segments in one row: 40 000 along the row. A model whose points lie within 10 000 of the
// origin spans at most 20 000 * sqrt(3) (about 34 641) along any axis, so its rows are never
// cut short; a damaged model of huge size gets a bounded row instead of one that grows until
// memory runs out.
constexpr size_t kMaxRowSegments = 400000;

// A row of segments along `along`, one per 0.1 of `length` (t accumulated by repeated
// addition), each from first + t along to that point plus `cast`; at most kMaxRowSegments.
std::vector<Segment> MakeRow(
  const double first[3], const double along[3], double length, const double cast[3])
{
  std::vector<Segment> row;
  // An infinite or undefined length gives no row: its segments would start at no finite point.
  if (!std::isfinite(length))
  {
    return row;
  }
  for (double t = 0.0; t < length && row.size() < kMaxRowSegments; t += 0.1)
  {
    Segment s;
    for (int k = 0; k < 3; ++k)
    {
      s.start[k] = first[k] + t * along[k];
      s.end[k] = s.start[k] + cast[k];
    }
    row.push_back(s);
  }
  return row;
}

// The same row with every start moved by `by`; the ends follow as start plus `cast`.
std::vector<Segment> Shifted(std::vector<Segment> row, const double by[3], const double cast[3])
{
  for (Segment& s : row)
  {
    for (int k = 0; k < 3; ++k)
    {
      s.start[k] += by[k];
      s.end[k] = s.start[k] + cast[k];
    }
  }
  return row;
}

// True when `mesh` is a closed surface of triangles, every edge shared by exactly two of them
// running it in opposite directions, whose triangles enclose a negative volume: the whole
// model faces inward. For anything else (an open scan, mixed cells, a surface with edges of
// one or of three triangles) the winding of a triangle is all there is to go by, and false.
bool FacesInward(vtkPolyData* mesh)
{
  vtkCellArray* polys = mesh->GetPolys();
  if (!polys || polys->GetNumberOfCells() != mesh->GetNumberOfCells())
  {
    return false;
  }
  // Six times the signed volume, as the sum of the tetrahedra from the origin to each triangle.
  double volume = 0.0;
  vtkIdType size = 0;
  const vtkIdType* ids = nullptr;
  for (polys->InitTraversal(); polys->GetNextCell(size, ids);)
  {
    if (size != 3)
    {
      return false;
    }
    double p[3][3];
    for (int k = 0; k < 3; ++k)
    {
      mesh->GetPoint(ids[k], p[k]);
    }
    double cross[3];
    vtkMath::Cross(p[1], p[2], cross);
    volume += vtkMath::Dot(p[0], cross);
  }
  if (!(volume < 0.0))
  {
    return false;
  }
  struct Edge
  {
    vtkIdType low;
    vtkIdType high;
    bool upward; // runs from low to high
    bool operator<(const Edge& other) const
    {
      return low != other.low ? low < other.low
        : high != other.high  ? high < other.high
                              : upward < other.upward;
    }
  };
  std::vector<Edge> edges;
  edges.reserve(3 * static_cast<size_t>(polys->GetNumberOfCells()));
  for (polys->InitTraversal(); polys->GetNextCell(size, ids);)
  {
    for (int k = 0; k < 3; ++k)
    {
      const vtkIdType a = ids[k];
      const vtkIdType b = ids[(k + 1) % 3];
      edges.push_back(Edge{ std::min(a, b), std::max(a, b), a < b });
    }
  }
  // Closed and consistently oriented: the edges pair up, each pair run both ways.
  std::sort(edges.begin(), edges.end());
  if (edges.size() % 2 != 0)
  {
    return false;
  }
  for (size_t i = 0; i < edges.size(); i += 2)
  {
    const Edge& a = edges[i];
    const Edge& b = edges[i + 1];
    if (a.low != b.low || a.high != b.high || a.upward == b.upward ||
      (i + 2 < edges.size() && edges[i + 2].low == a.low && edges[i + 2].high == a.high))
    {
      return false;
    }
  }
  return true;
}

} // namespace

bool CoordinateAligner::FitBasePlane(double normal[3], double origin[3])
{
  auto inRange = [](int index) { return index >= 0 && index <= 2; };
  if (!inRange(heightAxis) || !inRange(longAxis) || !inRange(midAxis) || !mesh ||
    mesh->GetNumberOfPoints() == 0 || mesh->GetNumberOfCells() == 0)
  {
    return false;
  }

  vtkSmartPointer<vtkOBBTree> locator = NewModelTree();
  locator->SetMaxLevel(15);
  locator->SetDataSet(mesh);
  locator->SetTolerance(1e-6);
  locator->AutomaticOn();
  locator->BuildLocator();
  mesh->BuildLinks();

  double c[3];
  mesh->GetCenter(c);
  const double* h = axes[heightAxis];
  const double* l = axes[longAxis];
  const double* m = axes[midAxis];
  const double H = extent[heightAxis];
  const double L = extent[longAxis];
  const double M = extent[midAxis];

  // Each segment starts one height extent from the centre on its pass's side and ends at the
  // centre's level; the long row runs through the centre along l, the middle row along m.
  struct Pass
  {
    vtkNew<vtkIdList> usedCells;
    std::vector<Hit> longHits;
    std::vector<Hit> midHits;
  };
  Pass passes[2];
  const double shift[3] = { 4.0 * l[0], 4.0 * l[1], 4.0 * l[2] };
  for (int pass = 0; pass < 2; ++pass)
  {
    const double side = pass == 0 ? -1.0 : 1.0;
    const double reference[3] = { -side * h[0], -side * h[1], -side * h[2] };
    const double cast[3] = { -side * H * h[0], -side * H * h[1], -side * H * h[2] };
    double longFirst[3];
    double midFirst[3];
    for (int k = 0; k < 3; ++k)
    {
      longFirst[k] = c[k] + side * H * h[k] - (L / 2) * l[k];
      midFirst[k] = c[k] + side * H * h[k] - (M / 2) * m[k];
    }
    Pass& p = passes[pass];
    ProjectSegments(MakeRow(longFirst, l, L, cast), reference, locator, p.usedCells, p.longHits);
    const std::vector<Segment> midRow = MakeRow(midFirst, m, M, cast);
    ProjectSegments(midRow, reference, locator, p.usedCells, p.midHits);
    if (p.midHits.empty())
    {
      // Nothing flat under the centre (a gap in the base): try beside it along the long axis.
      ProjectSegments(Shifted(midRow, shift, cast), reference, locator, p.usedCells, p.midHits);
    }
  }

  const vtkIdType below = passes[0].usedCells->GetNumberOfIds();
  const vtkIdType above = passes[1].usedCells->GetNumberOfIds();
  if (below == 0 && above == 0)
  {
    return false;
  }
  Pass& winner = above >= below ? passes[1] : passes[0];
  hitsA = winner.longHits;
  hitsB = winner.midHits;

  vtkNew<vtkIdList> bottomCells;
  FindLargestPlanarGroup(winner.usedCells, 0.00015, 0.005, bottomCells);
  if (bottomCells->GetNumberOfIds() == 0)
  {
    return false;
  }

  // Into the model is against the first triangle's normal, unless the closed model faces
  // inward as a whole: then its triangles' normals point into it.
  const bool inward = FacesInward(mesh);
  vtkNew<vtkPoints> points;
  points->SetDataTypeToDouble();
  double r[3] = { 0.0, 0.0, 0.0 };
  for (vtkIdType i = 0; i < bottomCells->GetNumberOfIds(); ++i)
  {
    double p0[3];
    double p1[3];
    double p2[3];
    TrianglePoints(mesh, bottomCells->GetId(i), p0, p1, p2);
    points->InsertNextPoint(p0);
    points->InsertNextPoint(p1);
    points->InsertNextPoint(p2);
    if (i == 0)
    {
      vtkTriangle::ComputeNormal(p0, p1, p2, r);
      if (!inward)
      {
        Negate(r);
      }
    }
  }

  double fitOrigin[3];
  double fitNormal[3];
  vtkPlane::ComputeBestFittingPlane(points, fitOrigin, fitNormal);
  // Point the normal into the model, the way the first triangle of the group says.
  if (CompareWithRightAngle(fitNormal, r) > 0)
  {
    Negate(fitNormal);
  }
  vtkPlane::ProjectPoint(c, fitOrigin, fitNormal, origin);
  for (int k = 0; k < 3; ++k)
  {
    normal[k] = fitNormal[k];
  }
  return true;
}

void CoordinateAligner::ProjectSegments(const std::vector<Segment>& row,
  const double referenceDirection[3], vtkOBBTree* locator, vtkIdList* usedCells,
  std::vector<Hit>& hits)
{
  hits.clear();
  const vtkIdType cellCount = mesh->GetNumberOfCells();
  NormalCache cache(cellCount);
  normalCache = &cache;

  // Hit points in double precision: they set the in-plane axes.
  vtkNew<vtkPoints> points;
  points->SetDataTypeToDouble();
  vtkNew<vtkIdList> cellIds;
  vtkNew<vtkIdList> edge;
  vtkNew<vtkIdList> across;
  std::vector<vtkIdType> neighbours;
  for (const Segment& segment : row)
  {
    if (locator->IntersectWithLine(segment.start, segment.end, points, cellIds) == 0 ||
      points->GetNumberOfPoints() == 0)
    {
      continue;
    }
    // The first crossing along the segment.
    vtkIdType nearest = 0;
    double best = VTK_DOUBLE_MAX;
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      const double d2 = vtkMath::Distance2BetweenPoints(points->GetPoint(i), segment.start);
      if (d2 < best)
      {
        best = d2;
        nearest = i;
      }
    }
    double point[3];
    points->GetPoint(nearest, point);
    const vtkIdType id = cellIds->GetId(nearest);

    if (id < 0 || id >= cellCount)
    {
      std::cerr << "错误：无效的Cell ID！" << std::endl;
      continue;
    }
    vtkCell* cell = mesh->GetCell(id);
    if (!cell)
    {
      std::cerr << "错误：无法获取Cell对象！" << std::endl;
      continue;
    }
    double n[3];
    if (cell->GetCellType() != VTK_TRIANGLE || usedCells->IsId(id) >= 0 ||
      !CachedCellNormal(id, n))
    {
      continue;
    }

    // Facing: within 30 degrees of either sense of the reference direction.
    const double facing = AngleDegrees(n, referenceDirection);
    if (facing > 30.0 && facing < 150.0)
    {
      continue;
    }

    // Flatness: at least two edge neighbours in the same plane, facing the same way.
    neighbours.clear();
    const vtkIdType corners[3] = { cell->GetPointId(0), cell->GetPointId(1), cell->GetPointId(2) };
    for (int k = 0; k < 3; ++k)
    {
      edge->SetNumberOfIds(2);
      edge->SetId(0, corners[k]);
      edge->SetId(1, corners[(k + 1) % 3]);
      mesh->GetCellNeighbors(id, edge, across);
      for (vtkIdType i = 0; i < across->GetNumberOfIds(); ++i)
      {
        const vtkIdType other = across->GetId(i);
        if (other != id &&
          std::find(neighbours.begin(), neighbours.end(), other) == neighbours.end())
        {
          neighbours.push_back(other);
        }
      }
    }
    int agreeing = 0;
    for (const vtkIdType other : neighbours)
    {
      double on[3];
      if (mesh->GetCellType(other) == VTK_TRIANGLE && CachedCellNormal(other, on) &&
        AngleDegrees(on, n) <= 0.05)
      {
        if (++agreeing == 2)
        {
          break;
        }
      }
    }
    if (agreeing < 2)
    {
      continue;
    }

    usedCells->InsertUniqueId(id);
    hits.push_back(Hit{ { point[0], point[1], point[2] }, id });
  }
  normalCache = nullptr;
}

bool CoordinateAligner::CachedCellNormal(vtkIdType cellId, double normal[3])
{
  if (!normalCache || cellId < 0 || cellId >= static_cast<vtkIdType>(normalCache->filled.size()))
  {
    return false;
  }
  double* stored = &normalCache->normals[3 * static_cast<size_t>(cellId)];
  if (!normalCache->filled[static_cast<size_t>(cellId)])
  {
    if (mesh->GetCellType(cellId) != VTK_TRIANGLE)
    {
      return false;
    }
    double p0[3];
    double p1[3];
    double p2[3];
    TrianglePoints(mesh, cellId, p0, p1, p2);
    vtkTriangle::ComputeNormal(p0, p1, p2, stored);
    Negate(stored);
    normalCache->filled[static_cast<size_t>(cellId)] = true;
  }
  for (int k = 0; k < 3; ++k)
  {
    normal[k] = stored[k];
  }
  return true;
}

void CoordinateAligner::FindLargestPlanarGroup(
  vtkIdList* candidates, double normalTol, double offsetTol, vtkIdList* bottomCells)
{
  if (!bottomCells)
  {
    std::cerr << "Error: bottomCells is null!" << std::endl;
    return;
  }
  bottomCells->Reset();
  if (!candidates)
  {
    return;
  }

  std::vector<PlaneGroup> groups;
  for (vtkIdType i = 0; i < candidates->GetNumberOfIds(); ++i)
  {
    const vtkIdType id = candidates->GetId(i);
    if (mesh->GetCellType(id) != VTK_TRIANGLE)
    {
      continue;
    }
    double p0[3];
    double p1[3];
    double p2[3];
    TrianglePoints(mesh, id, p0, p1, p2);
    double e1[3];
    double e2[3];
    vtkMath::Subtract(p1, p0, e1);
    vtkMath::Subtract(p2, p0, e2);
    double n[3];
    vtkMath::Cross(e1, e2, n);
    const double twiceArea = vtkMath::Norm(n);
    if (twiceArea < 2.0 * offsetTol * offsetTol)
    {
      continue;
    }
    for (double& v : n)
    {
      v /= twiceArea;
    }
    double d = vtkMath::Dot(n, p0);

    auto flip = [&]() {
      Negate(n);
      d = -d;
    };
    // Canonical sign: the first clearly non-zero component is positive.
    for (const double v : n)
    {
      if (std::fabs(v) > 1e-12)
      {
        if (v < 0.0)
        {
          flip();
        }
        break;
      }
    }

    bool joined = false;
    for (PlaneGroup& g : groups)
    {
      const double ax = std::fabs(g.normal[0]);
      const double ay = std::fabs(g.normal[1]);
      const double az = std::fabs(g.normal[2]);
      const int k = (ax > ay && ax > az) ? 0 : ((ay > ax && ay > az) ? 1 : 2);
      if (std::fabs(n[k]) > offsetTol && g.normal[k] * n[k] < 0.0)
      {
        flip();
      }
      if (std::fabs(g.normal[0] - n[0]) <= normalTol &&
        std::fabs(g.normal[1] - n[1]) <= normalTol &&
        std::fabs(g.normal[2] - n[2]) <= normalTol && std::fabs(g.d - d) <= offsetTol)
      {
        g.cells.push_back(id);
        joined = true;
        break;
      }
    }
    if (!joined)
    {
      groups.push_back(PlaneGroup{ { n[0], n[1], n[2] }, d, { id } });
    }
  }

  const PlaneGroup* largest = nullptr;
  for (const PlaneGroup& g : groups)
  {
    if (!largest || g.cells.size() > largest->cells.size())
    {
      largest = &g;
    }
  }
  if (largest)
  {
    for (const vtkIdType id : largest->cells)
    {
      bottomCells->InsertNextId(id);
    }
  }
}

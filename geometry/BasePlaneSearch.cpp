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

// The sizes and tolerances of the search.
struct BasePlaneSearchSettings
{
  // The locator over the model.
  int locatorMaxLevel = 15;
  double locatorTolerance = 1e-6;
  // Spacing of the segments along a row.
  double rowStep = 0.1;
  // Most segments in one row, covering 40 000 along the row. A model whose points lie within
  // 10 000 of the origin spans at most 20 000 * sqrt(3) (about 34 641) along any axis, so its
  // rows are never cut short; a damaged model of huge size gets a bounded row instead of one
  // that grows until memory runs out.
  size_t maxRowSegments = 400000;
  // How far along the long axis a middle row that met nothing is cast again.
  double retryShift = 4.0;
  // A hit triangle faces along the rays when its normal lies within this angle (degrees) of
  // either sense of the reference direction.
  double facingDegrees = 30.0;
  // It lies in a flat patch when this many of its edge neighbours have normals within
  // coplanarDegrees of its own.
  int flatNeighbours = 2;
  double coplanarDegrees = 0.05;
  // Grouping by plane: a triangle joins a group when each component of its unit normal lies
  // within groupNormalTolerance of the group's and its offset within groupOffsetTolerance.
  double groupNormalTolerance = 0.00015;
  double groupOffsetTolerance = 0.005;
  // A plane's canonical sign makes its first component beyond this magnitude positive.
  double signThreshold = 1e-12;
};
constexpr BasePlaneSearchSettings kSearch{};

// A row of segments along `along`, one per rowStep of `length` (t accumulated by repeated
// addition), each from first + t along to that point plus `cast`; at most maxRowSegments.
std::vector<Segment> MakeRow(
  const double first[3], const double along[3], double length, const double cast[3])
{
  std::vector<Segment> row;
  // An infinite or undefined length gives no row: its segments would start at no finite point.
  if (!std::isfinite(length))
  {
    return row;
  }
  for (double t = 0.0; t < length && row.size() < kSearch.maxRowSegments; t += kSearch.rowStep)
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

// The corners of the cell `id` in its point order when it is a triangle; false for any other
// cell.
bool TriangleCorners(vtkPolyData* mesh, vtkIdType id, double p0[3], double p1[3], double p2[3])
{
  if (mesh->GetCellType(id) != VTK_TRIANGLE)
  {
    return false;
  }
  TrianglePoints(mesh, id, p0, p1, p2);
  return true;
}

// The locator of one search, over `mesh`.
vtkSmartPointer<vtkOBBTree> BuildSearchLocator(vtkPolyData* mesh)
{
  vtkSmartPointer<vtkOBBTree> locator = NewModelTree();
  locator->SetMaxLevel(kSearch.locatorMaxLevel);
  locator->SetDataSet(mesh);
  locator->SetTolerance(kSearch.locatorTolerance);
  locator->AutomaticOn();
  locator->BuildLocator();
  return locator;
}

// The corners of every triangle of `cells`, in list order, shared corners as often as they
// occur; in double precision.
vtkSmartPointer<vtkPoints> CornerPoints(vtkPolyData* mesh, vtkIdList* cells)
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  points->SetDataTypeToDouble();
  for (vtkIdType i = 0; i < cells->GetNumberOfIds(); ++i)
  {
    double p0[3];
    double p1[3];
    double p2[3];
    TrianglePoints(mesh, cells->GetId(i), p0, p1, p2);
    points->InsertNextPoint(p0);
    points->InsertNextPoint(p1);
    points->InsertNextPoint(p2);
  }
  return points;
}

// Into the model, as the triangle `cellId` says: against its normal, unless the closed model
// faces inward as a whole (`inward`); then its triangles' normals point into it.
void IntoModel(vtkPolyData* mesh, vtkIdType cellId, bool inward, double r[3])
{
  double p0[3];
  double p1[3];
  double p2[3];
  TrianglePoints(mesh, cellId, p0, p1, p2);
  vtkTriangle::ComputeNormal(p0, p1, p2, r);
  if (!inward)
  {
    Negate(r);
  }
}

// The plane fitted through the corners of the triangles `cells`: its unit normal pointed into
// the model the way the first triangle says, and `centre` dropped onto it as the origin.
void FitPlaneThroughCells(vtkPolyData* mesh, vtkIdList* cells, const double centre[3],
  double normal[3], double origin[3])
{
  const bool inward = FacesInward(mesh);
  vtkSmartPointer<vtkPoints> points = CornerPoints(mesh, cells);
  double r[3] = { 0.0, 0.0, 0.0 };
  IntoModel(mesh, cells->GetId(0), inward, r);

  double fitOrigin[3];
  double fitNormal[3];
  vtkPlane::ComputeBestFittingPlane(points, fitOrigin, fitNormal);
  if (CompareWithRightAngle(fitNormal, r) > 0)
  {
    Negate(fitNormal);
  }
  vtkPlane::ProjectPoint(centre, fitOrigin, fitNormal, origin);
  for (int k = 0; k < 3; ++k)
  {
    normal[k] = fitNormal[k];
  }
}

// The lists one ProjectSegments call reuses for all its segments.
struct RayScratch
{
  RayScratch() { points->SetDataTypeToDouble(); }
  // The crossings of one segment; in double precision, since the hit points set the in-plane
  // axes.
  vtkNew<vtkPoints> points;
  vtkNew<vtkIdList> cellIds;
  // One edge of the hit triangle, and the cells across it.
  vtkNew<vtkIdList> edge;
  vtkNew<vtkIdList> across;
  // The hit triangle's edge neighbours.
  std::vector<vtkIdType> neighbours;
};

// The first crossing along the segment: the one nearest its start (the first of equally
// near ones), its point and its cell id. False when the segment meets nothing.
bool FirstCrossing(
  vtkOBBTree* locator, const Segment& segment, RayScratch& scratch, double point[3], vtkIdType& id)
{
  vtkPoints* points = scratch.points;
  if (locator->IntersectWithLine(segment.start, segment.end, points, scratch.cellIds) == 0 ||
    points->GetNumberOfPoints() == 0)
  {
    return false;
  }
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
  points->GetPoint(nearest, point);
  id = scratch.cellIds->GetId(nearest);
  return true;
}

// The cell `id` of the mesh's `cellCount` cells; null, with the diagnostic on standard error,
// for an id out of range or a cell that cannot be had.
vtkCell* CheckedCell(vtkPolyData* mesh, vtkIdType id, vtkIdType cellCount)
{
  if (id < 0 || id >= cellCount)
  {
    std::cerr << "错误：无效的Cell ID！" << std::endl;
    return nullptr;
  }
  vtkCell* cell = mesh->GetCell(id);
  if (!cell)
  {
    std::cerr << "错误：无法获取Cell对象！" << std::endl;
  }
  return cell;
}

// True when the unit normal n lies within facingDegrees of either sense of the reference
// direction.
bool FacesAlong(const double n[3], const double reference[3])
{
  const double facing = AngleDegrees(n, reference);
  return facing <= kSearch.facingDegrees || facing >= 180.0 - kSearch.facingDegrees;
}

// The cells across the three edges of the triangle `cell` (id `id`) into scratch.neighbours:
// each once, in the order found, without the triangle itself.
void CollectEdgeNeighbours(vtkPolyData* mesh, vtkIdType id, vtkCell* cell, RayScratch& scratch)
{
  std::vector<vtkIdType>& neighbours = scratch.neighbours;
  neighbours.clear();
  const vtkIdType corners[3] = { cell->GetPointId(0), cell->GetPointId(1), cell->GetPointId(2) };
  for (int k = 0; k < 3; ++k)
  {
    scratch.edge->SetNumberOfIds(2);
    scratch.edge->SetId(0, corners[k]);
    scratch.edge->SetId(1, corners[(k + 1) % 3]);
    mesh->GetCellNeighbors(id, scratch.edge, scratch.across);
    for (vtkIdType i = 0; i < scratch.across->GetNumberOfIds(); ++i)
    {
      const vtkIdType other = scratch.across->GetId(i);
      if (other != id &&
        std::find(neighbours.begin(), neighbours.end(), other) == neighbours.end())
      {
        neighbours.push_back(other);
      }
    }
  }
}

// Turns the plane (n, d) to its other sense.
void Flip(double n[3], double& d)
{
  Negate(n);
  d = -d;
}

// The plane of the triangle `id`: unit normal n and offset d = n . p0, signed so that the
// first clearly non-zero component of n is positive. False for a cell that is not a triangle
// and for a sliver (twice its area below 2 offsetTol^2).
bool TrianglePlane(vtkPolyData* mesh, vtkIdType id, double offsetTol, double n[3], double& d)
{
  double p0[3];
  double p1[3];
  double p2[3];
  if (!TriangleCorners(mesh, id, p0, p1, p2))
  {
    return false;
  }
  double e1[3];
  double e2[3];
  vtkMath::Subtract(p1, p0, e1);
  vtkMath::Subtract(p2, p0, e2);
  vtkMath::Cross(e1, e2, n);
  const double twiceArea = vtkMath::Norm(n);
  if (twiceArea < 2.0 * offsetTol * offsetTol)
  {
    return false;
  }
  for (int k = 0; k < 3; ++k)
  {
    n[k] /= twiceArea;
  }
  d = vtkMath::Dot(n, p0);

  for (int k = 0; k < 3; ++k)
  {
    if (std::fabs(n[k]) > kSearch.signThreshold)
    {
      if (n[k] < 0.0)
      {
        Flip(n, d);
      }
      break;
    }
  }
  return true;
}

// The index of the largest component of a group's normal: x, else y, else z (ties go on).
int DominantComponent(const double normal[3])
{
  const double ax = std::fabs(normal[0]);
  const double ay = std::fabs(normal[1]);
  const double az = std::fabs(normal[2]);
  return (ax > ay && ax > az) ? 0 : ((ay > ax && ay > az) ? 1 : 2);
}

// Puts the triangle `id` of plane (n, d) into the first group whose plane it shares, or into a
// new group. Against each group in turn, a plane that clearly faces the other way along the
// group's dominant component is flipped first; the flip holds for the later groups too.
void JoinOrStartGroup(std::vector<PlaneGroup>& groups, vtkIdType id, double n[3], double d,
  double normalTol, double offsetTol)
{
  for (PlaneGroup& g : groups)
  {
    const int k = DominantComponent(g.normal);
    if (std::fabs(n[k]) > offsetTol && g.normal[k] * n[k] < 0.0)
    {
      Flip(n, d);
    }
    if (std::fabs(g.normal[0] - n[0]) <= normalTol &&
      std::fabs(g.normal[1] - n[1]) <= normalTol &&
      std::fabs(g.normal[2] - n[2]) <= normalTol && std::fabs(g.d - d) <= offsetTol)
    {
      g.cells.push_back(id);
      return;
    }
  }
  groups.push_back(PlaneGroup{ { n[0], n[1], n[2] }, d, { id } });
}

// The group with the most triangles, the earliest made among equals; null without groups.
const PlaneGroup* LargestGroup(const std::vector<PlaneGroup>& groups)
{
  const PlaneGroup* largest = nullptr;
  for (const PlaneGroup& g : groups)
  {
    if (!largest || g.cells.size() > largest->cells.size())
    {
      largest = &g;
    }
  }
  return largest;
}

} // namespace

// The accepted triangles and hits of one search pass.
struct CoordinateAligner::SearchPass
{
  vtkNew<vtkIdList> usedCells;
  std::vector<Hit> longHits;
  std::vector<Hit> midHits;
};

bool CoordinateAligner::FitBasePlane(double normal[3], double origin[3])
{
  auto inRange = [](int index) { return index >= 0 && index <= 2; };
  if (!inRange(heightAxis) || !inRange(longAxis) || !inRange(midAxis) || !mesh ||
    mesh->GetNumberOfPoints() == 0 || mesh->GetNumberOfCells() == 0)
  {
    return false;
  }

  vtkSmartPointer<vtkOBBTree> locator = BuildSearchLocator(mesh);
  mesh->BuildLinks();
  double c[3];
  mesh->GetCenter(c);

  SearchPass passes[2];
  CastPass(-1.0, c, locator, passes[0]);
  CastPass(1.0, c, locator, passes[1]);

  // The pass with more accepted triangles wins, a tie goes to the pass from above.
  const vtkIdType below = passes[0].usedCells->GetNumberOfIds();
  const vtkIdType above = passes[1].usedCells->GetNumberOfIds();
  if (below == 0 && above == 0)
  {
    return false;
  }
  SearchPass& winner = above >= below ? passes[1] : passes[0];
  hitsA = winner.longHits;
  hitsB = winner.midHits;

  vtkNew<vtkIdList> bottomCells;
  FindLargestPlanarGroup(
    winner.usedCells, kSearch.groupNormalTolerance, kSearch.groupOffsetTolerance, bottomCells);
  if (bottomCells->GetNumberOfIds() == 0)
  {
    return false;
  }
  FitPlaneThroughCells(mesh, bottomCells, c, normal, origin);
  return true;
}

void CoordinateAligner::CastPass(
  double side, const double c[3], vtkOBBTree* locator, SearchPass& pass)
{
  const double* h = axes[heightAxis];
  const double* l = axes[longAxis];
  const double* m = axes[midAxis];
  const double H = extent[heightAxis];
  const double L = extent[longAxis];
  const double M = extent[midAxis];

  // Each segment starts one height extent from the centre on the pass's side and ends at the
  // centre's level; the long row runs through the centre along l, the middle row along m.
  const double reference[3] = { -side * h[0], -side * h[1], -side * h[2] };
  const double cast[3] = { -side * H * h[0], -side * H * h[1], -side * H * h[2] };
  double longFirst[3];
  double midFirst[3];
  for (int k = 0; k < 3; ++k)
  {
    longFirst[k] = c[k] + side * H * h[k] - (L / 2) * l[k];
    midFirst[k] = c[k] + side * H * h[k] - (M / 2) * m[k];
  }
  ProjectSegments(
    MakeRow(longFirst, l, L, cast), reference, locator, pass.usedCells, pass.longHits);
  const std::vector<Segment> midRow = MakeRow(midFirst, m, M, cast);
  ProjectSegments(midRow, reference, locator, pass.usedCells, pass.midHits);
  if (pass.midHits.empty())
  {
    // Nothing flat under the centre (a gap in the base): try beside it along the long axis.
    const double shift[3] = { kSearch.retryShift * l[0], kSearch.retryShift * l[1],
      kSearch.retryShift * l[2] };
    ProjectSegments(Shifted(midRow, shift, cast), reference, locator, pass.usedCells, pass.midHits);
  }
}

void CoordinateAligner::ProjectSegments(const std::vector<Segment>& row,
  const double referenceDirection[3], vtkOBBTree* locator, vtkIdList* usedCells,
  std::vector<Hit>& hits)
{
  hits.clear();
  const vtkIdType cellCount = mesh->GetNumberOfCells();
  NormalCache cache(cellCount);
  normalCache = &cache;

  RayScratch scratch;
  for (const Segment& segment : row)
  {
    double point[3];
    vtkIdType id = -1;
    if (!FirstCrossing(locator, segment, scratch, point, id))
    {
      continue;
    }
    vtkCell* cell = CheckedCell(mesh, id, cellCount);
    double n[3];
    if (!cell || cell->GetCellType() != VTK_TRIANGLE || usedCells->IsId(id) >= 0 ||
      !CachedCellNormal(id, n) || !FacesAlong(n, referenceDirection))
    {
      continue;
    }
    CollectEdgeNeighbours(mesh, id, cell, scratch);
    if (!LiesInFlatPatch(scratch.neighbours, n))
    {
      continue;
    }
    usedCells->InsertUniqueId(id);
    hits.push_back(Hit{ { point[0], point[1], point[2] }, id });
  }
  normalCache = nullptr;
}

bool CoordinateAligner::LiesInFlatPatch(const std::vector<vtkIdType>& neighbours, const double n[3])
{
  // Neighbours in the same plane, facing the same way.
  int agreeing = 0;
  for (const vtkIdType other : neighbours)
  {
    double on[3];
    if (mesh->GetCellType(other) == VTK_TRIANGLE && CachedCellNormal(other, on) &&
      AngleDegrees(on, n) <= kSearch.coplanarDegrees && ++agreeing == kSearch.flatNeighbours)
    {
      return true;
    }
  }
  return false;
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
    double p0[3];
    double p1[3];
    double p2[3];
    if (!TriangleCorners(mesh, cellId, p0, p1, p2))
    {
      return false;
    }
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
    double n[3];
    double d = 0.0;
    if (TrianglePlane(mesh, id, offsetTol, n, d))
    {
      JoinOrStartGroup(groups, id, n, d, normalTol, offsetTol);
    }
  }

  if (const PlaneGroup* largest = LargestGroup(groups))
  {
    for (const vtkIdType id : largest->cells)
    {
      bottomCells->InsertNextId(id);
    }
  }
}

// The pick search of SurfacePickLocator: a bounding-box tree narrows the cells down to those
// near the segment, and the picker's full-scan rule is then applied to them in id order.
#include "widgets/SurfacePickLocator.h"

#include <vtkCellArray.h>
#include <vtkCellType.h>
#include <vtkDataSet.h>
#include <vtkDoubleArray.h>
#include <vtkFloatArray.h>
#include <vtkGenericCell.h>
#include <vtkObjectFactory.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTypeInt32Array.h>
#include <vtkTypeInt64Array.h>
#include <vtkWeakPointer.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <utility>

vtkStandardNewMacro(SurfacePickLocator);

namespace
{

// Cells per leaf of the tree.
constexpr uint32_t kLeafSize = 4;
// Bits per axis of the grid that orders the cells along a Morton curve, and the bits of a
// sort key that hold the cell id under the curve's code.
constexpr int kMortonBits = 10;
constexpr uint64_t kMortonCells = uint64_t{ 1 } << kMortonBits;
constexpr int kIdBits = 32;
constexpr uint64_t kIdMask = (uint64_t{ 1 } << kIdBits) - 1;
// Bits of the code that one pass of the radix sort orders by.
constexpr int kRadixBits = 10;
// The box that growing by any other box turns into that box.
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kEmptyBox[6] = { kInfinity, -kInfinity, kInfinity, -kInfinity, kInfinity,
  -kInfinity };
// Boxes are grown by this fraction of the size of the coordinates on top of the picker's
// tolerance, so that rounding never drops a cell that the full scan would hit.
constexpr double kRoundingMargin = 1e-7;

// True when the segment from p with direction d (parameters 0 to 1) meets the box grown by
// `grow` on every side.
bool SegmentMeetsBox(const double p[3], const double d[3], const float box[6], double grow)
{
  double enter = 0.0;
  double leave = 1.0;
  for (int k = 0; k < 3; ++k)
  {
    const double low = box[2 * k] - grow;
    const double high = box[2 * k + 1] + grow;
    if (d[k] == 0.0)
    {
      if (p[k] < low || p[k] > high)
      {
        return false;
      }
      continue;
    }
    double a = (low - p[k]) / d[k];
    double b = (high - p[k]) / d[k];
    if (a > b)
    {
      std::swap(a, b);
    }
    enter = std::max(enter, a);
    leave = std::min(leave, b);
    if (enter > leave)
    {
      return false;
    }
  }
  return true;
}

void GrowBox(float box[6], const float cell[6])
{
  for (int k = 0; k < 3; ++k)
  {
    box[2 * k] = std::min(box[2 * k], cell[2 * k]);
    box[2 * k + 1] = std::max(box[2 * k + 1], cell[2 * k + 1]);
  }
}

// The 10 low bits of v moved to every third bit, for interleaving three coordinates.
uint64_t SpreadBits(uint64_t v)
{
  v &= 0x3ff;
  v = (v | v << 16) & 0x30000ff;
  v = (v | v << 8) & 0x300f00f;
  v = (v | v << 4) & 0x30c30c3;
  v = (v | v << 2) & 0x9249249;
  return v;
}

// The Morton code of the centre of the cell box `cell` on the grid over `box`.
uint64_t MortonCode(const double box[6], const float cell[6])
{
  uint64_t code = 0;
  for (int k = 0; k < 3; ++k)
  {
    const double extent = box[2 * k + 1] - box[2 * k];
    const double centre = 0.5 * (double{ cell[2 * k] } + double{ cell[2 * k + 1] });
    const double unit = extent > 0.0 ? (centre - box[2 * k]) / extent : 0.0;
    code |= SpreadBits(static_cast<uint64_t>(
              std::clamp(unit, 0.0, 1.0) * static_cast<double>(kMortonCells - 1)))
      << k;
  }
  return code;
}

// Sorts keys by the code above their kIdBits low bits; keys of the same code keep their order.
void RadixSortByCode(std::vector<uint64_t>& keys)
{
  std::vector<uint64_t> sorted(keys.size());
  constexpr size_t kBuckets = size_t{ 1 } << kRadixBits;
  for (int shift = kIdBits; shift < kIdBits + 3 * kMortonBits; shift += kRadixBits)
  {
    std::vector<size_t> start(kBuckets + 1, 0);
    for (const uint64_t key : keys)
    {
      ++start[((key >> shift) & (kBuckets - 1)) + 1];
    }
    for (size_t b = 1; b <= kBuckets; ++b)
    {
      start[b] += start[b - 1];
    }
    for (const uint64_t key : keys)
    {
      sorted[start[(key >> shift) & (kBuckets - 1)]++] = key;
    }
    keys.swap(sorted);
  }
}

// Single-precision bounds of a coordinate: the nearest float at or below it, and at or above.
float Below(float v)
{
  return v;
}
float Above(float v)
{
  return v;
}
float Below(double v)
{
  if (v > static_cast<double>(std::numeric_limits<float>::max()))
  {
    return std::numeric_limits<float>::max();
  }
  if (v < -static_cast<double>(std::numeric_limits<float>::max()))
  {
    return -kInfinity;
  }
  const auto f = static_cast<float>(v);
  return static_cast<double>(f) > v ? std::nextafter(f, -kInfinity) : f;
}
float Above(double v)
{
  return -Below(-v);
}

// Boxes of the triangles `connectivity` (three point ids each) over the point coordinates
// `xyz`, each holding its triangle.
template <typename Id, typename Real>
void TriangleBoxes(const Id* connectivity, const Real* xyz, size_t count, float* boxes)
{
  for (size_t i = 0; i < count; ++i, boxes += 6)
  {
    const Real* a = xyz + 3 * connectivity[3 * i];
    const Real* b = xyz + 3 * connectivity[3 * i + 1];
    const Real* c = xyz + 3 * connectivity[3 * i + 2];
    for (int k = 0; k < 3; ++k)
    {
      boxes[2 * k] = Below(std::min({ a[k], b[k], c[k] }));
      boxes[2 * k + 1] = Above(std::max({ a[k], b[k], c[k] }));
    }
  }
}

template <typename Id>
bool TriangleBoxesOfPoints(const Id* connectivity, vtkDataArray* points, std::vector<float>& boxes)
{
  const size_t count = boxes.size() / 6;
  if (auto* floats = vtkFloatArray::FastDownCast(points))
  {
    TriangleBoxes(connectivity, floats->GetPointer(0), count, boxes.data());
    return true;
  }
  if (auto* doubles = vtkDoubleArray::FastDownCast(points))
  {
    TriangleBoxes(connectivity, doubles->GetPointer(0), count, boxes.data());
    return true;
  }
  return false;
}

// The boxes of a polydata of triangles alone, read straight from its arrays; false, and the
// boxes unset, when the data set is not such a polydata or keeps its points in another type.
bool PolyDataTriangleBoxes(vtkDataSet* data, std::vector<float>& boxes)
{
  auto* polyData = vtkPolyData::SafeDownCast(data);
  if (!polyData || !polyData->GetPoints() || polyData->GetNumberOfVerts() != 0 ||
    polyData->GetNumberOfLines() != 0 || polyData->GetNumberOfStrips() != 0)
  {
    return false;
  }
  vtkCellArray* polys = polyData->GetPolys();
  if (polys->GetNumberOfCells() == 0 || polys->IsHomogeneous() != 3)
  {
    return false;
  }
  vtkDataArray* points = polyData->GetPoints()->GetData();
  if (polys->IsStorage64Bit())
  {
    return TriangleBoxesOfPoints(polys->GetConnectivityArray64()->GetPointer(0), points, boxes);
  }
  return TriangleBoxesOfPoints(polys->GetConnectivityArray32()->GetPointer(0), points, boxes);
}

// A box around every cell of the data set, six numbers each in the order of the cell ids;
// true when every cell is a triangle.
bool CellBoxes(vtkDataSet* data, std::vector<float>& boxes)
{
  const vtkIdType n = data->GetNumberOfCells();
  boxes.resize(static_cast<size_t>(6 * n));
  if (PolyDataTriangleBoxes(data, boxes))
  {
    return true;
  }
  bool allTriangles = true;
  for (vtkIdType i = 0; i < n; ++i)
  {
    allTriangles = allTriangles && data->GetCellType(i) == VTK_TRIANGLE;
    double bounds[6];
    data->GetCellBounds(i, bounds);
    float* box = &boxes[static_cast<size_t>(6 * i)];
    for (int k = 0; k < 3; ++k)
    {
      box[2 * k] = Below(bounds[2 * k]);
      box[2 * k + 1] = Above(bounds[2 * k + 1]);
    }
  }
  return allTriangles;
}

// The largest magnitude among `count` numbers.
template <typename Real>
double Largest(const Real* values, int count)
{
  double largest = 0.0;
  for (int i = 0; i < count; ++i)
  {
    largest = std::max(largest, std::fabs(static_cast<double>(values[i])));
  }
  return largest;
}

} // namespace

SurfacePickLocator::SurfacePickLocator()
  : PickTolerance(0.0)
  , Built(false)
  , AllTriangles(false)
{
}

SurfacePickLocator::~SurfacePickLocator() = default;

vtkSmartPointer<SurfacePickLocator> SurfacePickLocator::Shared(vtkDataSet* data)
{
  // Weak: a locator lives as long as one of its callers holds it. A held locator holds its
  // data set, so no other data set can have taken that address meanwhile.
  static std::vector<vtkWeakPointer<SurfacePickLocator>> held;
  held.erase(std::remove_if(held.begin(), held.end(),
               [](const vtkWeakPointer<SurfacePickLocator>& l) { return l == nullptr; }),
    held.end());
  for (const auto& locator : held)
  {
    if (locator->GetDataSet() == data)
    {
      return locator.Get();
    }
  }
  auto fresh = vtkSmartPointer<SurfacePickLocator>::New();
  fresh->SetDataSet(data);
  held.emplace_back(fresh);
  return fresh;
}

void SurfacePickLocator::PrintSelf(ostream& os, vtkIndent indent)
{
  this->Superclass::PrintSelf(os, indent);
  os << indent << "PickTolerance: " << this->PickTolerance << "\n";
  os << indent << "Nodes: " << this->Nodes.size() << "\n";
}

void SurfacePickLocator::FreeSearchStructure()
{
  this->Nodes.clear();
  this->Nodes.shrink_to_fit();
  this->Cells.clear();
  this->Cells.shrink_to_fit();
  this->Built = false;
  this->AllTriangles = false;
}

void SurfacePickLocator::GenerateRepresentation(int /*level*/, vtkPolyData* /*pd*/)
{
}

void SurfacePickLocator::BuildLocator()
{
  this->FreeSearchStructure();
  // The sort keys hold cell ids in kIdBits bits; a larger data set stays unbuilt and is left
  // to the picker's full scan.
  if (!this->DataSet || static_cast<uint64_t>(this->DataSet->GetNumberOfCells()) > kIdMask)
  {
    return;
  }
  std::vector<float> boxes;
  this->AllTriangles = CellBoxes(this->DataSet, boxes);
  this->OrderCells(boxes);
  this->SplitNodes();
  this->BoxNodes(boxes);
  this->Built = true;
  this->BuildTime.Modified();
}

void SurfacePickLocator::OrderCells(const std::vector<float>& boxes)
{
  // The cells in the order of their centres along a Morton curve through the data set's box,
  // so that cells next to each other in that order lie close together; cells in the same
  // grid cell keep the order of their ids.
  double box[6];
  this->DataSet->GetBounds(box);
  const size_t n = boxes.size() / 6;
  std::vector<uint64_t> keys(n);
  for (size_t i = 0; i < n; ++i)
  {
    keys[i] = (MortonCode(box, &boxes[6 * i]) << kIdBits) | static_cast<uint64_t>(i);
  }
  RadixSortByCode(keys);
  this->Cells.resize(n);
  for (size_t j = 0; j < n; ++j)
  {
    this->Cells[j] = static_cast<uint32_t>(keys[j] & kIdMask);
  }
}

void SurfacePickLocator::SplitNodes()
{
  // Halves every run of more than kLeafSize cells of that order into two children.
  const auto n = static_cast<uint32_t>(this->Cells.size());
  if (n == 0)
  {
    return;
  }
  this->Nodes.reserve(2 * (n / kLeafSize + 1));
  this->Nodes.push_back(Node{ {}, 0, n });
  for (size_t next = 0; next < this->Nodes.size(); ++next)
  {
    const uint32_t first = this->Nodes[next].First;
    const uint32_t count = this->Nodes[next].Count;
    if (count <= kLeafSize)
    {
      continue;
    }
    const auto left = static_cast<uint32_t>(this->Nodes.size());
    this->Nodes[next].First = left;
    this->Nodes[next].Count = 0;
    this->Nodes.push_back(Node{ {}, first, count / 2 });
    this->Nodes.push_back(Node{ {}, first + count / 2, count - count / 2 });
  }
}

void SurfacePickLocator::BoxNodes(const std::vector<float>& boxes)
{
  // From the leaves up: children always come after their parent.
  for (size_t j = this->Nodes.size(); j-- > 0;)
  {
    Node& node = this->Nodes[j];
    std::copy(kEmptyBox, kEmptyBox + 6, node.Box);
    if (node.Count > 0)
    {
      for (uint32_t c = node.First; c < node.First + node.Count; ++c)
      {
        GrowBox(node.Box, &boxes[6 * size_t{ this->Cells[c] }]);
      }
    }
    else
    {
      GrowBox(node.Box, this->Nodes[node.First].Box);
      GrowBox(node.Box, this->Nodes[node.First + 1].Box);
    }
  }
}

void SurfacePickLocator::CollectCandidates(const double p1[3], const double p2[3], double grow)
{
  this->Candidates.clear();
  if (this->Nodes.empty())
  {
    return;
  }
  const double d[3] = { p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2] };
  this->Stack.clear();
  this->Stack.push_back(0);
  while (!this->Stack.empty())
  {
    const Node& node = this->Nodes[this->Stack.back()];
    this->Stack.pop_back();
    if (!SegmentMeetsBox(p1, d, node.Box, grow))
    {
      continue;
    }
    if (node.Count > 0)
    {
      const auto from = this->Cells.begin() + node.First;
      this->Candidates.insert(this->Candidates.end(), from, from + node.Count);
    }
    else
    {
      this->Stack.push_back(node.First + 1);
      this->Stack.push_back(node.First);
    }
  }
  std::sort(this->Candidates.begin(), this->Candidates.end());
}

int SurfacePickLocator::IntersectWithLine(const double p1[3], const double p2[3], double tol,
  double& t, double x[3], double pcoords[3], int& subId, vtkIdType& cellId, vtkGenericCell* cell)
{
  cellId = -1;
  if (!this->DataSet || !cell)
  {
    return 0;
  }
  if (!this->Built || this->MTime > this->BuildTime ||
    this->DataSet->GetMTime() > this->BuildTime)
  {
    this->BuildLocator();
  }

  if (this->AllTriangles)
  {
    // A triangle is hit only where the segment passes within `tol` of it, so inside its box
    // grown by `tol`.
    const double scale = std::max({ Largest(p1, 3), Largest(p2, 3),
      this->Nodes.empty() ? 0.0 : Largest(this->Nodes[0].Box, 6) });
    this->CollectCandidates(p1, p2, tol + kRoundingMargin * (scale + tol));
  }
  else
  {
    // Other cells are tried one and all (a strip as a whole, where the full scan tries its
    // triangles one by one).
    this->Candidates.resize(this->Cells.size());
    std::iota(this->Candidates.begin(), this->Candidates.end(), vtkIdType{ 0 });
  }

  // The full scan's rule: a hit counts when it lies on the segment and no further than the
  // nearest counted hit plus the pick tolerance; it wins when its point lies more inside its
  // cell, or as much inside and nearer. Cells are tried in the order of their ids.
  double tMin = VTK_DOUBLE_MAX;
  double pDistMin = VTK_DOUBLE_MAX;
  vtkIdType best = -1;
  int bestSubId = -1;
  double bestX[3] = { 0.0, 0.0, 0.0 };
  double bestPCoords[3] = { 0.0, 0.0, 0.0 };
  for (const vtkIdType candidate : this->Candidates)
  {
    this->DataSet->GetCell(candidate, cell);
    double tHit = 0.0;
    double xHit[3];
    double pHit[3] = { 0.0, 0.0, 0.0 };
    int subHit = -1;
    if (cell->IntersectWithLine(p1, p2, tol, tHit, xHit, pHit, subHit) &&
      tHit <= tMin + this->PickTolerance && tHit >= 0.0 && tHit <= 1.0)
    {
      const double pDist = cell->GetParametricDistance(pHit);
      if (pDist < pDistMin || (pDist == pDistMin && tHit < tMin))
      {
        tMin = tHit;
        pDistMin = pDist;
        best = candidate;
        bestSubId = subHit;
        std::copy(xHit, xHit + 3, bestX);
        std::copy(pHit, pHit + 3, bestPCoords);
      }
    }
  }
  if (best < 0)
  {
    return 0;
  }

  this->DataSet->GetCell(best, cell);
  t = tMin;
  std::copy(bestX, bestX + 3, x);
  std::copy(bestPCoords, bestPCoords + 3, pcoords);
  subId = bestSubId;
  cellId = best;
  return 1;
}

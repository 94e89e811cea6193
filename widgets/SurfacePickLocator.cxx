// The pick search of SurfacePickLocator: a bounding-box tree narrows the cells down to those
// near the segment, and the picker's full-scan rule is then applied to them in id order.
#include "widgets/SurfacePickLocator.h"

#include <vtkCellType.h>
#include <vtkDataSet.h>
#include <vtkGenericCell.h>
#include <vtkObjectFactory.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

vtkStandardNewMacro(SurfacePickLocator);

namespace
{

// Cells per leaf of the tree.
constexpr vtkIdType kLeafSize = 4;
// Cells per axis of the grid that orders the cells along a Morton curve.
constexpr uint64_t kMortonCells = uint64_t{ 1 } << 21;
// The box that growing by any other box turns into that box.
constexpr double kEmptyBox[6] = { VTK_DOUBLE_MAX, -VTK_DOUBLE_MAX, VTK_DOUBLE_MAX, -VTK_DOUBLE_MAX,
  VTK_DOUBLE_MAX, -VTK_DOUBLE_MAX };
// Boxes are grown by this fraction of the size of the coordinates on top of the picker's
// tolerance, so that rounding never drops a cell that the full scan would hit.
constexpr double kRoundingMargin = 1e-7;

// True when the segment from p with direction d (parameters 0 to 1) meets the box grown by
// `grow` on every side.
bool SegmentMeetsBox(const double p[3], const double d[3], const double box[6], double grow)
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

void GrowBox(double box[6], const double cell[6])
{
  for (int k = 0; k < 3; ++k)
  {
    box[2 * k] = std::min(box[2 * k], cell[2 * k]);
    box[2 * k + 1] = std::max(box[2 * k + 1], cell[2 * k + 1]);
  }
}

// The 21 low bits of v moved to every third bit, for interleaving three coordinates.
uint64_t SpreadBits(uint64_t v)
{
  v &= 0x1fffff;
  v = (v | v << 32) & 0x1f00000000ffff;
  v = (v | v << 16) & 0x1f0000ff0000ff;
  v = (v | v << 8) & 0x100f00f00f00f00f;
  v = (v | v << 4) & 0x10c30c30c30c30c3;
  v = (v | v << 2) & 0x1249249249249249;
  return v;
}

// The largest magnitude among `count` numbers.
double Largest(const double* values, int count)
{
  double largest = 0.0;
  for (int i = 0; i < count; ++i)
  {
    largest = std::max(largest, std::fabs(values[i]));
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
  vtkDataSet* data = this->DataSet;
  if (!data)
  {
    return;
  }

  const vtkIdType n = data->GetNumberOfCells();
  this->AllTriangles = true;
  std::vector<double> bounds(static_cast<size_t>(6 * n));
  for (vtkIdType i = 0; i < n; ++i)
  {
    this->AllTriangles = this->AllTriangles && data->GetCellType(i) == VTK_TRIANGLE;
    data->GetCellBounds(i, &bounds[static_cast<size_t>(6 * i)]);
  }

  // The cells in the order of their centres along a Morton curve through the data set's box,
  // so that cells next to each other in that order lie close together.
  double box[6];
  data->GetBounds(box);
  std::vector<std::pair<uint64_t, vtkIdType>> order(static_cast<size_t>(n));
  for (vtkIdType i = 0; i < n; ++i)
  {
    const double* b = &bounds[static_cast<size_t>(6 * i)];
    uint64_t code = 0;
    for (int k = 0; k < 3; ++k)
    {
      const double extent = box[2 * k + 1] - box[2 * k];
      const double centre = 0.5 * (b[2 * k] + b[2 * k + 1]);
      const double unit = extent > 0.0 ? (centre - box[2 * k]) / extent : 0.0;
      code |= SpreadBits(
        static_cast<uint64_t>(std::clamp(unit, 0.0, 1.0) * static_cast<double>(kMortonCells - 1)))
        << k;
    }
    order[static_cast<size_t>(i)] = { code, i };
  }
  std::sort(order.begin(), order.end());
  this->Cells.resize(static_cast<size_t>(n));
  for (size_t j = 0; j < order.size(); ++j)
  {
    this->Cells[j] = order[j].second;
  }

  // Halves every run of more than kLeafSize cells of that order into two children.
  if (n > 0)
  {
    this->Nodes.reserve(static_cast<size_t>(2 * (n / kLeafSize + 1)));
    this->Nodes.push_back(Node{ {}, 0, n });
  }
  for (size_t next = 0; next < this->Nodes.size(); ++next)
  {
    const vtkIdType first = this->Nodes[next].First;
    const vtkIdType count = this->Nodes[next].Count;
    if (count <= kLeafSize)
    {
      continue;
    }
    const auto left = static_cast<vtkIdType>(this->Nodes.size());
    this->Nodes[next].First = left;
    this->Nodes[next].Count = 0;
    this->Nodes.push_back(Node{ {}, first, count / 2 });
    this->Nodes.push_back(Node{ {}, first + count / 2, count - count / 2 });
  }

  // Boxes from the leaves up: children always come after their parent.
  for (size_t j = this->Nodes.size(); j-- > 0;)
  {
    Node& node = this->Nodes[j];
    std::copy(kEmptyBox, kEmptyBox + 6, node.Box);
    if (node.Count > 0)
    {
      for (vtkIdType c = node.First; c < node.First + node.Count; ++c)
      {
        GrowBox(node.Box, &bounds[static_cast<size_t>(6 * this->Cells[static_cast<size_t>(c)])]);
      }
    }
    else
    {
      GrowBox(node.Box, this->Nodes[static_cast<size_t>(node.First)].Box);
      GrowBox(node.Box, this->Nodes[static_cast<size_t>(node.First + 1)].Box);
    }
  }

  this->Built = true;
  this->BuildTime.Modified();
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
    const Node& node = this->Nodes[static_cast<size_t>(this->Stack.back())];
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
    this->Candidates = this->Cells;
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

// Peaks and valleys of the gum line along each side of the working loop, and the pairs of
// successive valleys between which the loop is flattened.
#include "cutline/CutLineGenerator.h"
#include "cutline/CutLineRules.h"
#include "cutline/TurnedFrame.h"

#include <vtkMath.h>
#include <vtkPoints.h>

#include <cmath>

namespace
{

// How far from the end of the buccal side, along the arm, its end zones reach.
constexpr double kEndZoneDepth = -15.0;

int PointCount(vtkPoints* loop)
{
  return loop ? static_cast<int>(loop->GetNumberOfPoints()) : 0;
}

// True when i and the point after it are both in the loop.
bool HasNext(int i, int n)
{
  return i >= 0 && i + 1 < n;
}

double Z(vtkPoints* loop, int i)
{
  return loop->GetPoint(i)[2];
}

ExtremumItem Item(int index, bool peak)
{
  return ExtremumItem{ index, static_cast<std::uint8_t>(peak ? 1 : 0), 0 };
}

// Peaks and valleys of z along a side, as sign changes of the step to the next loop point;
// the list then begins and ends with a valley. Empty when the side has fewer than two.
std::vector<ExtremumItem> HeightExtrema(vtkPoints* loop, const std::vector<int>& range)
{
  const int n = PointCount(loop);
  std::vector<int> indices;
  std::vector<double> steps;
  for (int i : range)
  {
    if (HasNext(i, n))
    {
      indices.push_back(i);
      steps.push_back(Z(loop, i + 1) - Z(loop, i));
    }
  }

  std::vector<ExtremumItem> items;
  for (size_t k = 0; k + 1 < steps.size(); ++k)
  {
    if (steps[k] > 0.0 && steps[k + 1] < 0.0)
    {
      items.push_back(Item(indices[k] + 1, true));
    }
    else if (steps[k] < 0.0 && steps[k + 1] > 0.0)
    {
      items.push_back(Item(indices[k] + 1, false));
    }
  }
  if (items.size() < 2)
  {
    return {};
  }
  if (items.front().isPeak)
  {
    items.insert(items.begin(), Item(indices.front(), false));
  }
  if (items.back().isPeak)
  {
    items.push_back(Item(indices.back(), false));
  }
  return items;
}

// Lateral extrema near one end of the buccal side, measured across the arm in the frame about
// the side's end point. In the left zone's frame x' grows toward the middle of the arch, in
// the right zone's away from it, so the kinds are swapped between the two: in both, the point
// where the line bulges farthest outward is a valley.
std::vector<ExtremumItem> EndZoneExtrema(vtkPoints* loop, const std::vector<int>& buccalRange,
  bool leftZone)
{
  const int n = PointCount(loop);
  const int frameIndex = leftZone ? buccalRange.front() : buccalRange.back();
  if (frameIndex < 0 || frameIndex >= n)
  {
    return {};
  }
  const TurnedFrame frame(
    loop->GetPoint(frameIndex), leftZone ? -CutLineRules::kArmAngle : CutLineRules::kArmAngle);

  std::vector<int> indices;
  std::vector<double> steps;
  for (int i : buccalRange)
  {
    if (!HasNext(i, n))
    {
      continue;
    }
    double p[3];
    loop->GetPoint(i, p);
    const bool inHalf = leftZone ? p[0] <= 0.0 : p[0] >= 0.0;
    if (inHalf && frame.Y(p) > kEndZoneDepth)
    {
      double next[3];
      loop->GetPoint(i + 1, next);
      indices.push_back(i);
      steps.push_back(frame.X(next) - frame.X(p));
    }
  }

  std::vector<ExtremumItem> items;
  for (size_t k = 0; k + 1 < steps.size(); ++k)
  {
    if (steps[k] > 0.0 && steps[k + 1] < 0.0)
    {
      items.push_back(Item(indices[k] + 1, leftZone));
    }
    else if (steps[k] < 0.0 && steps[k + 1] > 0.0)
    {
      items.push_back(Item(indices[k] + 1, !leftZone));
    }
  }
  if (leftZone && !items.empty() && items.front().isPeak)
  {
    items.insert(items.begin(), Item(indices.front(), false));
  }
  if (!leftZone && !items.empty() && items.back().isPeak)
  {
    items.push_back(Item(indices.back(), false));
  }
  return items;
}

// Pairs of successive unmarked valleys of a list.
void AppendValleyPairs(const std::vector<ExtremumItem>& items, std::vector<ValleyPair>& pairs)
{
  std::vector<int> valleys;
  for (const ExtremumItem& item : items)
  {
    if (!item.isPeak && !item.marked)
    {
      valleys.push_back(item.index);
    }
  }
  for (size_t k = 0; k + 1 < valleys.size(); ++k)
  {
    pairs.push_back(ValleyPair{ valleys[k], valleys[k + 1] });
  }
}

} // namespace

void CutLineGenerator::FindValleyPairs(vtkSmartPointer<vtkPoints> loop,
  const LoopPartition* partition, std::vector<ValleyPair>& lingualPairs,
  std::vector<ValleyPair>& buccalPairs)
{
  if (!partition)
  {
    return;
  }
  FindLingualValleyPairs(loop, partition->lingualRange, lingualPairs);

  std::vector<ExtremumItem> rightEnd;
  CollectRightEndExtrema(loop, partition, rightEnd);
  std::vector<ExtremumItem> leftEnd;
  if (!partition->buccalRange.empty())
  {
    leftEnd = EndZoneExtrema(loop, partition->buccalRange, true);
  }
  FindBuccalValleyPairs(loop, partition->buccalRange, leftEnd, rightEnd, buccalPairs);
}

void CutLineGenerator::FindLingualValleyPairs(vtkSmartPointer<vtkPoints> loop,
  const std::vector<int>& lingualRange, std::vector<ValleyPair>& pairs)
{
  std::vector<ExtremumItem> items = HeightExtrema(loop, lingualRange);
  if (items.empty())
  {
    return;
  }
  MarkNotchValleys(loop, items);
  AppendValleyPairs(items, pairs);
}

void CutLineGenerator::FindBuccalValleyPairs(vtkSmartPointer<vtkPoints> loop,
  const std::vector<int>& buccalRange, const std::vector<ExtremumItem>& leftEnd,
  const std::vector<ExtremumItem>& rightEnd, std::vector<ValleyPair>& pairs)
{
  const std::vector<ExtremumItem> middle = HeightExtrema(loop, buccalRange);
  if (middle.empty())
  {
    return;
  }
  std::vector<ExtremumItem> items = MergeEndExtrema(leftEnd, middle, rightEnd);
  MarkNotchValleys(loop, items);
  AppendValleyPairs(items, pairs);
}

void CutLineGenerator::CollectRightEndExtrema(vtkSmartPointer<vtkPoints> loop,
  const LoopPartition* partition, std::vector<ExtremumItem>& items)
{
  if (!partition || partition->buccalRange.empty())
  {
    return;
  }
  const std::vector<ExtremumItem> zone = EndZoneExtrema(loop, partition->buccalRange, false);
  items.insert(items.end(), zone.begin(), zone.end());
}

std::vector<ExtremumItem> CutLineGenerator::MergeEndExtrema(const std::vector<ExtremumItem>& leftEnd,
  const std::vector<ExtremumItem>& middle, const std::vector<ExtremumItem>& rightEnd)
{
  if (leftEnd.empty())
  {
    return {};
  }
  std::vector<ExtremumItem> merged = leftEnd;
  const ExtremumItem& last = leftEnd.back();

  // The middle run starts beyond the left zone, with the kind after the left zone's last item.
  size_t start = 0;
  while (start < middle.size()
    && !(middle[start].index > last.index && middle[start].isPeak != last.isPeak))
  {
    ++start;
  }

  if (rightEnd.empty())
  {
    // No right end zone: the middle run goes on to the end of the side.
    merged.insert(merged.end(), middle.begin() + static_cast<std::ptrdiff_t>(start), middle.end());
    return merged;
  }

  const ExtremumItem& first = rightEnd.front();
  if (start == middle.size())
  {
    // Nothing of the middle lies beyond the left zone: the right zone follows it directly,
    // from its first item beyond the left zone's last, so that the list keeps ascending.
    for (const ExtremumItem& item : rightEnd)
    {
      if (item.index > last.index)
      {
        merged.push_back(item);
      }
    }
    return merged;
  }

  // The run ends before the right zone, with the kind before the right zone's first item.
  size_t end = middle.size();
  for (size_t k = middle.size(); k-- > start;)
  {
    if (middle[k].index < first.index && middle[k].isPeak != first.isPeak)
    {
      end = k;
      break;
    }
  }
  if (end != middle.size())
  {
    merged.insert(merged.end(), middle.begin() + static_cast<std::ptrdiff_t>(start),
      middle.begin() + static_cast<std::ptrdiff_t>(end) + 1);
  }
  merged.insert(merged.end(), rightEnd.begin(), rightEnd.end());
  return merged;
}

void CutLineGenerator::MarkNotchValleys(
  vtkSmartPointer<vtkPoints> loop, std::vector<ExtremumItem>& items)
{
  const int n = PointCount(loop);
  const size_t count = items.size();
  if (count < 5)
  {
    return;
  }
  for (size_t c = 2; c + 2 < count; ++c)
  {
    if (items[c].isPeak)
    {
      continue;
    }
    double p[5][3];
    bool inLoop = true;
    for (size_t k = 0; k < 5; ++k)
    {
      const int index = items[c - 2 + k].index;
      inLoop = inLoop && index >= 0 && index < n;
      if (inLoop)
      {
        loop->GetPoint(index, p[k]);
      }
    }
    if (!inLoop)
    {
      continue;
    }
    // a, b, c, d, e: the valley c between peaks b and d, and the valleys a and e beyond them.
    const double za = p[0][2];
    const double zb = p[1][2];
    const double zc = p[2][2];
    const double zd = p[3][2];
    const double ze = p[4][2];
    const bool aboveBefore = zc - za > 0.2 && zc - za > zb - zc;
    const bool aboveAfter = zc - ze > 0.2 && zc - ze > zd - zc;
    const bool shortStretch = std::sqrt(vtkMath::Distance2BetweenPoints(p[0], p[4])) <= 9.0;
    const bool closePeaks = std::sqrt(vtkMath::Distance2BetweenPoints(p[1], p[3])) <= 3.0;
    if (aboveBefore && aboveAfter && shortStretch && closePeaks)
    {
      items[c].marked = 1;
    }
  }
}

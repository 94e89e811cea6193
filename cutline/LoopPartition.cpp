// Splits the working loop into its lingual side, its buccal side and the two distal caps, by
// where the loop crosses the line 5.0 before each arm's distal end.
#include "cutline/CutLineGenerator.h"
#include "cutline/CutLineRules.h"
#include "cutline/TurnedFrame.h"

#include <vtkPoints.h>

#include <iostream>

namespace
{

// Distance before an arm's distal end, along the arm, where its cap ends.
constexpr double kCapDepth = -5.0;

// Loop indices from..to-1, empty when either bound was never found or to is not above from.
std::vector<int> IndexRun(int from, int to)
{
  std::vector<int> run;
  if (from < 0 || to < 0)
  {
    return run;
  }
  for (int i = from; i < to; ++i)
  {
    run.push_back(i);
  }
  return run;
}

} // namespace

void CutLineGenerator::PartitionLoop(vtkSmartPointer<vtkPoints> loop, LoopPartition& partition)
{
  partition.leftIndex = -1;
  partition.rightIndex = 0;
  partition.lingualRange.clear();
  partition.buccalRange.clear();

  const int n = loop ? static_cast<int>(loop->GetNumberOfPoints()) : 0;
  if (n == 0)
  {
    return;
  }

  double best = -1000.0;
  for (int i = 0; i < n; ++i)
  {
    double p[3];
    loop->GetPoint(i, p);
    if (p[0] < 0.0 && p[1] > best)
    {
      best = p[1];
      partition.leftIndex = i;
    }
  }

  double rightEnd[3];
  loop->GetPoint(partition.rightIndex, rightEnd);
  const TurnedFrame rightCap(rightEnd, CutLineRules::kArmAngle);
  // Without a point left of x = 0 there is no left cap: edges judged in its frame cross nothing.
  const bool hasLeft = partition.leftIndex >= 0;
  double leftEnd[3] = { 0.0, 0.0, 0.0 };
  if (hasLeft)
  {
    loop->GetPoint(partition.leftIndex, leftEnd);
  }
  const TurnedFrame leftCap(leftEnd, -CutLineRules::kArmAngle);

  int end1 = -1;
  int start1 = -1;
  int start2 = -1;
  int end2 = -1;
  for (int i = 0; i < n; ++i)
  {
    const int j = (i + 1) % n;
    double p[3];
    double q[3];
    loop->GetPoint(i, p);
    loop->GetPoint(j, q);
    if (p[0] > 0.0)
    {
      const double yp = rightCap.Y(p);
      const double yq = rightCap.Y(q);
      if (yp >= kCapDepth && yq < kCapDepth)
      {
        end1 = i;
        std::cout << "end_1 == " << i << std::endl;
      }
      else if (yp < kCapDepth && yq >= kCapDepth)
      {
        start1 = j;
        std::cout << "start _1 == " << j << std::endl;
      }
    }
    else if (hasLeft)
    {
      // Entering the left cap, an edge that starts exactly on the boundary counts as well.
      const double yp = leftCap.Y(p);
      const double yq = leftCap.Y(q);
      if (yp >= kCapDepth && yq < kCapDepth)
      {
        end2 = i;
      }
      else if (yp <= kCapDepth && yq >= kCapDepth)
      {
        start2 = j;
      }
    }
  }

  partition.lingualRange = IndexRun(end1, start2);
  partition.buccalRange = IndexRun(end2, start1);
}

// The cut-line driver: the gum line is turned into a working loop that starts at the right
// distal end, partitioned, flattened between its valleys, assembled, smoothed and projected.
#include "cutline/CutLineGenerator.h"

#include <vtkPoints.h>

#include <iostream>

namespace
{

// Twice the area the closed line encloses in the xy plane: positive when it runs
// counter-clockwise seen from +z.
double TwiceSignedAreaXY(vtkPoints* line)
{
  const vtkIdType n = line->GetNumberOfPoints();
  double sum = 0.0;
  for (vtkIdType i = 0; i < n; ++i)
  {
    double p[3];
    double q[3];
    line->GetPoint(i, p);
    line->GetPoint((i + 1) % n, q);
    sum += p[0] * q[1] - q[0] * p[1];
  }
  return sum;
}

// The points of `line` in the opposite order.
vtkSmartPointer<vtkPoints> Reversed(vtkPoints* line)
{
  auto reversed = vtkSmartPointer<vtkPoints>::New();
  reversed->SetDataType(line->GetDataType());
  const vtkIdType n = line->GetNumberOfPoints();
  reversed->Allocate(n);
  for (vtkIdType i = n - 1; i >= 0; --i)
  {
    reversed->InsertNextPoint(line->GetPoint(i));
  }
  return reversed;
}

} // namespace

vtkSmartPointer<vtkPoints> CutLineGenerator::GenerateCutLine(vtkSmartPointer<vtkPoints> gumLine,
  double lingualKeep, double buccalKeep, double buccalDrop)
{
  BuccalDrop = buccalDrop;

  // Every step below takes the loop to run counter-clockwise seen from +z: its sides, its
  // valleys and its outward directions follow from that. A clockwise gum line (drawn or saved
  // the other way round) is taken in the opposite order; the caller's line is not changed.
  if (gumLine && TwiceSignedAreaXY(gumLine) < 0.0)
  {
    gumLine = Reversed(gumLine);
  }

  const vtkIdType n = gumLine ? gumLine->GetNumberOfPoints() : 0;
  double best = -1000.0;
  vtkIdType rightIndex = -1;
  for (vtkIdType i = 0; i < n; ++i)
  {
    double p[3];
    gumLine->GetPoint(i, p);
    if (p[0] > 0.0 && p[1] > best)
    {
      best = p[1];
      rightIndex = i;
    }
  }
  std::cout << "rightIndex == " << rightIndex << std::endl;

  // Without a right distal end there is no loop to start; without a point left of x = 0 the
  // partition finds no left cap. Either way there is no cut line.
  auto none = vtkSmartPointer<vtkPoints>::New();
  if (rightIndex < 0)
  {
    return none;
  }

  // The working loop keeps single precision, like every point list handed between the steps.
  auto loop = vtkSmartPointer<vtkPoints>::New();
  loop->Allocate(n);
  for (vtkIdType k = rightIndex; k < rightIndex + n; ++k)
  {
    loop->InsertNextPoint(gumLine->GetPoint(k % n));
  }

  LoopPartition partition;
  PartitionLoop(loop, partition);
  if (partition.leftIndex < 0)
  {
    return none;
  }

  std::vector<ValleyPair> lingualPairs;
  std::vector<ValleyPair> buccalPairs;
  FindValleyPairs(loop, &partition, lingualPairs, buccalPairs);
  for (const ValleyPair& pair : lingualPairs)
  {
    ShrinkTowardChord(pair, loop, lingualKeep);
  }
  for (const ValleyPair& pair : buccalPairs)
  {
    ShrinkTowardChord(pair, loop, buccalKeep);
  }

  return RebuildSmoothLoop(AssembleLoop(loop, lingualPairs, buccalPairs, partition));
}

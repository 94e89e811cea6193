// Flattening of the working loop toward the chord between two valleys, and the assembly of the
// valleys and evenly spaced loop points between them into the loop that is smoothed.
#include "cutline/CutLineGenerator.h"

#include <vtkMath.h>
#include <vtkPoints.h>

#include <cmath>
#include <set>

namespace
{

// Spacing along the loop of the points taken between two anchors.
constexpr double kAssemblySpacing = 1.2;

double Distance(vtkPoints* loop, int i, int j)
{
  double p[3];
  double q[3];
  loop->GetPoint(i, p);
  loop->GetPoint(j, q);
  return std::sqrt(vtkMath::Distance2BetweenPoints(p, q));
}

} // namespace

void CutLineGenerator::ShrinkTowardChord(ValleyPair pair, vtkSmartPointer<vtkPoints> loop,
  double keep)
{
  const int n = loop ? static_cast<int>(loop->GetNumberOfPoints()) : 0;
  if (pair.first < 0 || pair.last >= n || pair.last <= pair.first + 1)
  {
    return;
  }
  double a[3];
  double b[3];
  loop->GetPoint(pair.first, a);
  loop->GetPoint(pair.last, b);
  double u[3] = { b[0] - a[0], b[1] - a[1], b[2] - a[2] };
  const double length = vtkMath::Norm(u);
  if (!(length > 0.0))
  {
    // Coinciding ends give no chord to pull toward: the stretch stays as it is.
    return;
  }
  for (double& c : u)
  {
    c /= length;
  }

  for (int i = pair.first + 1; i < pair.last; ++i)
  {
    double p[3];
    loop->GetPoint(i, p);
    const double t = u[0] * (p[0] - a[0]) + u[1] * (p[1] - a[1]) + u[2] * (p[2] - a[2]);
    double moved[3];
    for (int k = 0; k < 3; ++k)
    {
      const double foot = a[k] + t * u[k];
      moved[k] = foot + keep * (p[k] - foot);
    }
    loop->SetPoint(i, moved);
  }
  loop->Modified();
}

vtkSmartPointer<vtkPoints> CutLineGenerator::AssembleLoop(vtkSmartPointer<vtkPoints> loop,
  const std::vector<ValleyPair>& lingualPairs, const std::vector<ValleyPair>& buccalPairs,
  const LoopPartition& partition)
{
  auto assembled = vtkSmartPointer<vtkPoints>::New();
  const int n = loop ? static_cast<int>(loop->GetNumberOfPoints()) : 0;

  std::set<int> anchorSet;
  for (const std::vector<ValleyPair>* pairs : { &lingualPairs, &buccalPairs })
  {
    for (const ValleyPair& pair : *pairs)
    {
      for (int index : { pair.first, pair.last })
      {
        if (index >= 0 && index < n)
        {
          anchorSet.insert(index);
        }
      }
    }
  }
  const std::vector<int> anchors(anchorSet.begin(), anchorSet.end());

  std::vector<int> order;
  for (size_t k = 0; k < anchors.size(); ++k)
  {
    const int a = anchors[k];
    order.push_back(a);
    ResampleIndexWindow(loop, a, anchors[(k + 1) % anchors.size()], order);
  }

  const std::vector<int>& buccal = partition.buccalRange;
  for (int i : order)
  {
    double p[3];
    loop->GetPoint(i, p);
    if (!buccal.empty() && buccal.front() <= i && i <= buccal.back())
    {
      p[2] -= BuccalDrop;
    }
    assembled->InsertNextPoint(p);
  }
  return assembled;
}

void CutLineGenerator::ResampleIndexWindow(vtkSmartPointer<vtkPoints> loop, int a, int b,
  std::vector<int>& out)
{
  const int n = loop ? static_cast<int>(loop->GetNumberOfPoints()) : 0;
  if (a < 0 || a >= n || b < 0 || b >= n)
  {
    return;
  }

  const bool wraps = a >= b;
  const int span = wraps ? b + n - a : b - a;
  const int end = a + span;
  double length = 0.0;
  for (int j = a; j < end; ++j)
  {
    length += Distance(loop, (j + 1) % n, j % n);
  }

  // Without length between the anchors there is nothing to take (only a itself would be tried).
  const double count = length / kAssemblySpacing;
  if (!(count > 0.0))
  {
    return;
  }
  double step = span / count;
  if (step < 1.0001)
  {
    step = 1.001;
  }
  for (double t = a; t < end; t += step)
  {
    int i = static_cast<int>(t + 0.5);
    if (wraps)
    {
      i %= n;
    }
    if (i != a && i != b)
    {
      out.push_back(i);
    }
  }
}

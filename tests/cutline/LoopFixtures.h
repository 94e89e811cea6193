// Small point-list fixtures and console capture shared by the cut-line generation tests:
// loops with a point hidden past their end, points read back, and the lines a call writes.
#pragma once

#include "cutline/PoseTypes.h"
#include "tests/cutline/CutLineFixtures.h"

#include <vtkPoints.h>
#include <vtkSmartPointer.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace cutlinetest
{

// A single-precision loop of `points` whose storage holds one more point, `hidden`, just past
// its end (shrinking a point list keeps its storage): a read beyond the loop sees that point
// instead of arbitrary memory, so a test can tell it happened.
inline vtkSmartPointer<vtkPoints> MakePointsWithHiddenTail(
  std::vector<Point3> points, const Point3& hidden)
{
  points.push_back(hidden);
  auto list = MakePoints(points);
  list->SetNumberOfPoints(static_cast<vtkIdType>(points.size()) - 1);
  return list;
}

inline std::vector<Point3> ReadPoints(vtkPoints* list)
{
  std::vector<Point3> points;
  for (vtkIdType i = 0; list && i < list->GetNumberOfPoints(); ++i)
  {
    double p[3];
    list->GetPoint(i, p);
    points.push_back(Point3{ p[0], p[1], p[2] });
  }
  return points;
}

// A schematic loop in which only the signs of x and the y' values in the two cap frames
// matter (it need not look like a jaw). The right cap frame is about point 0, the left about
// point 9 (the x < 0 point with the largest y); both lie on x = 0 but for a tiny offset.
// Every other point keeps at least 0.5 from y' = -5.0 in the frame it is judged in:
//   0 right end | 1-2 right cap | 3-6 lingual | 7-8 left cap | 9 left end | 10-11 left cap
//   12-16 buccal | 17-19 right cap
// so end_1 = 2, start_2 = 7, end_2 = 12 and start_1 = 17.
inline std::vector<Point3> SchematicLoop()
{
  return { { 1e-6, 10, 0 }, { 1, 8, 0 }, { 2, 5, 0 }, { 2, 3, 0 }, { 1, 0, 0 }, { -1, 0, 0 },
    { -2, 3, 0 }, { -2, 5, 0 }, { -1, 8, 0 }, { -1e-6, 10, 0 }, { -3, 9, 0 }, { -4, 6, 0 },
    { -4, 4, 0 }, { -4, 2, 0 }, { -3, -2, 0 }, { 3, -2, 0 }, { 4, 2, 0 }, { 4, 4, 0 },
    { 4, 6, 0 }, { 3, 9, 0 } };
}

// Gum-line indices of the working loop: from the right distal end (the first point with x > 0
// and the largest y), in the gum line's own direction.
inline std::vector<int> LoopOrder(const std::vector<Point3>& gum)
{
  const int n = static_cast<int>(gum.size());
  int right = -1;
  double best = -1000.0;
  for (int i = 0; i < n; ++i)
  {
    if (gum[i].x > 0.0 && gum[i].y > best)
    {
      best = gum[i].y;
      right = i;
    }
  }
  std::vector<int> order;
  for (int k = 0; k < n; ++k)
  {
    order.push_back((right + k) % n);
  }
  return order;
}

// The lines that `call` writes to standard output.
template <class Call>
std::vector<std::string> CapturedLines(Call&& call)
{
  testing::internal::CaptureStdout();
  call();
  std::istringstream text(testing::internal::GetCapturedStdout());
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);)
  {
    lines.push_back(line);
  }
  return lines;
}

} // namespace cutlinetest

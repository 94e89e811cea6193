// Small point-list fixtures and console capture shared by the cut-line generation tests:
// loops built from coordinate lists, read back as points, and the lines a call writes.
#pragma once

#include "cutline/PoseTypes.h"

#include <vtkPoints.h>
#include <vtkSmartPointer.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace cutlinetest
{

// A point list of VTK's default (single-precision) type, or of doubles when asked.
inline vtkSmartPointer<vtkPoints> MakePoints(
  const std::vector<Point3>& points, bool doublePrecision = false)
{
  auto list = vtkSmartPointer<vtkPoints>::New();
  if (doublePrecision)
  {
    list->SetDataTypeToDouble();
  }
  for (const Point3& p : points)
  {
    list->InsertNextPoint(p.x, p.y, p.z);
  }
  return list;
}

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

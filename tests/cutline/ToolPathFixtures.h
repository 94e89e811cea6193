// Tool-path inputs shared by the format and file-safety tests: entries with chosen direction
// angles, a few machine poses, and the values no file may carry.
#pragma once

#include "cutline/ToolPath.h"

#include <vtkMath.h>

#include <cmath>
#include <limits>
#include <vector>

namespace cutlinetest
{

inline const double kNaN = std::numeric_limits<double>::quiet_NaN();
inline const double kInf = std::numeric_limits<double>::infinity();

// An entry at (x, y, 0) with the horizontal direction at `degrees` from +X.
inline PoseDir Entry(double x, double y, double degrees)
{
  const double t = vtkMath::RadiansFromDegrees(degrees);
  return PoseDir{ Point3{ x, y, 0.0 }, Point3{ std::cos(t), std::sin(t), 0.0 } };
}

// Entries at x < 0, so the start stays at the first, with the given direction angles.
inline std::vector<PoseDir> LeftLoop(const std::vector<double>& degrees)
{
  std::vector<PoseDir> entries;
  for (size_t i = 0; i < degrees.size(); ++i)
  {
    entries.push_back(Entry(-10.0 - static_cast<double>(i), 5.0, degrees[i]));
  }
  return entries;
}

inline std::vector<Pose4> SomePoses(int n)
{
  std::vector<Pose4> poses;
  for (int i = 0; i < n; ++i)
  {
    poses.push_back(Pose4{ 1.5 + i, -2.25 - i, 3.0 + 0.5 * i, 90.0 - 10.0 * i });
  }
  return poses;
}

} // namespace cutlinetest

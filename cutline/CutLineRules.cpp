// The tool-axis slope and the step from evenly spaced cut-line samples to tool poses.
#include "cutline/CutLineRules.h"

#include "cutline/CutLineGenerator.h"

#include <vtkMath.h>
#include <vtkPoints.h>

#include <cmath>

namespace CutLineRules
{

std::vector<PoseDir> PosesAlong(vtkPoints* samples)
{
  std::vector<Point3> dirs;
  CutLineGenerator::ComputeDirections(samples, DirectionWindow(kSampleSpacing), dirs);
  std::vector<PoseDir> poses;
  poses.reserve(dirs.size());
  for (size_t j = 0; j < dirs.size(); ++j)
  {
    double p[3];
    samples->GetPoint(static_cast<vtkIdType>(j), p);
    poses.push_back(PoseDir{ Point3{ p[0], p[1], p[2] }, dirs[j] });
  }
  return poses;
}

} // namespace CutLineRules

double ToolAxisSlope()
{
  return std::sqrt(3.0) / 3.0;
}

double SideAcross(const double axis[3], const double tangent[3], double side[3])
{
  vtkMath::Cross(axis, tangent, side);
  return vtkMath::Normalize(side);
}

void TiltedToolAxis(const double direction[3], double axis[3])
{
  axis[0] = direction[0];
  axis[1] = direction[1];
  axis[2] = direction[2] + ToolAxisSlope();
  vtkMath::Normalize(axis);
}

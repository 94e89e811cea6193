// Fitting the export poses to the model along the tilted tool axis, and lowering the cut
// line's control points with a snap back onto the model.
#include "cutline/CutLineGenerator.h"
#include "cutline/CutLineRules.h"

#include <vtkMath.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>

#include <cmath>

namespace
{

// How far a pose may move in one adjustment.
constexpr double kMaxCorrection = 0.7;

// Window of the lowering's directions: control points lie about 1.5 apart, so every 4th point
// (about 6 units) is a sample.
int LoweringWindow()
{
  return CutLineRules::DirectionWindow(CutLineRules::kControlPointSpacing);
}

} // namespace

bool CutLineGenerator::AdjustPosesToModel(std::vector<PoseDir>& poses)
{
  FitPosesToModel(poses);
  // The verdict asks only where each fitted pose lies: the crossing that a probe moved its pose
  // toward may be a second surface farther out along the axis (a neighbouring tooth, the far
  // wall of a gap), while the pose itself still lies on the model.
  for (const PoseDir& pose : poses)
  {
    if (!LiesOnModel(pose.point))
    {
      return false;
    }
  }
  return true;
}

void CutLineGenerator::FitPosesToModel(std::vector<PoseDir>& poses)
{
  const size_t n = poses.size();
  // With fewer than three poses the neighbours on both sides are the same point, so there is
  // no tangent and no side to probe: the poses stay where they are.
  if (n < 3)
  {
    return;
  }

  // Tangents from the incoming positions, before any pose moves.
  std::vector<Point3> tangents(n);
  for (size_t i = 0; i < n; ++i)
  {
    const Point3& next = poses[(i + 1) % n].point;
    const Point3& prev = poses[(i + n - 1) % n].point;
    double t[3] = { next.x - prev.x, next.y - prev.y, next.z - prev.z };
    vtkMath::Normalize(t);
    tangents[i] = Point3{ t[0], t[1], t[2] };
  }

  for (size_t i = 0; i < n; ++i)
  {
    Point3& p = poses[i].point;
    const Point3& d = poses[i].direction;
    const double direction[3] = { d.x, d.y, d.z };
    double axis[3];
    TiltedToolAxis(direction, axis);

    const double tangent[3] = { tangents[i].x, tangents[i].y, tangents[i].z };
    double side[3];
    const double sideLength = SideAcross(axis, tangent, side);
    // Coincident neighbours or an undefined direction leave no side to probe on: the pose
    // keeps its position rather than taking a value from nowhere.
    if (!(sideLength > 0.0) || !std::isfinite(sideLength))
    {
      continue;
    }

    // The probe lies on the inner upper side of the pose.
    using CutLineRules::kProbeOffset;
    const double probe[3] = { p.x + kProbeOffset * side[0], p.y + kProbeOffset * side[1],
      p.z + kProbeOffset * side[2] };
    const Point3 hit = ProjectAlongAxis(probe, axis);
    double delta[3] = { hit.x - probe[0], hit.y - probe[1], hit.z - probe[2] };
    const double length = vtkMath::Norm(delta);
    const double scale = length < kMaxCorrection ? 1.0 : kMaxCorrection / length;
    p.x += scale * delta[0];
    p.y += scale * delta[1];
    p.z += scale * delta[2];
  }
}

vtkSmartPointer<vtkPoints> CutLineGenerator::MoveDown(
  vtkSmartPointer<vtkParametricSpline> spline, double delta)
{
  if (!spline)
  {
    return nullptr;
  }

  auto lowered = vtkSmartPointer<vtkPoints>::New();
  vtkPoints* control = spline->GetPoints();
  if (!control)
  {
    return lowered;
  }

  // The spline's own control points go down first, whatever happens next.
  const vtkIdType n = control->GetNumberOfPoints();
  for (vtkIdType i = 0; i < n; ++i)
  {
    double p[3];
    control->GetPoint(i, p);
    p[2] -= delta;
    control->SetPoint(i, p);
  }
  control->Modified();
  spline->Modified();

  std::vector<Point3> dirs;
  ComputeDirections(control, LoweringWindow(), dirs);

  // Four or fewer control points give no direction (fewer than a window) or one shared by the
  // whole loop (exactly a window), which would snap most points along a wrong axis; such a
  // line is only lowered.
  const bool snap = n > LoweringWindow() && dirs.size() == static_cast<size_t>(n);
  lowered->Allocate(n);
  for (vtkIdType i = 0; i < n; ++i)
  {
    double p[3];
    control->GetPoint(i, p);
    if (!snap)
    {
      lowered->InsertNextPoint(p);
      continue;
    }
    const Point3& d = dirs[static_cast<size_t>(i)];
    const double direction[3] = { d.x, d.y, d.z };
    double axis[3];
    TiltedToolAxis(direction, axis);
    const Point3 onModel = ProjectAlongAxis(p, axis);
    lowered->InsertNextPoint(onModel.x, onModel.y, onModel.z);
  }
  return lowered;
}

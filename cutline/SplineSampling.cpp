// Even sampling of closed splines, horizontal outward tool directions per point, and the
// smoothing step that turns the assembled gum-line loop into the cut line's control points.
#include "cutline/CutLineGenerator.h"
#include "cutline/CutLineRules.h"
#include "geometry/UnitVectorAngle.h"

#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkParametricSpline.h>
#include <vtkPlane.h>
#include <vtkPoints.h>
#include <vtkTransform.h>

#include <cmath>

namespace
{

// Turns `from` toward `to` by step/span of the angle between them, using `rotation` as scratch
// so that a pass over many points does not allocate a transform per point.
Point3 Interpolate(vtkTransform* rotation, const double from[3], const double to[3], int span,
  int step, const double axis180[3])
{
  const Point3 unchanged{ from[0], from[1], from[2] };
  if (step == 0)
  {
    return unchanged;
  }

  const double theta = AngleFromCosine(vtkMath::Dot(from, to));

  double axis[3];
  if (std::fabs(theta - 180.0) < 1e-6)
  {
    axis[0] = axis180[0];
    axis[1] = axis180[1];
    axis[2] = axis180[2];
  }
  else if (std::fabs(theta) < 1e-6)
  {
    return unchanged;
  }
  else
  {
    vtkMath::Cross(from, to, axis);
    vtkMath::Normalize(axis);
  }

  rotation->Identity();
  rotation->RotateWXYZ(step * theta / span, axis);
  double turned[3];
  rotation->TransformVector(from, turned);
  return Point3{ turned[0], turned[1], turned[2] };
}

// Unit horizontal direction of a tangent turned by -90 degrees about +Z.
void OutwardOfTangent(const double prev[3], const double next[3], double out[3])
{
  double t[3] = { next[0] - prev[0], next[1] - prev[1], next[2] - prev[2] };
  vtkMath::Normalize(t);
  const double origin[3] = { 0.0, 0.0, 0.0 };
  const double up[3] = { 0.0, 0.0, 1.0 };
  double flat[3];
  vtkPlane::ProjectVector(t, origin, up, flat);
  vtkMath::Normalize(flat);
  out[0] = flat[1];
  out[1] = -flat[0];
  out[2] = 0.0;
  vtkMath::Normalize(out);
}

} // namespace

vtkSmartPointer<vtkPoints> CutLineGenerator::ResampleClosedSpline(
  vtkSmartPointer<vtkParametricSpline> spline, double step)
{
  auto samples = vtkSmartPointer<vtkPoints>::New();
  if (!spline || !(step > 0.0))
  {
    return samples;
  }

  vtkPoints* control = spline->GetPoints();
  const vtkIdType n = control ? control->GetNumberOfPoints() : 0;
  double length = 0.0;
  for (vtkIdType k = 0; k < n; ++k)
  {
    double a[3];
    double b[3];
    control->GetPoint(k, a);
    control->GetPoint((k + 1) % n, b);
    length += std::sqrt(vtkMath::Distance2BetweenPoints(a, b));
  }

  const auto m = static_cast<vtkIdType>(length / step);
  samples->Allocate(m);
  for (vtkIdType i = 0; i < m; ++i)
  {
    double u[3] = { static_cast<double>(i) / static_cast<double>(m), 0.0, 0.0 };
    double p[3] = { 0.0, 0.0, 0.0 };
    spline->Evaluate(u, p, nullptr);
    samples->InsertNextPoint(p);
  }
  return samples;
}

void CutLineGenerator::ComputeDirections(
  vtkSmartPointer<vtkPoints> points, int window, std::vector<Point3>& dirs)
{
  const vtkIdType n = points ? points->GetNumberOfPoints() : 0;
  if (window <= 0 || n < window)
  {
    return;
  }

  const vtkIdType w = window;
  const vtkIdType m = (n + w - 1) / w;
  std::vector<Point3> sampleDirs(static_cast<size_t>(m));
  for (vtkIdType s = 0; s < m; ++s)
  {
    double prev[3];
    double next[3];
    if (m == 1)
    {
      // With exactly one window of points the neighbours a window away are the sample
      // itself; its immediate neighbours give the tangent instead, and every point shares it.
      points->GetPoint(n - 1, prev);
      points->GetPoint(1 % n, next);
    }
    else
    {
      points->GetPoint(((s * w - w) % n + n) % n, prev);
      points->GetPoint((s * w + w) % n, next);
    }
    double d[3];
    OutwardOfTangent(prev, next, d);
    sampleDirs[static_cast<size_t>(s)] = Point3{ d[0], d[1], d[2] };
  }

  vtkNew<vtkTransform> rotation;
  const double up[3] = { 0.0, 0.0, 1.0 };
  dirs.reserve(dirs.size() + static_cast<size_t>(n));
  for (vtkIdType i = 0; i < n; ++i)
  {
    const vtkIdType s = i / w;
    const vtkIdType r = i % w;
    const Point3& from = sampleDirs[static_cast<size_t>(s)];
    const Point3& to = sampleDirs[static_cast<size_t>((s + 1) % m)];
    const vtkIdType span = (s + 1) * w > n ? n % w : w;
    const double f[3] = { from.x, from.y, from.z };
    const double t[3] = { to.x, to.y, to.z };
    Point3 d = Interpolate(rotation, f, t, static_cast<int>(span), static_cast<int>(r), up);
    double v[3] = { d.x, d.y, d.z };
    vtkMath::Normalize(v);
    dirs.push_back(Point3{ v[0], v[1], v[2] });
  }
}

Point3 CutLineGenerator::InterpolateDirection(
  const double from[3], const double to[3], int span, int step, const double axis180[3])
{
  vtkNew<vtkTransform> rotation;
  return Interpolate(rotation, from, to, span, step, axis180);
}

vtkSmartPointer<vtkPoints> CutLineGenerator::RebuildSmoothLoop(vtkSmartPointer<vtkPoints> loop)
{
  vtkNew<vtkParametricSpline> spline;
  spline->SetPoints(loop);
  spline->ParameterizeByLengthOn();
  spline->ClosedOn();

  const double spacing = CutLineRules::kSampleSpacing;
  vtkSmartPointer<vtkPoints> samples = ResampleClosedSpline(spline, spacing);
  std::vector<Point3> dirs;
  ComputeDirections(samples, CutLineRules::DirectionWindow(spacing), dirs);

  const auto count = static_cast<vtkIdType>(dirs.size());
  const vtkIdType stride =
    static_cast<vtkIdType>(CutLineRules::kControlPointSpacing / spacing + 0.5);
  auto control = vtkSmartPointer<vtkPoints>::New();
  for (vtkIdType i = 0; i < count; i += stride)
  {
    double before[3];
    double after[3];
    double sample[3];
    samples->GetPoint((i + 1) % count, after);
    samples->GetPoint((i - 1 + count) % count, before);
    samples->GetPoint(i, sample);
    double tangent[3] = { after[0] - before[0], after[1] - before[1], after[2] - before[2] };
    vtkMath::Normalize(tangent);

    const Point3& d = dirs[static_cast<size_t>(i)];
    const double direction[3] = { d.x, d.y, d.z };
    double axis[3];
    TiltedToolAxis(direction, axis);

    double side[3];
    SideAcross(axis, tangent, side);

    // The probe outward and downward, square to the tool axis, then onto the model along the
    // axis.
    using CutLineRules::kProbeOffset;
    const double probe[3] = { sample[0] - kProbeOffset * side[0],
      sample[1] - kProbeOffset * side[1], sample[2] - kProbeOffset * side[2] };
    const Point3 onModel = ProjectAlongAxis(probe, axis);
    control->InsertNextPoint(onModel.x, onModel.y, onModel.z);
  }
  return control;
}

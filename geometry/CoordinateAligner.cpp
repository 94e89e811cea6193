// The aligner object, the frame transform, the automatic frame with its in-plane axes, and
// the frame from two picked points.
#include "geometry/CoordinateAligner.h"

#include "geometry/FrameMath.h"

#include <vtkCellLocator.h>
#include <vtkCellType.h>
#include <vtkCutter.h>
#include <vtkMath.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPlane.h>
#include <vtkPolyData.h>
#include <vtkTransform.h>
#include <vtkTriangle.h>

#include <cmath>
#include <iostream>
#include <utility>

vtkSmartPointer<vtkTransform> MakeFrameTransform(
  const double origin[3], const double x[3], const double y[3])
{
  auto transform = vtkSmartPointer<vtkTransform>::New();
  double z[3];
  vtkMath::Cross(x, y, z);
  const double length = vtkMath::Norm(z);
  for (double& c : z)
  {
    c /= length;
  }

  vtkNew<vtkMatrix4x4> rotation;
  for (int j = 0; j < 3; ++j)
  {
    rotation->SetElement(0, j, x[j]);
    rotation->SetElement(1, j, y[j]);
    rotation->SetElement(2, j, z[j]);
  }
  vtkNew<vtkMatrix4x4> translation;
  for (int i = 0; i < 3; ++i)
  {
    translation->SetElement(i, 3, -origin[i]);
  }
  transform->Concatenate(rotation);
  transform->Concatenate(translation);
  transform->Update();
  return transform;
}

double* NormalizeCopy(double v[3], double out[3])
{
  const double length = vtkMath::Norm(v);
  for (int k = 0; k < 3; ++k)
  {
    v[k] /= length;
    out[k] = v[k];
  }
  return out;
}

CoordinateAligner::CoordinateAligner(vtkSmartPointer<vtkPolyData> model)
  : mesh(std::move(model))
{
}

CoordinateAligner::~CoordinateAligner() = default;

namespace
{

vtkSmartPointer<vtkTransform> Identity()
{
  return vtkSmartPointer<vtkTransform>::New();
}

// unit(to - from).
void UnitFromTo(const double from[3], const double to[3], double out[3])
{
  double v[3] = { to[0] - from[0], to[1] - from[1], to[2] - from[2] };
  NormalizeCopy(v, out);
}

} // namespace

vtkSmartPointer<vtkTransform> CoordinateAligner::ComputeTransform(bool* ok)
{
  auto fail = [ok]() {
    if (ok)
    {
      *ok = false;
    }
    return Identity();
  };
  if (!mesh || mesh->GetNumberOfPoints() < 10)
  {
    return fail();
  }

  mesh->GetBounds(bounds);
  const double dx = bounds[1] - bounds[0];
  const double dy = bounds[3] - bounds[2];
  const double dz = bounds[5] - bounds[4];
  extent[0] = dx;
  extent[1] = dy;
  extent[2] = dz;
  for (int i = 0; i < 3; ++i)
  {
    for (int j = 0; j < 3; ++j)
    {
      axes[i][j] = i == j ? 1.0 : 0.0;
    }
  }

  // The smallest extent is the height; on ties x is preferred, then y. Of the other two the
  // larger is the long axis, the later axis winning ties.
  if (dy >= dx && dz >= dx)
  {
    heightAxis = 0;
    longAxis = dz >= dy ? 2 : 1;
    midAxis = dz >= dy ? 1 : 2;
  }
  else if (dx >= dy && dz >= dy)
  {
    heightAxis = 1;
    longAxis = dz >= dx ? 2 : 0;
    midAxis = dz >= dx ? 0 : 2;
  }
  else
  {
    heightAxis = 2;
    longAxis = dy >= dx ? 1 : 0;
    midAxis = dy >= dx ? 0 : 1;
  }

  double normal[3];
  double origin[3];
  if (!FitBasePlane(normal, origin))
  {
    return fail();
  }
  for (int k = 0; k < 3; ++k)
  {
    planeNormal[k] = normal[k];
    planeOrigin[k] = origin[k];
  }

  double x[3];
  double y[3];
  ComputeInPlaneAxes(x, y);
  if (ok)
  {
    *ok = true;
  }
  return MakeFrameTransform(planeOrigin, x, y);
}

void CoordinateAligner::ComputeInPlaneAxes(double x[3], double y[3])
{
  if (!mesh)
  {
    return;
  }
  const double* n = planeNormal;
  double c[3];
  mesh->GetCenter(c);

  // The long row is one-sided when both of its ends lie on the same side of the centre:
  // it met the model in one place only.
  auto longRowOneSided = [&]() {
    double u0[3];
    double uN[3];
    UnitFromTo(hitsA.front().p, c, u0);
    UnitFromTo(hitsA.back().p, c, uN);
    return CompareWithRightAngle(u0, uN) < 0;
  };

  if (hitsA.size() >= 2 && hitsB.size() >= 2)
  {
    const bool oneSided = longRowOneSided();
    // y follows the row that met the model in one place, from its first hit toward the centre.
    const std::vector<Hit>& row = oneSided ? hitsA : hitsB;
    double along[3];
    double r[3];
    UnitFromTo(row.front().p, row.back().p, along);
    UnitFromTo(row.front().p, c, r);
    const double sign = CompareWithRightAngle(r, along) <= 0 ? 1.0 : -1.0;
    double v[3] = { sign * along[0], sign * along[1], sign * along[2] };
    NormalizeCopy(v, y);
    double w[3];
    vtkMath::Cross(y, n, w);
    NormalizeCopy(w, x);
    return;
  }

  // Fallback: the model's long and middle axes turned into the base plane.
  const bool oneSided = hitsA.size() >= 2 && longRowOneSided();
  double xa[3];
  double ya[3];
  const double* first = axes[oneSided ? midAxis : longAxis];
  const double* second = axes[oneSided ? longAxis : midAxis];
  for (int k = 0; k < 3; ++k)
  {
    xa[k] = first[k];
    ya[k] = second[k];
  }
  const double* h = axes[heightAxis];
  const double tilt = AngleDegrees(n, h);
  double k[3];
  vtkMath::Cross(h, n, k);
  if (vtkMath::Norm(k) < 0.0001)
  {
    // The normal lies along the height axis.
    double projected[3];
    vtkPlane::ProjectVector(xa, planeOrigin, n, projected);
    NormalizeCopy(projected, xa);
    double v[3];
    vtkMath::Cross(n, xa, v);
    NormalizeCopy(v, ya);
  }
  else
  {
    // Turn the height axis onto the normal and carry both axes along.
    double axis[3];
    NormalizeCopy(k, axis);
    vtkNew<vtkTransform> turn;
    turn->RotateWXYZ(tilt, axis);
    double v[3];
    turn->TransformVector(xa, v);
    NormalizeCopy(v, xa);
    turn->TransformVector(ya, v);
    NormalizeCopy(v, ya);
  }
  for (int j = 0; j < 3; ++j)
  {
    x[j] = xa[j];
    y[j] = ya[j];
  }
}

namespace
{

// Places a picked point on the model: the unit normal of the triangle nearest to it (right-hand
// rule of its point order). Writes the reason to standard error and returns false when the
// point lies more than 0.1 from the model or its nearest cell is not a triangle.
bool PlaceOnModel(vtkPolyData* mesh, const double p[3], double normal[3])
{
  vtkNew<vtkCellLocator> locator;
  locator->SetDataSet(mesh);
  locator->BuildLocator();
  double closest[3];
  vtkIdType cellId = -1;
  int subId = 0;
  double d2 = VTK_DOUBLE_MAX;
  locator->FindClosestPoint(p, closest, cellId, subId, d2);
  if (d2 > 0.01 || cellId < 0)
  {
    std::cerr << "未找到包含目标点的Cell，距离过大：" << std::sqrt(d2) << std::endl;
    return false;
  }
  const int type = mesh->GetCellType(cellId);
  if (type != VTK_TRIANGLE)
  {
    std::cerr << "牙齿模型非三角网格，Cell类型：" << type << std::endl;
    return false;
  }
  double a[3];
  double b[3];
  double e[3];
  TrianglePoints(mesh, cellId, a, b, e);
  vtkTriangle::ComputeNormal(a, b, e, normal);
  return true;
}

} // namespace

vtkSmartPointer<vtkTransform> CoordinateAligner::ComputeTransformFromPoints(
  const double p1[3], const double p2[3])
{
  if (!mesh)
  {
    return nullptr;
  }
  double t1[3];
  double t2[3];
  if (!PlaceOnModel(mesh, p1, t1) || !PlaceOnModel(mesh, p2, t2))
  {
    return nullptr;
  }
  // Two coincident points give no direction along the pair.
  if (p1[0] == p2[0] && p1[1] == p2[1] && p1[2] == p2[2])
  {
    return nullptr;
  }

  double c[3];
  mesh->GetCenter(c);

  // z points from the first point's triangle toward the model's centre.
  double z[3] = { -t1[0], -t1[1], -t1[2] };
  double toCentre[3];
  UnitFromTo(p1, c, toCentre);
  if (CompareWithRightAngle(z, toCentre) > 0)
  {
    Negate(z);
  }
  for (int k = 0; k < 3; ++k)
  {
    planeOrigin[k] = p1[k];
    planeNormal[k] = z[k];
  }

  double x[3];
  UnitFromTo(p2, p1, x);

  double centreOnBase[3];
  vtkPlane::ProjectPoint(c, p1, z, centreOnBase);
  const double mid[3] = { 0.5 * (p1[0] + p2[0]), 0.5 * (p1[1] + p2[1]), 0.5 * (p1[2] + p2[2]) };
  double w[3];
  UnitFromTo(centreOnBase, mid, w);

  // Front check: where the mid-plane meets the model (for a jaw, its front) w must point
  // away from it.
  vtkNew<vtkPlane> midPlane;
  midPlane->SetOrigin(c);
  midPlane->SetNormal(x);
  vtkNew<vtkCutter> cutter;
  cutter->SetInputData(mesh);
  cutter->SetCutFunction(midPlane);
  cutter->Update();
  vtkPolyData* cut = cutter->GetOutput();
  if (cut->GetNumberOfPoints() > 0)
  {
    double q[3];
    cut->GetPoint(0, q);
    double fromFront[3];
    UnitFromTo(q, c, fromFront);
    if (CompareWithRightAngle(w, fromFront) > 0)
    {
      Negate(w);
    }
  }

  double k[3];
  vtkMath::Cross(x, w, k);
  double kUnit[3];
  NormalizeCopy(k, kUnit);
  if (CompareWithRightAngle(kUnit, z) > 0)
  {
    Negate(x);
  }
  double v[3];
  vtkMath::Cross(z, x, v);
  double y[3];
  NormalizeCopy(v, y);
  return MakeFrameTransform(centreOnBase, x, y);
}

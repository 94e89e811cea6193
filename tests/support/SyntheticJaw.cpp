// Sweeps a tooth-topped cross-section along a parabolic arch to make a closed jaw mesh.
#include "tests/support/SyntheticJaw.h"

#include <vtkCellArray.h>
#include <vtkCellLocator.h>
#include <vtkMath.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkSTLWriter.h>
#include <vtkTransform.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace testsupport
{

JawShape SmallJaw()
{
  return JawShape{};
}

JawShape LargeJaw()
{
  JawShape shape;
  shape.stations = 430;
  shape.bottomPoints = 55;
  shape.wallPoints = 80;
  shape.crownPoints = 75;
  return shape;
}

JawShape MillionJaw()
{
  JawShape shape;
  shape.stations = 860;
  shape.bottomPoints = 110;
  shape.wallPoints = 160;
  shape.crownPoints = 150;
  return shape;
}

namespace
{

// The arch centreline by arc length sigma from the left arm's distal end: a straight left
// arm, a circular front arc and a straight right arm, joined with continuous tangents; the
// arms leave +y by `armAngle` degrees toward -x and +x.
class Centreline
{
public:
  explicit Centreline(const JawShape& shape)
    : radius_(shape.frontRadius)
    , arm_(shape.armLength)
    , angle_(vtkMath::RadiansFromDegrees(shape.armAngle))
  {
    arc_ = radius_ * (vtkMath::Pi() - 2.0 * angle_);
  }

  double Length() const { return 2.0 * arm_ + arc_; }

  // Point, unit tangent toward increasing sigma, and the buccal (outward) normal.
  void At(double sigma, double p[2], double tangent[2], double buccal[2]) const
  {
    const double sn = std::sin(angle_);
    const double cs = std::cos(angle_);
    const double thetaStart = -vtkMath::Pi() + angle_;
    if (sigma < arm_)
    {
      // Left arm, running down toward the front arc.
      const double toArc = arm_ - sigma;
      tangent[0] = sn;
      tangent[1] = -cs;
      p[0] = radius_ * std::cos(thetaStart) - toArc * tangent[0];
      p[1] = radius_ * std::sin(thetaStart) - toArc * tangent[1];
    }
    else if (sigma <= arm_ + arc_)
    {
      const double theta = thetaStart + (sigma - arm_) / radius_;
      p[0] = radius_ * std::cos(theta);
      p[1] = radius_ * std::sin(theta);
      tangent[0] = -std::sin(theta);
      tangent[1] = std::cos(theta);
    }
    else
    {
      const double theta = -angle_;
      const double along = sigma - arm_ - arc_;
      tangent[0] = sn;
      tangent[1] = cs;
      p[0] = radius_ * std::cos(theta) + along * tangent[0];
      p[1] = radius_ * std::sin(theta) + along * tangent[1];
    }
    buccal[0] = tangent[1];
    buccal[1] = -tangent[0];
  }

private:
  double radius_;
  double arm_;
  double angle_;
  double arc_;
};

struct ProfilePoint
{
  double u; // along the buccal normal
  double z;
};

// Position within a tooth: 0 at its middle, -0.5 and 0.5 at the papillae beside it.
double ToothPhase(double sigma, double toothLength)
{
  const double f = sigma / toothLength;
  return f - std::floor(f) - 0.5;
}

double WallOffset(const JawShape& shape, double z)
{
  return 0.5 * shape.sectionWidth - shape.wallTaper * z / shape.shoulderHeight;
}

double GumHeight(const JawShape& shape, double phase)
{
  return shape.gumHeight - shape.gumAmplitude * std::cos(2.0 * vtkMath::Pi() * phase);
}

std::vector<ProfilePoint> Profile(const JawShape& shape, double phase)
{
  std::vector<ProfilePoint> profile;
  const double half = 0.5 * shape.sectionWidth;
  const double zs = shape.shoulderHeight;
  const double cusp = std::cos(vtkMath::Pi() * phase);
  const double top = zs + (shape.crownHeight - zs) * (0.4 + 0.6 * cusp * cusp);

  for (int k = 0; k < shape.bottomPoints; ++k)
  {
    profile.push_back({ -half + k * (2.0 * half / shape.bottomPoints), 0.0 });
  }
  for (int k = 0; k < shape.wallPoints; ++k)
  {
    const double z = k * zs / shape.wallPoints;
    profile.push_back({ WallOffset(shape, z), z });
  }
  const double shoulder = WallOffset(shape, zs);
  for (int k = 0; k < shape.crownPoints; ++k)
  {
    const double tau = static_cast<double>(k) / shape.crownPoints;
    profile.push_back({ shoulder * std::cos(vtkMath::Pi() * tau),
      zs + (top - zs) * std::sin(vtkMath::Pi() * tau) });
  }
  for (int k = 0; k < shape.wallPoints; ++k)
  {
    const double z = zs - k * zs / shape.wallPoints;
    profile.push_back({ -WallOffset(shape, z), z });
  }
  return profile;
}

double SignedVolume(vtkPoints* points, const std::vector<vtkIdType>& triangles)
{
  double volume = 0.0;
  for (size_t t = 0; t + 2 < triangles.size(); t += 3)
  {
    double a[3];
    double b[3];
    double c[3];
    points->GetPoint(triangles[t], a);
    points->GetPoint(triangles[t + 1], b);
    points->GetPoint(triangles[t + 2], c);
    double bc[3];
    vtkMath::Cross(b, c, bc);
    volume += vtkMath::Dot(a, bc) / 6.0;
  }
  return volume;
}

} // namespace

SyntheticJaw MakeSyntheticJaw(const JawShape& shape, const vtkMatrix4x4* placement)
{
  const Centreline arch(shape);
  const double length = arch.Length();
  const double toothLength = length / shape.teeth;
  const int stations = std::max(shape.stations, 2);

  vtkNew<vtkPoints> points;
  std::vector<vtkIdType> triangles;
  size_t profileSize = 0;
  for (int i = 0; i < stations; ++i)
  {
    const double sigma = length * i / (stations - 1);
    double c[2];
    double tangent[2];
    double buccal[2];
    arch.At(sigma, c, tangent, buccal);
    const std::vector<ProfilePoint> profile = Profile(shape, ToothPhase(sigma, toothLength));
    profileSize = profile.size();
    for (const ProfilePoint& p : profile)
    {
      points->InsertNextPoint(c[0] + p.u * buccal[0], c[1] + p.u * buccal[1], p.z);
    }
  }

  const auto m = static_cast<vtkIdType>(profileSize);
  auto at = [m](vtkIdType i, vtkIdType j) { return i * m + (j % m); };
  for (vtkIdType i = 0; i + 1 < stations; ++i)
  {
    for (vtkIdType j = 0; j < m; ++j)
    {
      const vtkIdType a = at(i, j);
      const vtkIdType b = at(i + 1, j);
      const vtkIdType c = at(i + 1, j + 1);
      const vtkIdType d = at(i, j + 1);
      triangles.insert(triangles.end(), { a, b, c, a, c, d });
    }
  }

  // End faces: fans around a point inside each end's cross-section.
  for (int end = 0; end < 2; ++end)
  {
    const vtkIdType station = end == 0 ? 0 : stations - 1;
    double centre[3] = { 0.0, 0.0, 0.0 };
    for (vtkIdType j = 0; j < m; ++j)
    {
      double p[3];
      points->GetPoint(at(station, j), p);
      for (int k = 0; k < 3; ++k)
      {
        centre[k] += p[k] / static_cast<double>(m);
      }
    }
    const vtkIdType hub = points->InsertNextPoint(centre);
    for (vtkIdType j = 0; j < m; ++j)
    {
      if (end == 0)
      {
        triangles.insert(triangles.end(), { hub, at(station, j), at(station, j + 1) });
      }
      else
      {
        triangles.insert(triangles.end(), { hub, at(station, j + 1), at(station, j) });
      }
    }
  }

  if (SignedVolume(points, triangles) < 0.0)
  {
    for (size_t t = 0; t + 2 < triangles.size(); t += 3)
    {
      std::swap(triangles[t + 1], triangles[t + 2]);
    }
  }

  // Centre the bounding box on the z axis; the underside stays on z = 0.
  double bounds[6];
  points->ComputeBounds();
  points->GetBounds(bounds);
  const double shiftX = -0.5 * (bounds[0] + bounds[1]);
  const double shiftY = -0.5 * (bounds[2] + bounds[3]);
  for (vtkIdType k = 0; k < points->GetNumberOfPoints(); ++k)
  {
    double p[3];
    points->GetPoint(k, p);
    points->SetPoint(k, p[0] + shiftX, p[1] + shiftY, p[2]);
  }
  points->Modified();

  vtkNew<vtkCellArray> cells;
  for (size_t t = 0; t + 2 < triangles.size(); t += 3)
  {
    const vtkIdType ids[3] = { triangles[t], triangles[t + 1], triangles[t + 2] };
    cells->InsertNextCell(3, ids);
  }
  SyntheticJaw jaw;
  jaw.mesh = vtkSmartPointer<vtkPolyData>::New();
  jaw.mesh->SetPoints(points);
  jaw.mesh->SetPolys(cells);

  // Gum line: buccal side from the left end to the right end, across the right end face,
  // lingual side back, across the left end face.
  const int side = (shape.gumLinePoints - 2 * shape.capPoints) / 2;
  auto wallPoint = [&](double sigma, double sign) {
    double c[2];
    double tangent[2];
    double buccal[2];
    arch.At(sigma, c, tangent, buccal);
    const double z = GumHeight(shape, ToothPhase(sigma, toothLength));
    const double u = sign * WallOffset(shape, z);
    return Point3{ c[0] + u * buccal[0] + shiftX, c[1] + u * buccal[1] + shiftY, z };
  };
  auto capPoint = [&](double sigma, double fraction) {
    const Point3 outer = wallPoint(sigma, 1.0);
    const Point3 inner = wallPoint(sigma, -1.0);
    return Point3{ outer.x + fraction * (inner.x - outer.x),
      outer.y + fraction * (inner.y - outer.y), outer.z };
  };
  const double valleyWindow = 0.5 * length / std::max(side - 1, 1);
  auto addWall = [&](double sigma, double sign, GumSide where) {
    jaw.gumLine.push_back(wallPoint(sigma, sign));
    jaw.gumSide.push_back(where);
    const double phase = ToothPhase(sigma, toothLength);
    jaw.gumValley.push_back(std::fabs(phase) * toothLength <= valleyWindow * 1.0001);
  };
  for (int k = 0; k < side; ++k)
  {
    addWall(length * k / (side - 1), 1.0, GumSide::Buccal);
  }
  for (int k = 1; k <= shape.capPoints; ++k)
  {
    jaw.gumLine.push_back(capPoint(length, static_cast<double>(k) / (shape.capPoints + 1)));
    jaw.gumSide.push_back(GumSide::Cap);
    jaw.gumValley.push_back(false);
  }
  for (int k = side - 1; k >= 0; --k)
  {
    addWall(length * k / (side - 1), -1.0, GumSide::Lingual);
  }
  for (int k = 1; k <= shape.capPoints; ++k)
  {
    jaw.gumLine.push_back(capPoint(0.0, 1.0 - static_cast<double>(k) / (shape.capPoints + 1)));
    jaw.gumSide.push_back(GumSide::Cap);
    jaw.gumValley.push_back(false);
  }

  // The walls are faceted between cross-sections: put each point exactly on the mesh.
  vtkNew<vtkCellLocator> locator;
  locator->SetDataSet(jaw.mesh);
  locator->BuildLocator();
  for (Point3& p : jaw.gumLine)
  {
    const double q[3] = { p.x, p.y, p.z };
    double closest[3];
    vtkIdType cell;
    int subId;
    double d2;
    locator->FindClosestPoint(q, closest, cell, subId, d2);
    p = Point3{ closest[0], closest[1], closest[2] };
  }

  jaw.placement = vtkSmartPointer<vtkMatrix4x4>::New();
  if (placement)
  {
    jaw.placement->DeepCopy(placement);
    for (vtkIdType k = 0; k < points->GetNumberOfPoints(); ++k)
    {
      double p[4] = { 0.0, 0.0, 0.0, 1.0 };
      points->GetPoint(k, p);
      double q[4];
      jaw.placement->MultiplyPoint(p, q);
      points->SetPoint(k, q);
    }
    for (Point3& g : jaw.gumLine)
    {
      const double p[4] = { g.x, g.y, g.z, 1.0 };
      double q[4];
      jaw.placement->MultiplyPoint(p, q);
      g = Point3{ q[0], q[1], q[2] };
    }
    points->Modified();
  }
  return jaw;
}

vtkSmartPointer<vtkPolyData> MovedCopy(vtkPolyData* mesh, double dx, double dy, double dz)
{
  auto moved = vtkSmartPointer<vtkPolyData>::New();
  moved->DeepCopy(mesh);
  vtkPoints* points = moved->GetPoints();
  for (vtkIdType i = 0; points && i < points->GetNumberOfPoints(); ++i)
  {
    double p[3];
    points->GetPoint(i, p);
    points->SetPoint(i, p[0] + dx, p[1] + dy, p[2] + dz);
  }
  moved->Modified();
  return moved;
}

bool WriteStl(vtkPolyData* mesh, const std::string& path)
{
  vtkNew<vtkSTLWriter> writer;
  writer->SetFileName(path.c_str());
  writer->SetInputData(mesh);
  writer->SetFileTypeToBinary();
  return writer->Write() == 1;
}

bool WriteGumLineText(const std::vector<Point3>& line, const std::string& path)
{
  std::ofstream out(path);
  out.precision(9);
  for (const Point3& p : line)
  {
    out << p.x << ' ' << p.y << ' ' << p.z << '\n';
  }
  return static_cast<bool>(out);
}

vtkSmartPointer<vtkMatrix4x4> RigidMotion(
  double rx, double ry, double rz, double tx, double ty, double tz)
{
  vtkNew<vtkTransform> motion;
  motion->PostMultiply();
  motion->RotateX(rx);
  motion->RotateY(ry);
  motion->RotateZ(rz);
  motion->Translate(tx, ty, tz);
  auto matrix = vtkSmartPointer<vtkMatrix4x4>::New();
  matrix->DeepCopy(motion->GetMatrix());
  return matrix;
}

} // namespace testsupport

// Closed shells placed in the frame of a cut-line pose: along its tool axis, across it on the
// side of the fit's probe, and along the cut line.
#include "tests/support/SecondSurfaces.h"

#include <vtkAppendPolyData.h>
#include <vtkCellArray.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>

#include <cmath>

namespace testsupport
{
namespace
{

// The frame of pose i: its tool axis (the direction lifted 30 degrees), the side across it
// toward the fit's probe (inward and upward), and the tangent of the cut line.
struct PoseFrame
{
  double origin[3];
  double axis[3];
  double side[3];
  double tangent[3];
};

PoseFrame FrameAt(const std::vector<PoseDir>& poses, size_t i)
{
  const size_t n = poses.size();
  const PoseDir& pose = poses[i];
  const Point3& next = poses[(i + 1) % n].point;
  const Point3& prev = poses[(i + n - 1) % n].point;
  PoseFrame f{};
  f.origin[0] = pose.point.x;
  f.origin[1] = pose.point.y;
  f.origin[2] = pose.point.z;
  const double slope = std::sqrt(3.0) / 3.0;
  f.axis[0] = pose.direction.x;
  f.axis[1] = pose.direction.y;
  f.axis[2] = pose.direction.z + slope;
  vtkMath::Normalize(f.axis);
  f.tangent[0] = next.x - prev.x;
  f.tangent[1] = next.y - prev.y;
  f.tangent[2] = next.z - prev.z;
  vtkMath::Normalize(f.tangent);
  vtkMath::Cross(f.axis, f.tangent, f.side);
  vtkMath::Normalize(f.side);
  return f;
}

// The point at `along` on the axis, `across` toward the probe's side and `forward` along the
// cut line.
void Place(const PoseFrame& f, double along, double across, double forward, double out[3])
{
  for (int k = 0; k < 3; ++k)
  {
    out[k] = f.origin[k] + along * f.axis[k] + across * f.side[k] + forward * f.tangent[k];
  }
}

// A closed, outward-facing box spanning the given ranges of the frame's three directions.
vtkSmartPointer<vtkPolyData> Box(const PoseFrame& f, const double along[2], const double across[2],
  const double forward[2])
{
  auto points = vtkSmartPointer<vtkPoints>::New();
  for (int c = 0; c < 8; ++c)
  {
    double p[3];
    Place(f, along[c & 1], across[(c >> 1) & 1], forward[(c >> 2) & 1], p);
    points->InsertNextPoint(p);
  }
  // Corner c has the bits (along, across, forward). (axis, side, tangent) is a left-handed
  // frame (side = axis x tangent), and the faces are wound to face outward in it.
  const vtkIdType faces[12][3] = { { 0, 1, 3 }, { 0, 3, 2 }, { 4, 7, 5 }, { 4, 6, 7 },
    { 0, 4, 5 }, { 0, 5, 1 }, { 2, 3, 7 }, { 2, 7, 6 }, { 0, 2, 6 }, { 0, 6, 4 },
    { 1, 5, 7 }, { 1, 7, 3 } };
  auto cells = vtkSmartPointer<vtkCellArray>::New();
  for (const auto& face : faces)
  {
    cells->InsertNextCell(3, face);
  }
  auto box = vtkSmartPointer<vtkPolyData>::New();
  box->SetPoints(points);
  box->SetPolys(cells);
  return box;
}

// A closed sphere of `radius` about the point `along` the axis and `across` toward the probe's
// side, as a latitude-longitude triangle mesh.
vtkSmartPointer<vtkPolyData> Bulge(const PoseFrame& f, double along, double across, double radius)
{
  constexpr int kRings = 12;
  constexpr int kSectors = 24;
  double centre[3];
  Place(f, along, across, 0.0, centre);
  auto points = vtkSmartPointer<vtkPoints>::New();
  points->InsertNextPoint(centre[0], centre[1], centre[2] + radius);
  for (int r = 1; r < kRings; ++r)
  {
    const double polar = vtkMath::Pi() * r / kRings;
    for (int s = 0; s < kSectors; ++s)
    {
      const double azimuth = 2.0 * vtkMath::Pi() * s / kSectors;
      points->InsertNextPoint(centre[0] + radius * std::sin(polar) * std::cos(azimuth),
        centre[1] + radius * std::sin(polar) * std::sin(azimuth),
        centre[2] + radius * std::cos(polar));
    }
  }
  const vtkIdType bottom = points->InsertNextPoint(centre[0], centre[1], centre[2] - radius);
  auto ring = [](int r, int s) {
    return static_cast<vtkIdType>(1 + (r - 1) * kSectors + s % kSectors);
  };
  auto cells = vtkSmartPointer<vtkCellArray>::New();
  for (int s = 0; s < kSectors; ++s)
  {
    const vtkIdType top[3] = { 0, ring(1, s), ring(1, s + 1) };
    cells->InsertNextCell(3, top);
    const vtkIdType low[3] = { bottom, ring(kRings - 1, s + 1), ring(kRings - 1, s) };
    cells->InsertNextCell(3, low);
    for (int r = 1; r < kRings - 1; ++r)
    {
      const vtkIdType a[3] = { ring(r, s), ring(r + 1, s), ring(r + 1, s + 1) };
      const vtkIdType b[3] = { ring(r, s), ring(r + 1, s + 1), ring(r, s + 1) };
      cells->InsertNextCell(3, a);
      cells->InsertNextCell(3, b);
    }
  }
  auto sphere = vtkSmartPointer<vtkPolyData>::New();
  sphere->SetPoints(points);
  sphere->SetPolys(cells);
  return sphere;
}

// The pose at `fraction` of the loop.
size_t PoseAt(const std::vector<PoseDir>& poses, double fraction)
{
  return static_cast<size_t>(fraction * static_cast<double>(poses.size())) % poses.size();
}

void AddShells(vtkAppendPolyData* append, const std::vector<PoseDir>& poses, SecondSurface kind)
{
  struct Placed
  {
    double fraction;
    double along;
    double size;
  };
  switch (kind)
  {
    case SecondSurface::Bump:
      append->AddInputData(Bulge(FrameAt(poses, PoseAt(poses, 0.25)), 3.0, 0.4, 0.3));
      return;
    case SecondSurface::Bumps:
      for (const Placed& b : { Placed{ 0.08, 2.2, 0.3 }, Placed{ 0.2, 3.0, 0.45 },
             Placed{ 0.33, 4.0, 0.3 }, Placed{ 0.47, 2.5, 0.45 }, Placed{ 0.6, 3.5, 0.3 },
             Placed{ 0.75, 4.4, 0.45 }, Placed{ 0.9, 2.0, 0.3 } })
      {
        const PoseFrame frame = FrameAt(poses, PoseAt(poses, b.fraction));
        append->AddInputData(Bulge(frame, b.along, 0.4, b.size));
      }
      return;
    case SecondSurface::GapWalls:
      // Walls 0.3 thick across the axis, from 0.1 to 1.2 toward the probe's side, 2 long.
      for (const Placed& w : { Placed{ 0.12, 2.0, 1.0 }, Placed{ 0.38, 3.0, 1.0 },
             Placed{ 0.62, 4.0, 1.0 }, Placed{ 0.85, 2.5, 1.0 } })
      {
        const double along[2] = { w.along, w.along + 0.3 };
        const double across[2] = { 0.1, 1.2 };
        const double forward[2] = { -w.size, w.size };
        const PoseFrame frame = FrameAt(poses, PoseAt(poses, w.fraction));
        append->AddInputData(Box(frame, along, across, forward));
      }
      return;
    case SecondSurface::Undercut:
    {
      // From inside the wall out to 2.8 along the axis, from 0.1 to 2.0 toward the probe's
      // side: the crown above the cut line reaching out over it, 8 long.
      const double along[2] = { -1.0, 2.8 };
      const double across[2] = { 0.1, 2.0 };
      const double forward[2] = { -4.0, 4.0 };
      append->AddInputData(Box(FrameAt(poses, PoseAt(poses, 0.3)), along, across, forward));
      return;
    }
  }
}

} // namespace

vtkSmartPointer<vtkPolyData> WithSecondSurfaces(
  vtkPolyData* mesh, const std::vector<PoseDir>& poses, SecondSurface kind)
{
  vtkNew<vtkAppendPolyData> append;
  append->AddInputData(mesh);
  if (!poses.empty())
  {
    AddShells(append, poses, kind);
  }
  append->Update();
  auto out = vtkSmartPointer<vtkPolyData>::New();
  out->DeepCopy(append->GetOutput());
  return out;
}

} // namespace testsupport

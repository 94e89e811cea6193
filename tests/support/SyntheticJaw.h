// Generated jaw models for tests and benchmarks: a horseshoe arch on a flat base with teeth
// and a scalloped gum margin, its gum line, and the ground truth of where it was placed.
#pragma once

#include "cutline/PoseTypes.h"

#include <vtkSmartPointer.h>

#include <string>
#include <vector>

class vtkMatrix4x4;
class vtkPolyData;

namespace testsupport
{

// Shape and resolution of a generated jaw. Lengths in model units (millimetres).
//
// In the working frame the base's underside is the plane z = 0, the model lies on +z, the
// plane x = 0 divides the arch into its halves, the front of the arch is at -y and its two
// ends point toward +y; the bounding box is centred on the z axis. The arch centreline is a
// front arc of `frontRadius` between two straight arms of `armLength` that leave +y by
// `armAngle` degrees outward (about 50 wide and 45 deep outside); the cross-section is `sectionWidth` wide at the base, its walls taper
// inward by `wallTaper` up to the crown shoulder at `shoulderHeight`, and each of the `teeth`
// crowns rises to `crownHeight` at its middle. The gum margin runs along both walls at
// `gumHeight`, dipping by `gumAmplitude` along each tooth and rising as much over each papilla.
struct JawShape
{
  int stations = 120;       // cross-sections along the arch
  int bottomPoints = 16;    // profile points across the flat underside
  int wallPoints = 23;      // profile points up each wall
  int crownPoints = 23;     // profile points over the crown
  int teeth = 14;
  double frontRadius = 12.3;
  double armLength = 26.8;
  double armAngle = 18.0;
  double sectionWidth = 11.0;
  double wallTaper = 0.8;
  double shoulderHeight = 16.0;
  double crownHeight = 21.0;
  double gumHeight = 12.0;
  double gumAmplitude = 0.75;
  int gumLinePoints = 300;
  int capPoints = 5;        // gum-line points across each distal end face
};

// About 20k triangles: for unit tests.
JawShape SmallJaw();
// About 250k triangles: for benchmarks.
JawShape LargeJaw();
// About 1M triangles (the 250k jaw at twice the resolution both ways): for benchmarks of the
// steps that grow faster than the model.
JawShape MillionJaw();

// Where a gum-line point lies on the arch.
enum class GumSide
{
  Buccal,
  Lingual,
  Cap
};

struct SyntheticJaw
{
  // Closed, manifold, outward-oriented triangle mesh.
  vtkSmartPointer<vtkPolyData> mesh;
  // The gum line on the mesh surface, counter-clockwise seen from +z in the working frame,
  // starting at the left end's buccal corner.
  std::vector<Point3> gumLine;
  // Side of each gum-line point.
  std::vector<GumSide> gumSide;
  // True where a gum-line point lies at the middle of a tooth (a valley of the margin).
  std::vector<bool> gumValley;
  // Maps working-frame coordinates to the model's coordinates (identity when not moved).
  vtkSmartPointer<vtkMatrix4x4> placement;
};

// Builds the jaw in its working frame and then moves mesh and gum line by `placement`
// (working frame to model coordinates; null means identity).
SyntheticJaw MakeSyntheticJaw(const JawShape& shape = SmallJaw(),
  const vtkMatrix4x4* placement = nullptr);

// A copy of `mesh` with every point moved by (dx, dy, dz).
vtkSmartPointer<vtkPolyData> MovedCopy(vtkPolyData* mesh, double dx, double dy, double dz);

// Writes a mesh as a binary STL file; true when it was written.
bool WriteStl(vtkPolyData* mesh, const std::string& path);

// Writes a gum line as text, one "x y z" line per point (9 significant digits).
bool WriteGumLineText(const std::vector<Point3>& line, const std::string& path);

// A rigid motion: rotations in degrees about x, then y, then z, then the translation.
vtkSmartPointer<vtkMatrix4x4> RigidMotion(
  double rx, double ry, double rz, double tx, double ty, double tz);

} // namespace testsupport

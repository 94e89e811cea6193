// Invariant checks on triangle meshes for tests: closed and manifold, pieces and genus,
// enclosed volume, and distance of points to the surface.
#pragma once

#include <vtkSmartPointer.h>

class vtkCellLocator;
class vtkPolyData;

namespace testsupport
{

// True when every edge is shared by exactly two triangles that run it in opposite directions
// (closed, manifold, consistently oriented). Non-triangle cells make it false.
bool IsClosedOrientedManifold(vtkPolyData* mesh);

// The pieces of a mesh (its cells joined through shared edges) and its Euler characteristic
// V - E + F, V counting the points that its cells use.
struct SurfaceTopology
{
  int pieces = 0;
  int eulerCharacteristic = 0;
  // The handles of a closed oriented manifold, summed over its pieces: each piece has the
  // characteristic 2 - 2 genus. 0 for a solid without tunnels, 1 for a ring.
  int Genus() const { return pieces - eulerCharacteristic / 2; }
};
SurfaceTopology Topology(vtkPolyData* mesh);

// Volume enclosed by a closed triangle mesh; positive for outward-facing triangles.
double SignedVolume(vtkPolyData* mesh);

// Distance from points to a mesh surface, through a locator built once.
class SurfaceDistance
{
public:
  explicit SurfaceDistance(vtkPolyData* mesh);
  ~SurfaceDistance();
  double operator()(const double p[3]) const;
  double operator()(double x, double y, double z) const;

private:
  vtkSmartPointer<vtkCellLocator> locator_;
};

} // namespace testsupport

// Jaw models with the trouble of real anatomy for the tool-path checks: bulges of neighbouring
// teeth, far walls of gaps between teeth and overhanging crowns beside a cut line, where the
// tilted tool axis of a pose on the surface meets a second surface farther out.
#pragma once

#include "cutline/PoseTypes.h"

#include <vtkSmartPointer.h>

#include <vector>

class vtkPolyData;

namespace testsupport
{

// What stands beside the cut line. Every shape lies on the inner upper side of the cut line
// (the side on which the export's fit probes, 0.4 across the tool axis), 2 to 4.5 out along
// the tool axis, and clear of the outer lower side on which a generation probes; so the cut
// line generated on the mesh stays as it was, while the fit's probe of a pose on the surface
// finds its outermost crossing 1.5 to 5 beyond the pose.
enum class SecondSurface
{
  Bump,      // one small bulge 3 out along the axis of one pose
  Bumps,     // seven bulges of two sizes at 2 to 4.5 along, on both sides of the arch
  GapWalls,  // four thin walls across the axes of some 20 poses each, 2 to 4 along
  Undercut,  // a crown overhanging 8 units of cut line on one side
};

// `mesh` with closed shells of the given kind appended (as further pieces of the same
// polydata; they may cut into the jaw). `poses` is the cut line on `mesh`, sampled every 0.1,
// counter-clockwise seen from +z, each with its horizontal outward direction.
vtkSmartPointer<vtkPolyData> WithSecondSurfaces(
  vtkPolyData* mesh, const std::vector<PoseDir>& poses, SecondSurface kind);

} // namespace testsupport

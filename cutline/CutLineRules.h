// The fixed rules by which a cut line is sampled and turned into tool poses: spacing, direction
// window, probe offset, arm angle and tool tilt, and the one step from samples to poses.
#pragma once

#include "cutline/PoseTypes.h"

#include <vector>

class vtkPoints;

namespace CutLineRules
{

// The cut line is sampled every 0.1 for the tool path, the collision check, the offset line
// and the smoothing of a generated line.
constexpr double kSampleSpacing = 0.1;

// Length of cut line over which one tool direction is estimated: the tangent at a sample comes
// from the points this far before and after it.
constexpr double kDirectionLength = 6.0;

// How many points of a line sampled every `spacing` one direction window spans
// (60 for kSampleSpacing, 4 for kControlPointSpacing).
constexpr int DirectionWindow(double spacing)
{
  return static_cast<int>(kDirectionLength / spacing + 0.5);
}

// Spacing of the control points of a generated cut line.
constexpr double kControlPointSpacing = 1.5;

// Distance of the probe from the cut line, square to the tool axis and to the line: the fitted
// poses and the offset line put it on the inner upper side, the smoothing of a generated line
// on the outer lower side.
constexpr double kProbeOffset = 0.4;

// Angle in degrees by which each arm's axis is turned outward from +y (toward +x for the right
// arm, toward -x for the left) when a distal cap or a buccal end zone is measured along it.
constexpr double kArmAngle = 18.0;

// Angle in degrees by which the tool axis is lifted above the horizontal outward direction.
constexpr double kToolTiltDegrees = 30.0;

// Contract: one pose per sample, in order, with the sample as its point and the sample's
// horizontal outward direction (window DirectionWindow(kSampleSpacing)); no poses for null
// samples or for fewer samples than one window.
std::vector<PoseDir> PosesAlong(vtkPoints* samples);

} // namespace CutLineRules

// Slope of the tool axis above the horizontal direction: tan kToolTiltDegrees, computed from the
// square root of 3.
double ToolAxisSlope();

// The tilted tool axis unit(d + (0, 0, ToolAxisSlope())) for a horizontal direction d.
void TiltedToolAxis(const double direction[3], double axis[3]);

// The side square to the tool axis and to the cut line's tangent, unit(axis x tangent): inward
// and upward for a counter-clockwise loop, the side on which the probes lie. Returns the
// length of axis x tangent (0, or not a number, when there is no side).
double SideAcross(const double axis[3], const double tangent[3], double side[3]);

// Value types shared by the cut line, the widgets and the tool path: a 3-D point, a cut-line
// pose with its horizontal outward direction, and a machine pose of the four-axis cutter.
#pragma once

// A point or a vector in model units.
struct Point3
{
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

// A cut-line sample (the tool's contact point) and its unit horizontal outward direction.
struct PoseDir
{
  Point3 point;
  Point3 direction;
};

// The value of a machine-pose field whose axis is not moved.
constexpr double kAxisNotMoved = 999999.0;

// A machine pose: the point turned about +Z by -a degrees, and the rotary angle a in degrees.
struct Pose4
{
  double x = kAxisNotMoved;
  double y = kAxisNotMoved;
  double z = kAxisNotMoved;
  double a = kAxisNotMoved;
};

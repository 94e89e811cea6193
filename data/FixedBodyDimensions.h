// The dimensions of the two fixed bodies beside the jaw model, the T-slot cutter
// "cross_2.2.stl" and the base plate "baseplate1.stl", in millimetres of the working frame,
// and of the cutting tool's outline that the collision check places along the cut line.
#pragma once

namespace fixedbodies
{

// An aligned jaw model stands with its base's underside on z = 0 and its teeth toward +z; the
// arch is split by the plane x = 0 and its front lies toward -y.
//
// The cutter is a straight prism along y, from -kSlotHalfLength to kSlotHalfLength, so that
// its slot runs through the base under the middle of the arch (across the front of a
// horseshoe arch). Its cross-section in the x-z plane is a T standing on its stem:
//   stem  |x| <= kStemHalfWidth, z from kStemBottom to kHeadBottom: opens on the model's
//         underside and reaches below it, so that no cutter face lies in the base plane z = 0;
//   head  |x| <= kHeadHalfWidth, z from kHeadBottom to kHeadTop: the wide part of the slot,
//         inside a base of 8 to 10 mm, leaving at least 3.3 of material above it.
// The heights avoid round values, so that the cutter's faces do not pass through rows of
// model vertices of a regularly sampled base (coplanar contacts are the slow case of the
// exact difference).
constexpr double kSlotHalfLength = 40.0;
constexpr double kStemHalfWidth = 1.1;
constexpr double kStemBottom = -0.8;
constexpr double kHeadBottom = 2.3;
constexpr double kHeadHalfWidth = 2.5;
constexpr double kHeadTop = 4.7;

// The plate the model stands on: the box |x| <= kPlateHalfX, |y| <= kPlateHalfY, z from
// kPlateBottom to kPlateTop, its top just below the model's underside so that the two never
// share a plane on screen.
constexpr double kPlateHalfX = 45.0;
constexpr double kPlateHalfY = 40.0;
constexpr double kPlateBottom = -3.05;
constexpr double kPlateTop = -0.05;

} // namespace fixedbodies

// The cutting tool as the collision check sees it: 16 lines in the tool's own frame, whose +x
// is the tool axis pointing away from the cutting point at the origin. Eight lie on the shank
// at kShankRadius from x = kShankStart to kShankEnd, eight on the neck at kNeckRadius from
// x = kNeckStart to kNeckEnd, each group at 0, 45, ..., 315 degrees about the axis; the
// stretch within kNeckStart of the point is left out. The diagonal lines stand at
// Diagonal(radius) along both cross axes; kSqrt2 is the literal the outline was defined with,
// which is not std::sqrt(2.0) to the bit.
namespace cuttingtool
{

constexpr double kShankRadius = 1.175;
constexpr double kShankStart = 5.0;
constexpr double kShankEnd = 15.0;
constexpr double kNeckRadius = 0.6;
constexpr double kNeckStart = 1.0;
constexpr double kNeckEnd = 5.0;
constexpr double kSqrt2 = 1.41421356237;

// The coordinate of a diagonal line along each cross axis, computed as (radius * 0.5) * kSqrt2.
constexpr double Diagonal(double radius)
{
  return radius * 0.5 * kSqrt2;
}

// The collision check's own tree over the model: coarser leaves than the cut line's, since it
// makes one line query per outline line and pose.
constexpr int kCheckTreeCellsPerNode = 50;
constexpr int kCheckTreeMaxLevel = 1000000;
constexpr double kCheckTreeTolerance = 1e-6;

} // namespace cuttingtool

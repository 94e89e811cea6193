// The dimensions of the two fixed bodies beside the jaw model, the T-slot cutter
// "cross_2.2.stl" and the base plate "baseplate1.stl", in millimetres of the working frame.
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

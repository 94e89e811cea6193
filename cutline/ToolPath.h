// The tool-path export: turns the cut line's sampled poses into the machine program of the
// four-axis cutter (start, loops, lead-in and lead-out, A angle) and writes it as .gbin or G-code.
#pragma once

#include "cutline/PoseTypes.h"

#include <string>
#include <vector>

namespace ToolPath
{

// The whole export: start, optional second loop, lead-in and lead-out, machine poses with a
// continuous A, then Write. True only when the file was written completely; an entry with an
// undefined (non-finite) point or direction, or a direction without a horizontal part, writes
// nothing and gives false.
bool Export(const std::vector<PoseDir>& poses, const std::string& path, bool twoLoops);

// `a` plus the whole number of turns that brings it nearest `previous` (less than 180 degrees
// from it, for any number of turns). Exactly half a turn off, with two equally near angles,
// the one with fewer turns added: `a` itself when it lies 180 from `previous`. Non-finite
// values give `a`. Export uses it to keep A continuous from pose to pose.
double UnwrapAngle(double a, double previous);

// `out` becomes `in` turned so that it starts at the entry of the quadrant x >= 0, y >= 0
// whose outward direction (also in that quadrant) lies closest to +X; `in` as it is otherwise.
void RotateToStart(const std::vector<PoseDir>& in, std::vector<PoseDir>& out);

// Appends a second copy of the loop.
void DoubleLoop(std::vector<PoseDir>& path);

// With at least three entries: an approach point 10 out along the first entry's tilted axis in
// front, then one step past the start (the second entry again) and the approach point behind.
void AddLeadInOut(std::vector<PoseDir>& path);

// Machine pose of one entry: a is the azimuth of its direction in degrees, from +X toward +Y,
// in [-180, 180); x, y, z are its point turned about +Z by -a. False, with `out` untouched,
// when the direction has no horizontal part.
bool ComputeAxisPose(PoseDir entry, Pose4& out);

// Writes the machine poses to `path` (the local 8-bit file name): G-code when it ends in
// ".txt" in any letter case, else the binary file (at least three poses). The contents are
// replaced only after a complete write, keeping the file's permissions and writing through a
// link. Any failure, a file or folder that may not be written, or a pose with a non-finite
// value leaves whatever was there and returns false.
bool Write(std::string path, const std::vector<Pose4>& poses);

} // namespace ToolPath

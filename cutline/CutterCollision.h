// The collision check of the cutter along a cut line: the cutter's outline placed at every pose
// and tested against a model, with no view; the window draws what it finds.
#pragma once

#include "cutline/PoseTypes.h"

#include <vtkSmartPointer.h>

#include <cstddef>
#include <vector>

class vtkOBBTree;
class vtkPolyData;

namespace CutterCollision
{

struct Result
{
  // Indices of the poses at which the outline meets the model, ascending.
  std::vector<size_t> collidingPoses;
  // The outline at each colliding pose, in pose order: 16 two-point lines per pose, in the
  // outline's order, each line's ends being two new points. Never null; empty without a
  // collision.
  vtkSmartPointer<vtkPolyData> outlines;
};

// Contract: places the cutter at every pose, its axis the pose's tool axis (the direction
// lifted by the tool tilt) and its cutting point at the pose's point, and tests each of the 16
// lines of its outline against the model's surface: eight on the shank at radius 1.175 from 5
// to 15 along the axis, eight on the neck at radius 0.6 from 1 to 5, each group at 0, 45, ...,
// 315 degrees about the axis. The stretch within 1 of the point is not part of the outline, and
// a line that lies wholly inside the model does not cross its surface. A pose collides when any
// of its lines crosses the surface. A pose whose direction has no horizontal part has no tool
// axis to place the cutter on and is not checked. A null model or one without points meets
// nothing.
Result FindCollisions(vtkPolyData* model, const std::vector<PoseDir>& poses);

// The same check, keeping its tree over the model from one check to the next: a model with the
// points and cells of the last one is checked on the kept tree, which answers exactly as a
// new one would; any other model gets a copy and a tree of its own.
class Checker
{
public:
  Result Find(vtkPolyData* model, const std::vector<PoseDir>& poses);
  // The tree of the last check (null before the first).
  vtkOBBTree* Tree() const;

private:
  vtkSmartPointer<vtkPolyData> model_;
  vtkSmartPointer<vtkOBBTree> tree_;
};

} // namespace CutterCollision

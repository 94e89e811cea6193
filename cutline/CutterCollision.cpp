// The cutter outline placed along the poses and tested against the model through a line
// locator kept for the check.
#include "cutline/CutterCollision.h"

#include "cutline/CutLineRules.h"
#include "cutline/ModelTrees.h"
#include "cutline/ToolPath.h"
#include "data/FixedBodyDimensions.h"

#include <vtkCellArray.h>
#include <vtkIdList.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTransform.h>

#include <utility>

namespace CutterCollision
{
namespace
{

// One line of the cutter's outline in its own frame: from x0 to x1 along the tool axis, at
// (y, z) across it.
struct OutlineSegment
{
  double x0;
  double x1;
  double y;
  double z;
};

// Eight lines at `radius` from x0 to x1, at 0, 45, ..., 315 degrees about the axis.
void AppendRing(std::vector<OutlineSegment>& outline, double x0, double x1, double radius)
{
  const double c = cuttingtool::Diagonal(radius);
  const std::pair<double, double> across[] = { { radius, 0.0 }, { c, c }, { 0.0, radius },
    { -c, c }, { -radius, 0.0 }, { -c, -c }, { 0.0, -radius }, { c, -c } };
  for (const auto& [y, z] : across)
  {
    outline.push_back(OutlineSegment{ x0, x1, y, z });
  }
}

// The shank's eight lines, then the neck's.
std::vector<OutlineSegment> CutterOutline()
{
  using namespace cuttingtool;
  std::vector<OutlineSegment> outline;
  AppendRing(outline, kShankStart, kShankEnd, kShankRadius);
  AppendRing(outline, kNeckStart, kNeckEnd, kNeckRadius);
  return outline;
}

constexpr ModelTreeSettings kCheckTree{ cuttingtool::kCheckTreeCellsPerNode,
  cuttingtool::kCheckTreeMaxLevel, cuttingtool::kCheckTreeTolerance };

// An empty result: no colliding pose, an empty display.
Result Empty()
{
  Result result;
  result.outlines = vtkSmartPointer<vtkPolyData>::New();
  result.outlines->SetPoints(vtkSmartPointer<vtkPoints>::New());
  result.outlines->SetLines(vtkSmartPointer<vtkCellArray>::New());
  return result;
}

// The outline placed at every pose that has a tool axis, tested against the tree.
Result Check(vtkOBBTree* tree, const std::vector<PoseDir>& poses)
{
  Result result = Empty();
  vtkPoints* displayPoints = result.outlines->GetPoints();
  vtkCellArray* displayLines = result.outlines->GetLines();
  const std::vector<OutlineSegment> outline = CutterOutline();
  vtkNew<vtkTransform> placement;
  vtkNew<vtkPoints> hits;
  vtkNew<vtkIdList> hitCells;
  std::vector<double> ends(outline.size() * 6);
  for (size_t i = 0; i < poses.size(); ++i)
  {
    const PoseDir& pose = poses[i];
    Pose4 machine;
    // Without a horizontal direction there is no A angle to turn the cutter by; the export
    // writes such a pose unturned, and the check does not guess one.
    if (!ToolPath::ComputeAxisPose(pose, machine))
    {
      continue;
    }

    // Lift the cutter's axis by the tool tilt about Y, turn it by a about Z, then move it to
    // the point.
    placement->Identity();
    placement->Translate(pose.point.x, pose.point.y, pose.point.z);
    placement->RotateWXYZ(machine.a, 0.0, 0.0, 1.0);
    placement->RotateWXYZ(-CutLineRules::kToolTiltDegrees, 0.0, 1.0, 0.0);

    bool colliding = false;
    for (size_t s = 0; s < outline.size(); ++s)
    {
      const OutlineSegment& segment = outline[s];
      const double from[3] = { segment.x0, segment.y, segment.z };
      const double to[3] = { segment.x1, segment.y, segment.z };
      double* a = &ends[6 * s];
      double* b = &ends[6 * s + 3];
      placement->TransformPoint(from, a);
      placement->TransformPoint(to, b);
      if (tree->IntersectWithLine(a, b, hits, hitCells) != 0)
      {
        colliding = true;
      }
    }
    if (colliding)
    {
      result.collidingPoses.push_back(i);
      for (size_t s = 0; s < outline.size(); ++s)
      {
        const vtkIdType line[2] = { displayPoints->InsertNextPoint(&ends[6 * s]),
          displayPoints->InsertNextPoint(&ends[6 * s + 3]) };
        displayLines->InsertNextCell(2, line);
      }
    }
  }
  return result;
}

} // namespace

Result FindCollisions(vtkPolyData* model, const std::vector<PoseDir>& poses)
{
  Checker checker;
  return checker.Find(model, poses);
}

Result Checker::Find(vtkPolyData* model, const std::vector<PoseDir>& poses)
{
  if (!model || model->GetNumberOfPoints() == 0)
  {
    return Empty();
  }
  if (!TreeServes(model_, tree_, model))
  {
    // A copy of its own, so that the kept tree describes the model it was built on whatever
    // becomes of the caller's.
    model_ = vtkSmartPointer<vtkPolyData>::New();
    model_->DeepCopy(model);
    tree_ = BuildModelTree(model_, kCheckTree);
  }
  return Check(tree_, poses);
}

vtkOBBTree* Checker::Tree() const
{
  return tree_;
}

} // namespace CutterCollision

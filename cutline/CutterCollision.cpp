// The cutter outline placed along the poses and tested against the model through a line
// locator built for the check.
#include "cutline/CutterCollision.h"

#include "cutline/CutLineRules.h"
#include "cutline/ToolPath.h"
#include "geometry/FastOBBTree.h"

#include <vtkCellArray.h>
#include <vtkIdList.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTransform.h>

namespace CutterCollision
{
namespace
{

// The cutter's outline in its own frame (+X is the tool axis away from the cutting point):
// eight lines on the shank at radius 1.175 from x = 5 to 15, eight on the neck at radius
// 0.6 from x = 1 to 5, each group at 0, 45, ..., 315 degrees about the axis.
struct OutlineSegment
{
  double x0;
  double x1;
  double y;
  double z;
};

std::vector<OutlineSegment> CutterOutline()
{
  const double c1 = 1.175 * 0.5 * 1.41421356237;
  const double c2 = 0.6 * 0.5 * 1.41421356237;
  return {
    { 5, 15, 1.175, 0 }, { 5, 15, c1, c1 }, { 5, 15, 0, 1.175 }, { 5, 15, -c1, c1 },
    { 5, 15, -1.175, 0 }, { 5, 15, -c1, -c1 }, { 5, 15, 0, -1.175 }, { 5, 15, c1, -c1 },
    { 1, 5, 0.6, 0 }, { 1, 5, c2, c2 }, { 1, 5, 0, 0.6 }, { 1, 5, -c2, c2 },
    { 1, 5, -0.6, 0 }, { 1, 5, -c2, -c2 }, { 1, 5, 0, -0.6 }, { 1, 5, c2, -c2 },
  };
}

// A locator of its own for the check, coarser than the generator's: one line query per
// outline line and pose.
vtkSmartPointer<vtkOBBTree> CheckTree(vtkPolyData* model)
{
  vtkSmartPointer<vtkOBBTree> tree = NewModelTree();
  tree->SetDataSet(model);
  tree->SetNumberOfCellsPerNode(50);
  tree->SetMaxLevel(1000000);
  tree->SetTolerance(1e-6);
  tree->AutomaticOn();
  tree->BuildLocator();
  return tree;
}

} // namespace

Result FindCollisions(vtkPolyData* model, const std::vector<PoseDir>& poses)
{
  auto displayPoints = vtkSmartPointer<vtkPoints>::New();
  auto displayLines = vtkSmartPointer<vtkCellArray>::New();
  Result result;
  result.outlines = vtkSmartPointer<vtkPolyData>::New();
  if (!model || model->GetNumberOfPoints() == 0)
  {
    result.outlines->SetPoints(displayPoints);
    result.outlines->SetLines(displayLines);
    return result;
  }

  vtkSmartPointer<vtkOBBTree> tree = CheckTree(model);
  const std::vector<OutlineSegment> outline = CutterOutline();
  vtkNew<vtkTransform> placement;
  vtkNew<vtkPoints> hits;
  vtkNew<vtkIdList> hitCells;
  std::vector<double> ends(outline.size() * 6);
  for (size_t i = 0; i < poses.size(); ++i)
  {
    const PoseDir& pose = poses[i];
    Pose4 machine;
    ToolPath::ComputeAxisPose(pose, machine);

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

  result.outlines->SetPoints(displayPoints);
  result.outlines->SetLines(displayLines);
  return result;
}

} // namespace CutterCollision

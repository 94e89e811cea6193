// The generator object, its model locator and the projection onto the model along an axis.
#include "cutline/CutLineGenerator.h"

#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkRenderer.h>

#include <cmath>

double ToolAxisSlope()
{
  return std::sqrt(3.0) / 3.0;
}

void TiltedToolAxis(const double direction[3], double axis[3])
{
  axis[0] = direction[0];
  axis[1] = direction[1];
  axis[2] = direction[2] + ToolAxisSlope();
  vtkMath::Normalize(axis);
}

CutLineGenerator::CutLineGenerator()
  : BuccalDrop(0.2)
{
}

CutLineGenerator::~CutLineGenerator() = default;

void CutLineGenerator::SetModel(vtkSmartPointer<vtkPolyData> model)
{
  Model = model;
  ModelTree = nullptr;
  if (!Model)
  {
    // Nothing to lay points on: projections return their input, as before the first model.
    return;
  }
  ModelTree = vtkSmartPointer<vtkOBBTree>::New();
  ModelTree->SetDataSet(Model);
  ModelTree->SetNumberOfCellsPerNode(8);
  ModelTree->SetMaxLevel(1000000);
  ModelTree->SetTolerance(1e-6);
  ModelTree->AutomaticOn();
  ModelTree->BuildLocator();
  ModelTree->Update();
}

void CutLineGenerator::SetRenderer(vtkSmartPointer<vtkRenderer> renderer)
{
  Renderer = renderer;
}

Point3 CutLineGenerator::ProjectAlongAxis(const double q[3], const double axis[3], bool* hit)
{
  Point3 result{ q[0], q[1], q[2] };
  if (hit)
  {
    *hit = false;
  }
  if (!ModelTree)
  {
    return result;
  }

  double outer[3];
  double inner[3];
  for (int k = 0; k < 3; ++k)
  {
    outer[k] = q[k] + 10.0 * axis[k];
    inner[k] = q[k] - 10.0 * axis[k];
  }

  vtkNew<vtkPoints> hits;
  vtkNew<vtkPoints> found;
  vtkNew<vtkIdList> cellIds;
  auto collect = [&](const double* from, const double* to) {
    if (ModelTree->IntersectWithLine(from, to, found, cellIds) != 0)
    {
      for (vtkIdType i = 0; i < found->GetNumberOfPoints(); ++i)
      {
        hits->InsertNextPoint(found->GetPoint(i));
      }
    }
  };

  // Crossings on the outer half always win; the inner half is searched only without them.
  collect(outer, q);
  collect(q, outer);
  if (hits->GetNumberOfPoints() == 0)
  {
    collect(inner, q);
    collect(q, inner);
  }

  if (hit)
  {
    *hit = hits->GetNumberOfPoints() > 0;
  }
  double best = 1e299;
  for (vtkIdType i = 0; i < hits->GetNumberOfPoints(); ++i)
  {
    double p[3];
    hits->GetPoint(i, p);
    const double d = std::sqrt(vtkMath::Distance2BetweenPoints(p, outer));
    if (d < best)
    {
      best = d;
      result = Point3{ p[0], p[1], p[2] };
    }
  }
  return result;
}

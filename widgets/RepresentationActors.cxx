// Handle spheres and spline lines, built the same way for every representation that shows them.
#include "widgets/RepresentationActors.h"

#include <vtkActor.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkSphereSource.h>

namespace
{
constexpr double kHandleRadius = 0.2;
constexpr int kHandleResolution = 21;
constexpr double kSplineLineWidth = 3.0;
} // namespace

vtkSmartPointer<vtkActor> NewHandleActor(const double position[3])
{
  vtkNew<vtkSphereSource> sphere;
  sphere->SetThetaResolution(kHandleResolution);
  sphere->SetPhiResolution(kHandleResolution);
  sphere->SetRadius(kHandleRadius);
  sphere->SetCenter(0.0, 0.0, 0.0);
  vtkNew<vtkPolyDataMapper> mapper;
  mapper->SetInputConnection(sphere->GetOutputPort());
  auto handle = vtkSmartPointer<vtkActor>::New();
  handle->SetMapper(mapper);
  handle->GetProperty()->SetColor(1.0, 0.0, 0.0);
  handle->SetPosition(position[0], position[1], position[2]);
  return handle;
}

vtkSmartPointer<vtkActor> NewSplineActor()
{
  auto spline = vtkSmartPointer<vtkActor>::New();
  spline->GetProperty()->SetColor(0.0, 1.0, 1.0);
  spline->GetProperty()->SetLineWidth(kSplineLineWidth);
  return spline;
}

// Handle spheres, spline lines and closed-line segments, built the same way wherever they are
// shown.
#include "widgets/RepresentationActors.h"

#include <vtkActor.h>
#include <vtkCellArray.h>
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

vtkSmartPointer<vtkCellArray> ClosedLoopSegments(vtkIdType count)
{
  auto lines = vtkSmartPointer<vtkCellArray>::New();
  lines->AllocateExact(count, 2 * count);
  for (vtkIdType j = 0; j + 1 < count; ++j)
  {
    const vtkIdType segment[2] = { j, j + 1 };
    lines->InsertNextCell(2, segment);
  }
  const vtkIdType closing[2] = { count - 1, 0 };
  lines->InsertNextCell(2, closing);
  return lines;
}

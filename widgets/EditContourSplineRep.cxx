#include "widgets/EditContourSplineRep.h"

#include "widgets/RepresentationActors.h"

#include <vtkActor.h>
#include <vtkAssembly.h>
#include <vtkAssemblyNode.h>
#include <vtkAssemblyPath.h>
#include <vtkCellPicker.h>
#include <vtkNew.h>
#include <vtkObjectFactory.h>
#include <vtkParametricFunctionSource.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataMapper.h>
#include <vtkProp3DCollection.h>
#include <vtkPropCollection.h>
#include <vtkRenderer.h>

#include <algorithm>
#include <iostream>

namespace
{
// Samples of the gum line handed out by GetSplinePoints.
constexpr int kGumLineSamples = 300;
// Samples of the displayed spline per control point.
constexpr int kSplineSamplesPerPoint = 50;
constexpr double kPickTolerance = 0.001;
} // namespace

vtkStandardNewMacro(EditContourSplineRep);

EditContourSplineRep::EditContourSplineRep()
  : Picker(vtkSmartPointer<vtkCellPicker>::New())
  , Points(vtkSmartPointer<vtkPoints>::New())
{
}

EditContourSplineRep::~EditContourSplineRep() = default;

void EditContourSplineRep::PrintSelf(ostream& os, vtkIndent indent)
{
  this->Superclass::PrintSelf(os, indent);
}

void EditContourSplineRep::SetTargetActor(vtkSmartPointer<vtkActor> actor)
{
  this->TargetActor = actor;
}

void EditContourSplineRep::Reset()
{
  this->Picker->InitializePickList();
  this->Picker->SetTolerance(kPickTolerance);
  this->Picker->PickFromListOn();
  if (this->TargetActor)
  {
    this->Picker->AddPickList(this->TargetActor);
  }

  this->Points->Reset();
  this->Points->Modified();

  if (!this->SplineActor)
  {
    this->SplineActor = NewSplineActor();
  }
  // An empty mapper: no spline is shown until the first point is placed.
  this->SplineActor->SetMapper(vtkSmartPointer<vtkPolyDataMapper>::New());

  this->HandleAssembly = vtkSmartPointer<vtkAssembly>::New();
}

void EditContourSplineRep::ReleaseTargetLocator()
{
  this->TargetLocator.Release(this->Picker);
}

int EditContourSplineRep::ComputeInteractionState(int X, int Y, int vtkNotUsed(modify))
{
  this->InteractionState = Outside;
  if (this->Renderer && this->Renderer->IsInViewport(X, Y))
  {
    this->TargetLocator.Serve(this->Picker, this->TargetActor);
    vtkAssemblyPath* path = this->GetAssemblyPath(X, Y, 0.0, this->Picker);
    if (path && this->TargetActor)
    {
      vtkCollectionSimpleIterator it;
      path->InitTraversal(it);
      while (vtkAssemblyNode* node = path->GetNextNode(it))
      {
        if (node->GetViewProp() == this->TargetActor)
        {
          this->InteractionState = OverTarget;
          break;
        }
      }
    }
  }
  return this->InteractionState;
}

void EditContourSplineRep::StartWidgetInteraction(double eventPos[2])
{
  if (!this->Renderer)
  {
    return;
  }
  this->TargetLocator.Serve(this->Picker, this->TargetActor);
  this->Picker->Pick(eventPos[0], eventPos[1], 0.0, this->Renderer);
  if (this->Picker->GetCellId() < 0 || this->Picker->GetActor() != this->TargetActor)
  {
    return;
  }
  this->Points->InsertNextPoint(this->Picker->GetPickPosition());
  this->BuildRepresentation();
  this->Modified();
}

void EditContourSplineRep::BuildRepresentation()
{
  const vtkIdType n = this->Points->GetNumberOfPoints();
  if (n >= 1)
  {
    vtkNew<vtkParametricSpline> spline;
    spline->SetPoints(this->Points);
    spline->ParameterizeByLengthOn();
    spline->ClosedOff();

    const int resolution = kSplineSamplesPerPoint * static_cast<int>(n);
    vtkNew<vtkParametricFunctionSource> source;
    source->SetParametricFunction(spline);
    source->SetUResolution(resolution);
    source->SetVResolution(resolution);
    source->SetWResolution(resolution);
    source->Update();

    if (this->SplineActor)
    {
      if (auto* mapper = vtkPolyDataMapper::SafeDownCast(this->SplineActor->GetMapper()))
      {
        mapper->SetInputData(source->GetOutput());
      }
    }
  }
  this->UpdateHandles();
}

void EditContourSplineRep::UpdateHandles()
{
  if (!this->HandleAssembly)
  {
    return;
  }
  // Copy the parts first: removing them changes the collection being walked.
  std::vector<vtkProp3D*> parts;
  vtkProp3DCollection* collection = this->HandleAssembly->GetParts();
  vtkCollectionSimpleIterator it;
  collection->InitTraversal(it);
  while (vtkProp3D* part = collection->GetNextProp3D(it))
  {
    parts.push_back(part);
  }
  for (vtkProp3D* part : parts)
  {
    this->HandleAssembly->RemovePart(part);
  }

  for (vtkIdType i = 0; i < this->Points->GetNumberOfPoints(); ++i)
  {
    this->HandleAssembly->AddPart(NewHandleActor(this->Points->GetPoint(i)));
  }
}

void EditContourSplineRep::Undo()
{
  const vtkIdType n = this->Points->GetNumberOfPoints();
  if (n == 0)
  {
    return;
  }
  vtkNew<vtkPoints> kept;
  for (vtkIdType i = 0; i + 1 < n; ++i)
  {
    kept->InsertNextPoint(this->Points->GetPoint(i));
  }
  std::cout << "undo.." << std::endl;
  this->Points->DeepCopy(kept);
  this->BuildRepresentation();
  this->Modified();
}

bool EditContourSplineRep::GetSplinePoints(std::vector<Point3>& points)
{
  if (this->Points->GetNumberOfPoints() < 3)
  {
    return false;
  }
  vtkNew<vtkParametricSpline> spline;
  spline->SetPoints(this->Points);
  spline->ParameterizeByLengthOn();
  spline->ClosedOn();

  for (int i = 0; i < kGumLineSamples; ++i)
  {
    double u[3] = { static_cast<double>(i) / kGumLineSamples, 0.0, 0.0 };
    double p[3];
    double du[9];
    spline->Evaluate(u, p, du);
    points.push_back({ p[0], p[1], p[2] });
  }

  // Every second sample is enough to tell the loop's turning sense.
  std::vector<Point3> polygon;
  for (size_t i = 0; i < points.size(); i += 2)
  {
    polygon.push_back(points[i]);
  }
  if (SignedAreaXY(polygon) < 0.0)
  {
    std::reverse(points.begin(), points.end());
  }
  return true;
}

double EditContourSplineRep::SignedAreaXY(const std::vector<Point3>& polygon)
{
  const size_t n = polygon.size();
  double twice = 0.0;
  for (size_t i = 0; i < n; ++i)
  {
    const Point3& a = polygon[i];
    const Point3& b = polygon[(i + 1) % n];
    twice += a.x * b.y - b.x * a.y;
  }
  return 0.5 * twice;
}

void EditContourSplineRep::GetActors(vtkPropCollection* actors)
{
  if (!actors)
  {
    return;
  }
  if (this->HandleAssembly)
  {
    actors->AddItem(this->HandleAssembly);
  }
  if (this->SplineActor)
  {
    actors->AddItem(this->SplineActor);
  }
}

vtkActor* EditContourSplineRep::GetTargetActor() const
{
  return this->TargetActor;
}

vtkPoints* EditContourSplineRep::GetPoints() const
{
  return this->Points;
}

vtkActor* EditContourSplineRep::GetSplineActor() const
{
  return this->SplineActor;
}

vtkAssembly* EditContourSplineRep::GetHandleAssembly() const
{
  return this->HandleAssembly;
}

vtkCellPicker* EditContourSplineRep::GetPicker() const
{
  return this->Picker;
}

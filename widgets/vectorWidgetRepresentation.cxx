#include "widgets/vectorWidgetRepresentation.h"

#include <vtkActor.h>
#include <vtkCellPicker.h>
#include <vtkObjectFactory.h>
#include <vtkPolyDataMapper.h>
#include <vtkPropCollection.h>
#include <vtkProperty.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkSphereSource.h>

#include <algorithm>
#include <initializer_list>

namespace
{
constexpr double kGreen[3] = { 0.0, 1.0, 0.0 };
constexpr double kBlue[3] = { 0.0, 0.0, 1.0 };
constexpr double kYellow[3] = { 1.0, 1.0, 0.0 };
constexpr int kSphereResolution = 32;
constexpr double kHandlePickTolerance = 0.01;

void SetColour(vtkActor* actor, const double colour[3])
{
  actor->GetProperty()->SetColor(colour[0], colour[1], colour[2]);
}
} // namespace

vtkStandardNewMacro(vectorWidgetRepresentation);

vectorWidgetRepresentation::vectorWidgetRepresentation()
  : Picker(vtkSmartPointer<vtkCellPicker>::New())
  , Sphere1(vtkSmartPointer<vtkSphereSource>::New())
  , Sphere2(vtkSmartPointer<vtkSphereSource>::New())
  , Mapper1(vtkSmartPointer<vtkPolyDataMapper>::New())
  , Mapper2(vtkSmartPointer<vtkPolyDataMapper>::New())
  , Actor1(vtkSmartPointer<vtkActor>::New())
  , Actor2(vtkSmartPointer<vtkActor>::New())
{
  for (vtkSphereSource* sphere : { this->Sphere1.Get(), this->Sphere2.Get() })
  {
    sphere->SetRadius(this->HandleRadius);
    sphere->SetThetaResolution(kSphereResolution);
    sphere->SetPhiResolution(kSphereResolution);
    sphere->SetCenter(0.0, 0.0, 0.0);
  }
  this->Mapper1->SetInputConnection(this->Sphere1->GetOutputPort());
  this->Mapper2->SetInputConnection(this->Sphere2->GetOutputPort());

  this->Actor1->SetMapper(this->Mapper1);
  this->Actor2->SetMapper(this->Mapper2);
  SetColour(this->Actor1, kGreen);
  SetColour(this->Actor2, kBlue);
  this->Actor1->VisibilityOff();
  this->Actor2->VisibilityOff();

  this->Picker->SetTolerance(kHandlePickTolerance);
}

vectorWidgetRepresentation::~vectorWidgetRepresentation() = default;

void vectorWidgetRepresentation::PrintSelf(ostream& os, vtkIndent indent)
{
  this->Superclass::PrintSelf(os, indent);
  os << indent << "Point1: (" << this->Point1[0] << ", " << this->Point1[1] << ", "
     << this->Point1[2] << ")" << (this->Point1Set ? "" : " not placed") << "\n";
  os << indent << "Point2: (" << this->Point2[0] << ", " << this->Point2[1] << ", "
     << this->Point2[2] << ")" << (this->Point2Set ? "" : " not placed") << "\n";
  os << indent << "ActiveHandle: " << this->ActiveHandle << "\n";
  os << indent << "HandleRadius: " << this->HandleRadius << "\n";
}

void vectorWidgetRepresentation::Reset()
{
  for (double* p : { this->Point1, this->Point2 })
  {
    p[0] = p[1] = p[2] = 0.0;
  }
  this->Point1Set = false;
  this->Point2Set = false;
  this->Actor1->VisibilityOff();
  this->Actor2->VisibilityOff();
  this->Modified();
}

void vectorWidgetRepresentation::SetPoint1(const double p[3])
{
  std::copy(p, p + 3, this->Point1);
  this->Point1Set = true;
  this->Modified();
  this->BuildRepresentation();
}

void vectorWidgetRepresentation::SetPoint2(const double p[3])
{
  std::copy(p, p + 3, this->Point2);
  this->Point2Set = true;
  this->Modified();
  this->BuildRepresentation();
}

void vectorWidgetRepresentation::SetActiveHandle(int handle)
{
  this->ActiveHandle = handle;
  if (handle == 0)
  {
    SetColour(this->Actor1, kYellow);
    if (this->Point2Set)
    {
      SetColour(this->Actor2, kBlue);
    }
  }
  else if (handle == 1)
  {
    SetColour(this->Actor2, kYellow);
    if (this->Point1Set)
    {
      SetColour(this->Actor1, kGreen);
    }
  }
  else
  {
    if (this->Point1Set)
    {
      SetColour(this->Actor1, kGreen);
    }
    if (this->Point2Set)
    {
      SetColour(this->Actor2, kBlue);
    }
  }
  if (this->Renderer && this->Renderer->GetRenderWindow())
  {
    this->Renderer->GetRenderWindow()->Render();
  }
}

void vectorWidgetRepresentation::SetArchActor(vtkActor* actor)
{
  this->ArchActor = actor;
}

void vectorWidgetRepresentation::ReleaseArchLocator()
{
  this->ArchLocator.Release(this->Picker);
}

int vectorWidgetRepresentation::PickHandle(int x, int y, vtkRenderer* renderer)
{
  if (!renderer)
  {
    return -1;
  }
  this->ArchLocator.Serve(this->Picker, this->ArchActor);
  if (!this->Picker->Pick(x, y, 0.0, renderer))
  {
    return -1;
  }
  vtkActor* picked = vtkActor::SafeDownCast(this->Picker->GetViewProp());
  if (picked && picked == this->Actor1)
  {
    return 0;
  }
  if (picked && picked == this->Actor2)
  {
    return 1;
  }
  return -1;
}

void vectorWidgetRepresentation::GetActors(vtkPropCollection* actors)
{
  if (actors)
  {
    actors->AddItem(this->Actor1);
    actors->AddItem(this->Actor2);
  }
}

void vectorWidgetRepresentation::BuildRepresentation()
{
  if (this->GetMTime() <= this->BuildTime)
  {
    return;
  }
  this->Actor1->SetVisibility(this->Point1Set);
  this->Actor2->SetVisibility(this->Point2Set);
  if (this->Point1Set)
  {
    this->Actor1->SetPosition(this->Point1);
    this->Sphere1->Update();
  }
  if (this->Point2Set)
  {
    this->Actor2->SetPosition(this->Point2);
    this->Sphere2->Update();
  }
  this->BuildTime.Modified();
}

vtkActor* vectorWidgetRepresentation::GetActor1() const
{
  return this->Actor1;
}

vtkActor* vectorWidgetRepresentation::GetActor2() const
{
  return this->Actor2;
}

vtkSphereSource* vectorWidgetRepresentation::GetSphere1() const
{
  return this->Sphere1;
}

vtkSphereSource* vectorWidgetRepresentation::GetSphere2() const
{
  return this->Sphere2;
}

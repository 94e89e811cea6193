#include "widgets/VectorWidget.h"

#include "geometry/CoordinateAligner.h"
#include "widgets/PassiveReleaseObserver.h"
#include "widgets/RepresentationActors.h"
#include "widgets/vectorWidgetRepresentation.h"

#include <vtkAbstractPicker.h>
#include <vtkActor.h>
#include <vtkCallbackCommand.h>
#include <vtkCommand.h>
#include <vtkMapper.h>
#include <vtkObjectFactory.h>
#include <vtkPolyData.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkTransform.h>
#include <vtkWidgetCallbackMapper.h>
#include <vtkWidgetEvent.h>

#include <iostream>

namespace
{
void WritePoint(const char* prefix, const double p[3])
{
  std::cout << prefix << p[0] << "," << p[1] << "," << p[2] << ")" << std::endl;
}
} // namespace

vtkStandardNewMacro(VectorWidget);

VectorWidget::VectorWidget()
  : ReleaseObserver(std::make_unique<PassiveReleaseObserver>(VectorWidget::ProcessRelease, this))
{
  // The widget is switched by its tool in the main window alone, never by a key in the view.
  this->KeyPressActivationOff();
  this->EventCallbackCommand->SetClientData(this);
  this->CallbackMapper->SetCallbackMethod(vtkCommand::LeftButtonPressEvent,
    vtkWidgetEvent::Select, this, VectorWidget::OnLeftButtonDown);

  // The camera style grabs the interactor's focus on every press that the widget leaves to
  // it, a press on a handle among them, and would then be the only one to hear the release.
  // A passive observer hears every release; it never consumes one.
}

// The release observer takes itself off the interactor.
VectorWidget::~VectorWidget() = default;

void VectorWidget::ProcessRelease(vtkObject*, unsigned long, void* clientData, void*)
{
  auto* self = static_cast<VectorWidget*>(clientData);
  if (self->Enabled && self->GetProcessEvents())
  {
    VectorWidget::OnLeftButtonUp(self);
  }
}

void VectorWidget::PrintSelf(ostream& os, vtkIndent indent)
{
  this->Superclass::PrintSelf(os, indent);
  os << indent << "State: " << this->State << "\n";
  os << indent << "ArchActor: " << static_cast<void*>(this->ArchActor) << "\n";
}

vectorWidgetRepresentation* VectorWidget::Rep() const
{
  return vectorWidgetRepresentation::SafeDownCast(this->WidgetRep);
}

void VectorWidget::SetArchActor(vtkActor* actor)
{
  if (this->ArchActor == actor)
  {
    return;
  }
  this->ArchActor = actor;
  if (vectorWidgetRepresentation* rep = this->Rep())
  {
    rep->SetArchActor(actor);
  }
  this->Modified();
  std::cout << "[DEBUG] SetArchActor：关联 Actor=" << static_cast<void*>(actor) << std::endl;
}

bool VectorWidget::GetPoint2(double point[3])
{
  vectorWidgetRepresentation* rep = this->Rep();
  if (!rep || !rep->GetPoint2Set())
  {
    return false;
  }
  const double* p = rep->GetPoint2();
  point[0] = p[0];
  point[1] = p[1];
  point[2] = p[2];
  return true;
}

vtkSmartPointer<vtkTransform> VectorWidget::ComputeAlignTransform()
{
  vectorWidgetRepresentation* rep = this->Rep();
  if (!rep || !rep->GetPoint1Set() || !rep->GetPoint2Set() || !this->ArchActor ||
    !this->ArchActor->GetMapper())
  {
    return nullptr;
  }
  vtkPolyData* model =
    vtkPolyData::SafeDownCast(this->ArchActor->GetMapper()->GetInputDataObject(0, 0));
  if (!model)
  {
    return nullptr;
  }
  // The aligner works on its own copy: the displayed model is never touched.
  auto copy = vtkSmartPointer<vtkPolyData>::New();
  copy->DeepCopy(model);
  CoordinateAligner aligner(copy);
  return aligner.ComputeTransformFromPoints(rep->GetPoint1(), rep->GetPoint2());
}

void VectorWidget::CreateDefaultRepresentation()
{
  if (!this->WidgetRep)
  {
    this->WidgetRep = vectorWidgetRepresentation::New();
    this->Rep()->SetArchActor(this->ArchActor);
    std::cout << "[DEBUG] CreateDefaultRepresentation：创建 WidgetRep="
              << static_cast<void*>(this->WidgetRep) << std::endl;
  }
}

void VectorWidget::SetEnabled(int enabling)
{
  if (enabling && !this->Enabled)
  {
    this->Superclass::SetEnabled(1);
    if (this->Enabled)
    {
      if (vectorWidgetRepresentation* rep = this->Rep())
      {
        rep->Reset();
      }
      this->State = WaitingForPoint1;
      AddRepresentationActors(this->WidgetRep, this->CurrentRenderer);
      this->ReleaseObserver->Attach(this->Interactor, this->Priority);
    }
  }
  else if (!enabling && this->Enabled)
  {
    this->ReleaseObserver->Detach();
    RemoveRepresentationActors(this->WidgetRep, this->CurrentRenderer);
    if (vectorWidgetRepresentation* rep = this->Rep())
    {
      rep->ReleaseArchLocator();
    }
    this->State = Disabled;
    this->Superclass::SetEnabled(0);
  }
  if (this->Interactor)
  {
    this->Interactor->Render();
  }
}

bool VectorWidget::PickWorldPoint(int x, int y, vtkRenderer* renderer, double world[3])
{
  if (!this->ArchActor || !renderer || !renderer->GetRenderWindow())
  {
    return false;
  }
  vtkRenderWindowInteractor* interactor = renderer->GetRenderWindow()->GetInteractor();
  vtkAbstractPicker* picker = interactor ? interactor->GetPicker() : nullptr;
  if (!picker)
  {
    return false;
  }

  picker->InitializePickList();
  picker->AddPickList(this->ArchActor);
  picker->PickFromListOn();
  const bool hit = picker->Pick(x, y, 0.0, renderer) != 0;
  if (hit)
  {
    picker->GetPickPosition(world);
    WritePoint("[DEBUG] PickWorldPoint：拾取成功 (", world);
  }
  else
  {
    std::cout << "[DEBUG] PickWorldPoint：拾取失败" << std::endl;
  }
  picker->PickFromListOff();
  return hit;
}

void VectorWidget::OnLeftButtonDown(vtkAbstractWidget* w)
{
  auto* self = static_cast<VectorWidget*>(w);
  std::cout << "[DEBUG] OnLeftButtonDown 调用，State=" << self->State << std::endl;

  vectorWidgetRepresentation* rep = self->Rep();
  if (!self->Interactor || !self->DefaultRenderer || !rep)
  {
    return;
  }
  const int x = self->Interactor->GetEventPosition()[0];
  const int y = self->Interactor->GetEventPosition()[1];

  // A press on a placed handle only highlights it; the camera style gets the press.
  const int handle = rep->PickHandle(x, y, self->DefaultRenderer);
  const bool placed = (handle == 0 && rep->GetPoint1Set()) || (handle == 1 && rep->GetPoint2Set());
  if (placed)
  {
    self->State = handle == 0 ? Handle0Pressed : Handle1Pressed;
    rep->SetActiveHandle(handle);
    self->StartInteraction();
    std::cout << "[DEBUG] OnLeftButtonDown：开始移动 Handle " << handle << std::endl;
    return;
  }

  double picked[3];
  if (!self->PickWorldPoint(x, y, self->CurrentRenderer, picked))
  {
    return;
  }
  if (self->State == WaitingForPoint1)
  {
    rep->SetPoint1(picked);
    self->State = WaitingForPoint2;
    WritePoint("[DEBUG] OnLeftButtonDown：放置 Point1 (", picked);
    self->Interactor->Render();
  }
  else if (self->State == WaitingForPoint2)
  {
    rep->SetPoint2(picked);
    self->State = BothPlaced;
    WritePoint("[DEBUG] OnLeftButtonDown：放置 Point2 (", picked);
    self->Interactor->Render();
  }

  // Every press on the model is the widget's, also one that places nothing.
  self->InvokeEvent(vtkCommand::LeftButtonPressEvent, nullptr);
  self->EventCallbackCommand->SetAbortFlag(1);
  self->StartInteraction();
  self->InvokeEvent(vtkCommand::StartInteractionEvent, nullptr);
  self->Render();
}

void VectorWidget::OnLeftButtonUp(vtkAbstractWidget* w)
{
  auto* self = static_cast<VectorWidget*>(w);
  std::cout << "[DEBUG] OnLeftButtonUp 调用，State=" << self->State << std::endl;

  if (self->State != Handle0Pressed && self->State != Handle1Pressed)
  {
    return;
  }
  vectorWidgetRepresentation* rep = self->Rep();
  if (rep)
  {
    rep->SetActiveHandle(-1);
  }
  self->State = (rep && rep->GetPoint2Set()) ? BothPlaced : WaitingForPoint2;
  self->EndInteraction();
  std::cout << "[DEBUG] OnLeftButtonUp：结束移动，恢复手柄颜色" << std::endl;
  if (self->Interactor)
  {
    self->Interactor->Render();
  }
}

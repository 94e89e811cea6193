#include "widgets/EditContourSplineWidget.h"

#include "widgets/EditContourSplineRep.h"
#include "widgets/PassiveReleaseObserver.h"
#include "widgets/RepresentationActors.h"

#include <vtkCallbackCommand.h>
#include <vtkCommand.h>
#include <vtkObjectFactory.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkWidgetCallbackMapper.h>
#include <vtkWidgetEvent.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

namespace
{
constexpr std::int64_t kClickMaxMs = 500;
constexpr int kClickMaxPixels = 3;

std::int64_t SteadyClockNs()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
    std::chrono::steady_clock::now().time_since_epoch())
    .count();
}

EditContourSplineWidget::ClockFunction clockNs = &SteadyClockNs;
} // namespace

vtkStandardNewMacro(EditContourSplineWidget);

EditContourSplineWidget::EditContourSplineWidget()
  : UndoKeyCommand(vtkSmartPointer<vtkCallbackCommand>::New())
  , ReleaseObserver(std::make_unique<PassiveReleaseObserver>(
      EditContourSplineWidget::ProcessPassedOnRelease, this))
{
  // The widget is switched by its tool in the main window alone, never by a key in the view.
  this->KeyPressActivationOff();
  this->UndoKeyCommand->SetClientData(this);
  this->UndoKeyCommand->SetCallback(EditContourSplineWidget::ProcessKeyEvents);

  this->CallbackMapper->SetCallbackMethod(vtkCommand::LeftButtonPressEvent,
    vtkWidgetEvent::Select, this, EditContourSplineWidget::SelectAction);
  this->CallbackMapper->SetCallbackMethod(vtkCommand::LeftButtonReleaseEvent,
    vtkWidgetEvent::EndSelect, this, EditContourSplineWidget::EndSelectAction);
}

EditContourSplineWidget::~EditContourSplineWidget()
{
  // The key observer points back at this widget: never leave it on the interactor (the
  // release observer takes itself off).
  if (this->Interactor)
  {
    this->Interactor->RemoveObserver(this->UndoKeyCommand);
  }
}

void EditContourSplineWidget::PrintSelf(ostream& os, vtkIndent indent)
{
  this->Superclass::PrintSelf(os, indent);
}

void EditContourSplineWidget::SetClock(ClockFunction clock)
{
  clockNs = clock ? clock : &SteadyClockNs;
}

EditContourSplineRep* EditContourSplineWidget::Rep() const
{
  return EditContourSplineRep::SafeDownCast(this->WidgetRep);
}

EditContourSplineRep* EditContourSplineWidget::RepOverTarget(int& x, int& y)
{
  EditContourSplineRep* rep = this->Rep();
  if (!rep || !this->Interactor)
  {
    return nullptr;
  }
  x = this->Interactor->GetEventPosition()[0];
  y = this->Interactor->GetEventPosition()[1];
  rep->ComputeInteractionState(x, y, 0);
  return rep->GetInteractionState() == EditContourSplineRep::Outside ? nullptr : rep;
}

void EditContourSplineWidget::SetRepresentation(EditContourSplineRep* rep)
{
  this->Superclass::SetWidgetRepresentation(vtkWidgetRepresentation::SafeDownCast(rep));
}

void EditContourSplineWidget::CreateDefaultRepresentation()
{
  if (!this->WidgetRep)
  {
    this->WidgetRep = EditContourSplineRep::New();
  }
}

void EditContourSplineWidget::SetEnabled(int enabling)
{
  if (enabling && !this->Enabled)
  {
    this->Superclass::SetEnabled(1);
    if (this->Enabled)
    {
      this->Interactor->AddObserver(
        vtkCommand::KeyPressEvent, this->UndoKeyCommand, this->Priority);
      this->ReleaseObserver->Attach(this->Interactor, this->Priority);
      this->PressPassedOn = false;
      this->ReleaseHandled = false;
      AddRepresentationActors(this->WidgetRep, this->CurrentRenderer);
    }
  }
  else if (!enabling && this->Enabled)
  {
    if (this->Interactor)
    {
      this->Interactor->RemoveObserver(this->UndoKeyCommand);
    }
    this->ReleaseObserver->Detach();
    RemoveRepresentationActors(this->WidgetRep, this->CurrentRenderer);
    if (EditContourSplineRep* rep = this->Rep())
    {
      rep->ReleaseTargetLocator();
    }
    this->Superclass::SetEnabled(0);
  }
  if (this->Interactor)
  {
    this->Interactor->Render();
  }
}

void EditContourSplineWidget::SelectAction(vtkAbstractWidget* w)
{
  auto* self = static_cast<EditContourSplineWidget*>(w);
  int x = 0;
  int y = 0;
  EditContourSplineRep* rep = self->RepOverTarget(x, y);
  self->PressPassedOn = rep == nullptr;
  if (!rep)
  {
    return;
  }

  self->LastDownX = x;
  self->LastDownY = y;
  self->LastDownTimeNs = clockNs();
  std::cout << " Down x: " << x << "y: " << y << std::endl;

  self->InvokeEvent(vtkCommand::LeftButtonPressEvent, nullptr);
  self->EventCallbackCommand->SetAbortFlag(1);
  self->StartInteraction();
  self->InvokeEvent(vtkCommand::StartInteractionEvent, nullptr);
  self->Render();
}

void EditContourSplineWidget::EndSelectAction(vtkAbstractWidget* w)
{
  auto* self = static_cast<EditContourSplineWidget*>(w);
  if (self->ReleaseHandled)
  {
    // The passive observer has run the release steps already (the press went on to the
    // camera style, which did not take the focus): a release is handled once.
    self->ReleaseHandled = false;
    return;
  }
  self->FinishRelease(true);
}

void EditContourSplineWidget::ProcessPassedOnRelease(
  vtkObject* vtkNotUsed(caller), unsigned long, void* clientData, void* vtkNotUsed(callData))
{
  auto* self = static_cast<EditContourSplineWidget*>(clientData);
  // Passive observers run first for every release, so the flags always speak of this one.
  self->ReleaseHandled = self->PressPassedOn && self->Enabled && self->GetProcessEvents();
  self->PressPassedOn = false;
  if (self->ReleaseHandled)
  {
    // A passive observer cannot consume the release: the camera style ends its drag with it.
    self->FinishRelease(false);
  }
}

void EditContourSplineWidget::FinishRelease(bool consume)
{
  int x = 0;
  int y = 0;
  EditContourSplineRep* rep = this->RepOverTarget(x, y);
  if (!rep)
  {
    return;
  }
  std::cout << " up x: " << x << "y: " << y << std::endl;

  const std::int64_t elapsedMs = (clockNs() - this->LastDownTimeNs) / 1000000;
  const bool near = std::abs(this->LastDownX - x) < kClickMaxPixels ||
    std::abs(this->LastDownY - y) < kClickMaxPixels;
  if (elapsedMs < kClickMaxMs && near)
  {
    double position[2] = { static_cast<double>(x), static_cast<double>(y) };
    rep->StartWidgetInteraction(position);
    std::cout << "clicked" << std::endl;
  }

  this->InvokeEvent(vtkCommand::LeftButtonReleaseEvent, nullptr);
  if (consume)
  {
    this->EventCallbackCommand->SetAbortFlag(1);
  }
  this->InvokeEvent(vtkCommand::EndInteractionEvent, nullptr);
  this->EndInteraction();
  this->Render();
}

void EditContourSplineWidget::ProcessKeyEvents(
  vtkObject* caller, unsigned long event, void* clientData, void* vtkNotUsed(callData))
{
  auto* self = static_cast<EditContourSplineWidget*>(clientData);
  auto* interactor = vtkRenderWindowInteractor::SafeDownCast(caller);
  if (!self || !interactor)
  {
    return;
  }
  const bool control = interactor->GetControlKey() != 0;
  const char* keySym = interactor->GetKeySym();
  const bool zKey = keySym && (std::string(keySym) == "Z" || std::string(keySym) == "z");
  if (control && zKey && event == vtkCommand::KeyPressEvent)
  {
    std::cout << "ProcessKeyEvents" << std::endl;
    if (EditContourSplineRep* rep = self->Rep())
    {
      rep->Undo();
    }
    self->Render();
  }
}

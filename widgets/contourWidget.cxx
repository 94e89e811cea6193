// The cut-line editing widget's event handling: hover test, press, drag steps and release.
#include "widgets/contourWidget.h"

#include "widgets/RepresentationActors.h"
#include "widgets/contourRepresentation.h"

#include <vtkCallbackCommand.h>
#include <vtkCommand.h>
#include <vtkObjectFactory.h>
#include <vtkProp.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkWidgetCallbackMapper.h>
#include <vtkWidgetEvent.h>

vtkStandardNewMacro(contourWidget);

contourWidget::contourWidget()
  : WidgetState(Idle)
{
  // The widget is switched by the main window alone, never by a key typed in the view.
  this->KeyPressActivationOff();
  this->CallbackMapper->SetCallbackMethod(vtkCommand::LeftButtonPressEvent,
    vtkWidgetEvent::Select, this, contourWidget::SelectAction);
  this->CallbackMapper->SetCallbackMethod(vtkCommand::LeftButtonReleaseEvent,
    vtkWidgetEvent::EndSelect, this, contourWidget::EndSelectAction);
  this->CallbackMapper->SetCallbackMethod(
    vtkCommand::MouseMoveEvent, vtkWidgetEvent::Move, this, contourWidget::MoveAction);
}

contourWidget::~contourWidget() = default;

void contourWidget::PrintSelf(ostream& os, vtkIndent indent)
{
  this->Superclass::PrintSelf(os, indent);
  os << indent << "WidgetState: " << this->WidgetState << "\n";
}

void contourWidget::SetRepresentation(contourRepresentation* rep)
{
  this->SetWidgetRepresentation(vtkWidgetRepresentation::SafeDownCast(rep));
}

void contourWidget::CreateDefaultRepresentation()
{
  if (!this->WidgetRep)
  {
    // The base releases this reference when the widget goes.
    this->WidgetRep = contourRepresentation::New();
  }
}

void contourWidget::SetEnabled(int enabling)
{
  const bool enable = enabling != 0;
  if (enable == (this->Enabled != 0))
  {
    if (this->Interactor)
    {
      this->Interactor->Render();
    }
    return;
  }

  if (enable)
  {
    this->Superclass::SetEnabled(1);
    // The base stays disabled without an interactor or a renderer under the pointer.
    if (this->Enabled && this->CurrentRenderer)
    {
      vtkRenderer* renderer = this->CurrentRenderer;
      ForEachRepresentationActor(
        this->WidgetRep, [renderer](vtkProp* prop) { renderer->AddActor(prop); });
    }
  }
  else
  {
    if (vtkRenderer* renderer = this->CurrentRenderer)
    {
      ForEachRepresentationActor(
        this->WidgetRep, [renderer](vtkProp* prop) { renderer->RemoveActor(prop); });
    }
    this->Superclass::SetEnabled(0);
  }

  if (this->Interactor)
  {
    this->Interactor->Render();
  }
}

void contourWidget::SelectAction(vtkAbstractWidget* widget)
{
  auto* self = static_cast<contourWidget*>(widget);
  auto* rep = static_cast<contourRepresentation*>(self->WidgetRep);
  if (!rep || rep->GetInteractionState() == 0)
  {
    // No handle under the pointer: the press goes on to the camera style.
    return;
  }

  const int* position = self->Interactor->GetEventPosition();
  double eventPos[2] = { static_cast<double>(position[0]), static_cast<double>(position[1]) };
  self->WidgetState = Dragging;
  self->GrabFocus(self->EventCallbackCommand);
  rep->StartWidgetInteraction(eventPos);
  self->EventCallbackCommand->SetAbortFlag(1);
  self->StartInteraction();
  self->InvokeEvent(vtkCommand::StartInteractionEvent, nullptr);
  self->Render();
}

void contourWidget::EndSelectAction(vtkAbstractWidget* widget)
{
  auto* self = static_cast<contourWidget*>(widget);
  if (self->WidgetState == Idle)
  {
    return;
  }

  self->WidgetState = Idle;
  self->ReleaseFocus();
  self->InvokeEvent(vtkCommand::LeftButtonReleaseEvent, nullptr);
  self->EventCallbackCommand->SetAbortFlag(1);
  self->InvokeEvent(vtkCommand::EndInteractionEvent, nullptr);
  self->EndInteraction();
  self->Render();
}

void contourWidget::MoveAction(vtkAbstractWidget* widget)
{
  auto* self = static_cast<contourWidget*>(widget);
  auto* rep = static_cast<contourRepresentation*>(self->WidgetRep);
  if (!rep)
  {
    return;
  }
  vtkRenderWindowInteractor* interactor = self->Interactor;
  const int X = interactor->GetEventPosition()[0];
  const int Y = interactor->GetEventPosition()[1];

  if (self->WidgetState == Idle)
  {
    // Hover test with the interactor switched off, so that nothing renders in between.
    interactor->Disable();
    const int previousState = rep->GetInteractionState();
    const int previousHandle = rep->GetActiveHandle();
    const int state = rep->ComputeInteractionState(X, Y, 0);
    const int cursorChanged =
      self->RequestCursorShape(state != 0 ? VTK_CURSOR_HAND : VTK_CURSOR_DEFAULT);
    rep->Highlight(1);
    interactor->Enable();
    if (cursorChanged || state != previousState || rep->GetActiveHandle() != previousHandle)
    {
      self->Render();
    }
    // Not consumed: the camera style sees every hover move too.
    return;
  }

  self->InvokeEvent(vtkCommand::MouseMoveEvent, nullptr);
  double eventPos[2] = { static_cast<double>(X), static_cast<double>(Y) };
  rep->WidgetInteraction(eventPos);
  self->EventCallbackCommand->SetAbortFlag(1);
  self->InvokeEvent(vtkCommand::InteractionEvent, nullptr);
  self->Render();
}

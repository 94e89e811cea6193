// The release observer shared by the widgets whose presses may go on to the camera style.
#include "widgets/PassiveReleaseObserver.h"

#include <vtkCallbackCommand.h>
#include <vtkCommand.h>
#include <vtkRenderWindowInteractor.h>

PassiveReleaseObserver::PassiveReleaseObserver(Callback callback, void* clientData)
  : Command(vtkSmartPointer<vtkCallbackCommand>::New())
{
  this->Command->SetClientData(clientData);
  this->Command->SetCallback(callback);
  this->Command->SetPassiveObserver(1);
}

PassiveReleaseObserver::~PassiveReleaseObserver()
{
  // The callback points back at the widget being destroyed: never leave it on the interactor.
  this->Detach();
}

void PassiveReleaseObserver::Attach(vtkRenderWindowInteractor* interactor, float priority)
{
  this->Detach();
  this->Interactor = interactor;
  if (interactor)
  {
    interactor->AddObserver(vtkCommand::LeftButtonReleaseEvent, this->Command, priority);
  }
}

void PassiveReleaseObserver::Detach()
{
  if (this->Interactor)
  {
    this->Interactor->RemoveObserver(this->Command);
  }
  this->Interactor = nullptr;
}

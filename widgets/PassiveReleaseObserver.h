// A passive observer of the interactor's left-button release for a widget: it hears the release
// also while the camera style holds the interactor's focus after a press the widget passed on.
#pragma once

#include <vtkSmartPointer.h>
#include <vtkWeakPointer.h>

class vtkCallbackCommand;
class vtkObject;
class vtkRenderWindowInteractor;

// VTK runs passive observers before the focus holder and every other observer, and ignores
// their abort flag: a release heard here can never be consumed. The observer is taken off the
// interactor when it is destroyed.
class PassiveReleaseObserver
{
public:
  using Callback = void (*)(vtkObject* caller, unsigned long event, void* clientData,
    void* callData);

  // `callback` is called with `clientData` (the widget) for each release while attached.
  PassiveReleaseObserver(Callback callback, void* clientData);
  ~PassiveReleaseObserver();
  PassiveReleaseObserver(const PassiveReleaseObserver&) = delete;
  PassiveReleaseObserver& operator=(const PassiveReleaseObserver&) = delete;

  // Starts hearing LeftButtonReleaseEvent on `interactor` at `priority`.
  void Attach(vtkRenderWindowInteractor* interactor, float priority);
  // Stops hearing it; nothing when not attached.
  void Detach();

private:
  vtkSmartPointer<vtkCallbackCommand> Command;
  vtkWeakPointer<vtkRenderWindowInteractor> Interactor;
};

// Gum-line drawing tool: turns left clicks on the jaw model into control points of an
// EditContourSplineRep and Ctrl+Z into undo, leaving other presses to the camera style.
//
// Event bindings (any modifier keys):
//
// | event                      | action          | consumed                                  |
// |----------------------------|-----------------|-------------------------------------------|
// | LeftButtonPressEvent       | SelectAction    | when the press is over the target actor;  |
// |   (widget event Select)    |                 | it records the press position and time    |
// | LeftButtonReleaseEvent     | EndSelectAction | when the release is over the target actor |
// |   (widget event EndSelect) |                 | (click or not); a click adds a point      |
// | LeftButtonReleaseEvent     | ProcessPassed-  | never; after a press that went on to the  |
// |   (own passive observer    | OnRelease       | camera style it runs the release steps of |
// |   while enabled)           |                 | EndSelectAction, which then skips it      |
// | KeyPressEvent (own         | ProcessKeyEvents| never; Ctrl+Z / Ctrl+z removes the last   |
// |   observer while enabled)  |                 | point                                     |
//
// A release is a click when it comes less than 500 ms (whole milliseconds) after the last
// press over the target actor and within 3 pixels of it on at least one axis. A press
// elsewhere leaves the recorded press unchanged and goes to the camera style, which takes the
// interactor's focus until the button comes up: the callback mapper never hears that release,
// but the passive observer, which VTK runs before the focus holder, does. So a release over
// the model after a press beside it still adds a point under the click rule; it cannot be
// consumed, and the camera style ends its drag with it.
#pragma once

#include <vtkAbstractWidget.h>
#include <vtkSmartPointer.h>

#include <cstdint>
#include <memory>

class EditContourSplineRep;
class PassiveReleaseObserver;
class vtkCallbackCommand;
class vtkObject;

class EditContourSplineWidget : public vtkAbstractWidget
{
public:
  static EditContourSplineWidget* New();
  vtkTypeMacro(EditContourSplineWidget, vtkAbstractWidget);
  void PrintSelf(ostream& os, vtkIndent indent) override;

  // Pairs the widget with its representation; the widget keeps a reference.
  void SetRepresentation(EditContourSplineRep* rep);

  // Enabling adds the key observer and the representation's actors to the renderer;
  // disabling removes them and lets the representation go of its search structure over the
  // model. Every call ends with a render.
  void SetEnabled(int enabling) override;
  void CreateDefaultRepresentation() override;

  // Monotonic clock of the click rule, in nanoseconds. The program uses the steady clock;
  // tests may put their own clock in. nullptr restores the steady clock.
  using ClockFunction = std::int64_t (*)();
  static void SetClock(ClockFunction clock);

protected:
  EditContourSplineWidget();
  ~EditContourSplineWidget() override;

  static void SelectAction(vtkAbstractWidget* widget);
  static void EndSelectAction(vtkAbstractWidget* widget);
  static void ProcessKeyEvents(vtkObject* caller, unsigned long event, void* clientData,
    void* callData);
  static void ProcessPassedOnRelease(vtkObject* caller, unsigned long event, void* clientData,
    void* callData);

private:
  EditContourSplineWidget(const EditContourSplineWidget&) = delete;
  void operator=(const EditContourSplineWidget&) = delete;

  EditContourSplineRep* Rep() const;
  // The representation when the event position is over the target actor (the interaction
  // state is recomputed there), else null; x and y get the event position.
  EditContourSplineRep* RepOverTarget(int& x, int& y);
  // The release steps: over the target actor, the console line, the click rule and the end
  // of the interaction; `consume` sets the abort flag of the widget's event callback.
  void FinishRelease(bool consume);

  vtkSmartPointer<vtkCallbackCommand> UndoKeyCommand;
  // Hears the left release also while the camera style holds the focus.
  std::unique_ptr<PassiveReleaseObserver> ReleaseObserver;
  // The last press over the target actor, which the click rule measures a release against.
  int LastDownX = -100;
  int LastDownY = -100;
  std::int64_t LastDownTimeNs = 0;
  // The last press reached the widget off the target actor and went on to the camera style.
  bool PressPassedOn = false;
  // The passive observer has run the release steps for the release now being dispatched.
  bool ReleaseHandled = false;
};

// Two-point picking tool: the first left click on the jaw model places Point1, the second
// Point2; the two points then give the working frame through ComputeAlignTransform.
//
// Event bindings (any modifier keys):
//
// | event                      | action           | consumed                                 |
// |----------------------------|------------------|------------------------------------------|
// | LeftButtonPressEvent       | OnLeftButtonDown | when the press hits the model and is not |
// |   (widget event Select)    |                  | on a placed handle, in every state, also |
// |                            |                  | where it places nothing (states 3-5)     |
// | LeftButtonReleaseEvent     | OnLeftButtonUp   | never                                    |
// |   (own passive observer    |                  |                                          |
// |   while enabled)           |                  |                                          |
//
// The release is heard through a passive observer rather than the callback mapper: the
// camera style takes the interactor's focus on each press that it is left (a press on a
// handle, a press beside the model) and would otherwise be the only one to hear the release.
//
// States (GetState, values of StateType):
//
// | state              | meaning            | entered by                                     |
// |--------------------|--------------------|------------------------------------------------|
// | 0 Disabled         | disabled           | construction; SetEnabled(0)                    |
// | 1 WaitingForPoint1 | waiting for Point1 | SetEnabled(1), which clears both points        |
// | 2 WaitingForPoint2 | waiting for Point2 | Point1 placed in 1; release in 3 with Point2   |
// |                    |                    | unplaced                                       |
// | 3 Handle0Pressed   | handle 0 pressed   | press on the placed Point1 handle (from 2 or 5)|
// | 4 Handle1Pressed   | handle 1 pressed   | press on the placed Point2 handle (from 5)     |
// | 5 BothPlaced       | both points placed | Point2 placed in 2; release in 3 or 4 with     |
// |                    |                    | Point2 set                                     |
//
// A press on a handle turns it yellow and goes on to the camera style (nothing moves the
// handle); its release restores the colours. A press beside the model reaches the camera
// style in every state.
#pragma once

#include <vtkAbstractWidget.h>
#include <vtkSmartPointer.h>

#include <memory>

class PassiveReleaseObserver;
class vectorWidgetRepresentation;
class vtkActor;
class vtkObject;
class vtkRenderer;
class vtkTransform;

class VectorWidget : public vtkAbstractWidget
{
public:
  static VectorWidget* New();
  vtkTypeMacro(VectorWidget, vtkAbstractWidget);
  void PrintSelf(ostream& os, vtkIndent indent) override;

  // The states of the table above, as GetState gives them.
  enum StateType
  {
    Disabled = 0,
    WaitingForPoint1 = 1,
    WaitingForPoint2 = 2,
    Handle0Pressed = 3,
    Handle1Pressed = 4,
    BothPlaced = 5
  };

  // The jaw model's actor: points are placed on it only, and its mesh gives the frame.
  // Not owned.
  void SetArchActor(vtkActor* actor);
  vtkActor* GetArchActor() const { return this->ArchActor; }

  vtkGetMacro(State, int);

  // Copies Point2 into `point` and returns true when the second point has been placed.
  bool GetPoint2(double point[3]);

  // The working frame from the two points, or null when the frame computation rejects them
  // (or when a point is not placed or there is no model).
  vtkSmartPointer<vtkTransform> ComputeAlignTransform();

  // Enabling clears both points and waits for Point1; disabling keeps them and lets go of the
  // representation's search structure over the model. Every call ends with a render.
  void SetEnabled(int enabling) override;
  void CreateDefaultRepresentation() override;

  // Picks the model actor at the display position through the interactor's own picker.
  bool PickWorldPoint(int x, int y, vtkRenderer* renderer, double world[3]);

protected:
  VectorWidget();
  ~VectorWidget() override;

  static void OnLeftButtonDown(vtkAbstractWidget* widget);
  static void OnLeftButtonUp(vtkAbstractWidget* widget);
  static void ProcessRelease(vtkObject* caller, unsigned long event, void* clientData,
    void* callData);

private:
  VectorWidget(const VectorWidget&) = delete;
  void operator=(const VectorWidget&) = delete;

  vectorWidgetRepresentation* Rep() const;

  int State = Disabled;
  vtkActor* ArchActor = nullptr;
  // Hears every left release, also while the camera style holds the focus.
  std::unique_ptr<PassiveReleaseObserver> ReleaseObserver;
};

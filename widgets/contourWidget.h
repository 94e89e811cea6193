// contourWidget lets the user reshape the cut line by dragging its handles over the jaw model:
// an event state machine that turns mouse events into hover tests and drag steps on its
// contourRepresentation, which does the picking and the drawing.
#pragma once

#include <vtkAbstractWidget.h>

class contourRepresentation;

// Events the widget listens to, the action each one runs, and when the widget consumes it
// (sets the abort flag, so that the camera style observing with lower priority never sees it):
//
//   VTK event               widget event   action            consumed
//   LeftButtonPressEvent    Select         SelectAction      when the last hover test found a
//                                                            handle (interaction state not 0)
//   LeftButtonReleaseEvent  EndSelect      EndSelectAction   while a drag is under way
//   MouseMoveEvent          Move           MoveAction        while a drag is under way; hover
//                                                            moves are never consumed
//
// States (WidgetState):
//   Idle (0)      every move runs the hover test: a handle under the pointer gets the hand
//                 cursor and turns blue; the widget renders only when the cursor, the
//                 interaction state or the handle under the pointer changed.
//                 A press with a handle under the pointer grabs the focus and goes to Dragging.
//   Dragging (1)  every move puts the handle where the pointer meets the model and redraws the
//                 spline and the offset line; the release ends the drag and goes to Idle.
//
// Events invoked on the widget itself: StartInteractionEvent when a drag starts;
// MouseMoveEvent then InteractionEvent at each drag step; LeftButtonReleaseEvent then
// EndInteractionEvent when it ends.
class contourWidget : public vtkAbstractWidget
{
public:
  static contourWidget* New();
  vtkTypeMacro(contourWidget, vtkAbstractWidget);
  void PrintSelf(ostream& os, vtkIndent indent) override;

  enum WidgetStateType
  {
    Idle = 0,
    Dragging = 1
  };

  // Pairs the widget with its representation (the widget keeps a reference).
  void SetRepresentation(contourRepresentation* rep);

  // Besides the base's work, adds the representation's actors to the current renderer when
  // enabling and removes them when disabling; either way the interactor renders.
  void SetEnabled(int enabling) override;

  // A new contourRepresentation when none is set.
  void CreateDefaultRepresentation() override;

  vtkGetMacro(WidgetState, int);

protected:
  contourWidget();
  ~contourWidget() override;

  static void SelectAction(vtkAbstractWidget* widget);
  static void EndSelectAction(vtkAbstractWidget* widget);
  static void MoveAction(vtkAbstractWidget* widget);

  int WidgetState;

private:
  contourWidget(const contourWidget&) = delete;
  void operator=(const contourWidget&) = delete;
};

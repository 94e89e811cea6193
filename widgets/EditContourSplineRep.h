// Representation of the gum-line drawing tool: control points clicked on the jaw model, an
// open cyan spline through them with a red sphere on each, undo, and the closed gum line.
#pragma once

#include "cutline/PoseTypes.h"
#include "widgets/ModelPickLocator.h"

#include <vtkSmartPointer.h>
#include <vtkWidgetRepresentation.h>

#include <vector>

class vtkActor;
class vtkAssembly;
class vtkCellPicker;
class vtkPoints;
class vtkPropCollection;

class EditContourSplineRep : public vtkWidgetRepresentation
{
public:
  static EditContourSplineRep* New();
  vtkTypeMacro(EditContourSplineRep, vtkWidgetRepresentation);
  void PrintSelf(ostream& os, vtkIndent indent) override;

  // Interaction states: the pointer is over the target actor or not.
  enum
  {
    Outside = 0,
    OverTarget = 1
  };

  // The jaw model's actor, the only actor on which points are placed. The next Reset puts it
  // into the picker's list.
  void SetTargetActor(vtkSmartPointer<vtkActor> actor);
  vtkActor* GetTargetActor() const;

  // Prepares a new drawing: the picker sees the target actor only, no control points, an
  // empty spline and a new, empty set of handles.
  void Reset();

  // Lets go of the search structure over the target's model (the drawing has ended), so that
  // it keeps no replaced model alive; the next pick takes it up again.
  void ReleaseTargetLocator();

  // Appends 300 samples of the closed spline through the control points to `points`, turned
  // counter-clockwise seen from +z. False with fewer than 3 control points (list untouched).
  bool GetSplinePoints(std::vector<Point3>& points);

  // Removes the last control point.
  void Undo();

  // Rebuilds the handle spheres, one per control point.
  void UpdateHandles();

  // Signed area of the polygon's projection on the x-y plane; positive counter-clockwise.
  static double SignedAreaXY(const std::vector<Point3>& polygon);

  // 1 when the display position is over the target actor, else 0; `modify` is ignored.
  int ComputeInteractionState(int X, int Y, int modify = 0) override;
  // Adds a control point where the target actor is hit at the event position.
  void StartWidgetInteraction(double eventPos[2]) override;
  void BuildRepresentation() override;
  // Adds the handle assembly, then the spline actor, each only when it exists.
  void GetActors(vtkPropCollection* actors) override;

  // The control points in click order; the same object for the representation's whole life.
  vtkPoints* GetPoints() const;
  vtkActor* GetSplineActor() const;
  vtkAssembly* GetHandleAssembly() const;
  vtkCellPicker* GetPicker() const;

protected:
  EditContourSplineRep();
  ~EditContourSplineRep() override;

private:
  EditContourSplineRep(const EditContourSplineRep&) = delete;
  void operator=(const EditContourSplineRep&) = delete;

  vtkSmartPointer<vtkCellPicker> Picker;
  vtkSmartPointer<vtkPoints> Points;
  vtkSmartPointer<vtkActor> TargetActor;
  vtkSmartPointer<vtkActor> SplineActor;
  vtkSmartPointer<vtkAssembly> HandleAssembly;
  // The search structure over the target actor's model for every pick, built on the first
  // pick after the model was set, replaced or changed (or taken over from another widget on
  // the same model).
  ModelPickLocator TargetLocator;
};

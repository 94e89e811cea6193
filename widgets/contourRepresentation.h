// contourRepresentation draws the cut line on the jaw model: a closed cyan spline through the
// caller's points, a red handle on each point and a thick black offset line laid on the model.
// It picks handles, moves the dragged point onto the model and hands the current spline out.
#pragma once

#include "cutline/PoseTypes.h"
#include "widgets/ModelPickLocator.h"

#include <vtkSmartPointer.h>
#include <vtkWidgetRepresentation.h>

#include <vector>

class CutLineGenerator;
class vtkActor;
class vtkAssembly;
class vtkCellPicker;
class vtkIdList;
class vtkParametricSpline;
class vtkPoints;
class vtkPolyDataMapper;
class vtkPropCollection;

class contourRepresentation : public vtkWidgetRepresentation
{
public:
  static contourRepresentation* New();
  vtkTypeMacro(contourRepresentation, vtkWidgetRepresentation);
  void PrintSelf(ostream& os, vtkIndent indent) override;

  // The caller's point object itself is kept (no copy); dragging a handle writes into it.
  void SetPoints(vtkSmartPointer<vtkPoints> points);
  // The jaw model's actor: the only surface on which handles can be put down.
  void SetModelActor(vtkSmartPointer<vtkActor> actor);

  // New spline, spline actor, pickers and handles from the points and the model actor. The
  // offset line is drawn when the widget is next enabled. Fewer than two points make no cut
  // line: the new spline is on them all the same, and nothing is drawn or can be grabbed.
  void Rebuild();
  void BuildSplineActor();
  void BuildHandles();

  // The current closed spline, shared; every Rebuild and every drag step makes a new one.
  // Null before the first Rebuild.
  vtkSmartPointer<vtkParametricSpline> GetSpline();

  // The black line 0.4 beside the spline, laid on the model and lifted 0.05 off it; `flip`
  // puts it on the other side. A spline shorter than 6.0 leaves the previous line as it was;
  // a spline of fewer than two points empties it.
  void BuildOffsetLine(bool flip);
  // The probe `q` beside the cut-line sample `p` laid on the model along the unit axis `a`:
  // the crossing nearest to q + 10a, or `q` when nothing is hit or there is no model tree.
  Point3 ProjectAlongDirection(const double p[3], const double q[3], const double a[3]);

  // 1 when a handle is under (X, Y), else 0; `modify` is ignored.
  int ComputeInteractionState(int X, int Y, int modify = 0) override;
  void StartWidgetInteraction(double eventPos[2]) override;
  // One drag step: the active point goes where the pointer meets the model.
  void WidgetInteraction(double eventPos[2]) override;
  // Redraws the spline and the offset line from the points; every call rebuilds.
  void BuildRepresentation() override;
  // Every handle red; with `highlight` on, the handle under the pointer blue.
  void Highlight(int highlight) override;
  // Adds the handle assembly, the spline actor and the offset-line actor, those that exist.
  void GetActors(vtkPropCollection* props) override;
  void PlaceWidget(double bounds[6]) override;

  // Index of the handle last found under the pointer or being dragged; -1 none.
  vtkGetMacro(ActiveHandle, int);

  // The main window's cut-line generator, not owned; the offset line is laid on the model
  // through its model tree. Null until the first cut-line generation.
  CutLineGenerator* Generator;

protected:
  contourRepresentation();
  ~contourRepresentation() override;

  vtkSmartPointer<vtkCellPicker> HandlePicker;
  vtkSmartPointer<vtkCellPicker> SurfacePicker;
  vtkSmartPointer<vtkParametricSpline> Spline;
  int ActiveHandle;
  vtkSmartPointer<vtkActor> SelectedHandle;
  vtkSmartPointer<vtkPoints> Points;
  vtkSmartPointer<vtkActor> ModelActor;
  vtkSmartPointer<vtkActor> SplineActor;
  vtkSmartPointer<vtkActor> OffsetLineActor;
  vtkSmartPointer<vtkAssembly> HandleAssembly;
  std::vector<vtkSmartPointer<vtkActor>> Handles;

private:
  contourRepresentation(const contourRepresentation&) = delete;
  void operator=(const contourRepresentation&) = delete;

  vtkIdType PointCount() const;
  // The steps of BuildOffsetLine once the spline is resampled into `samples` with their
  // Directions: a point beside every 0.2 of the samples, laid on the model and lifted off it
  // (fewer than two for too short a spline), then the closed black line through those points.
  vtkSmartPointer<vtkPoints> OffsetPoints(vtkPoints* samples, bool flip);
  void ShowOffsetLine(vtkPoints* offset);
  // A new closed spline through Points, parameterised by length, becomes Spline; returns a
  // mapper that draws it with 50 samples per point, or draws nothing for fewer than 2 points.
  vtkSmartPointer<vtkPolyDataMapper> NewSplineMapper();
  // Appends the crossings of the segment from -> to, then those of to -> from, with the model
  // tree to the search for the one nearest to `farEnd`; returns how many crossings they had.
  vtkIdType CollectNearest(const double from[3], const double to[3], const double farEnd[3],
    double& bestDistance, double best[3]);

  // Scratch lists of the model-tree queries, reused across the whole offset line.
  vtkSmartPointer<vtkPoints> CrossingPoints;
  vtkSmartPointer<vtkIdList> CrossingCells;
  vtkSmartPointer<vtkPoints> ReverseCrossingPoints;
  vtkSmartPointer<vtkIdList> ReverseCrossingCells;
  std::vector<Point3> Directions;
  // The search structure over the model for the hover and drag-step picks, built on the first
  // pick after the model was set, replaced or changed (or taken over from another widget on
  // the same model).
  ModelPickLocator ModelLocator;
};

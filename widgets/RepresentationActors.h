// The actors that the widget representations draw with (handle spheres, the spline's line, the
// segments of a closed line), and putting a representation's actors into a renderer or out.
#pragma once

#include <vtkNew.h>
#include <vtkPropCollection.h>
#include <vtkRenderer.h>
#include <vtkSmartPointer.h>
#include <vtkWidgetRepresentation.h>

class vtkActor;
class vtkCellArray;

// A red sphere of radius 0.2 at `position`, the handle on one point of a drawn line.
vtkSmartPointer<vtkActor> NewHandleActor(const double position[3]);

// The cyan line, 3 pixels wide, that draws a spline through the handles. It has no mapper
// yet: the representation gives it the spline's geometry.
vtkSmartPointer<vtkActor> NewSplineActor();

// The segments of a closed line through `count` points: j -> j + 1, then the last point back
// to the first.
vtkSmartPointer<vtkCellArray> ClosedLoopSegments(vtkIdType count);

// Calls `visit` with each prop that the representation lists, in its order.
template <typename Visit>
void ForEachRepresentationActor(vtkWidgetRepresentation* rep, Visit visit)
{
  if (!rep)
  {
    return;
  }
  vtkNew<vtkPropCollection> actors;
  rep->GetActors(actors);
  vtkCollectionSimpleIterator it;
  actors->InitTraversal(it);
  while (vtkProp* prop = actors->GetNextProp(it))
  {
    visit(prop);
  }
}

// Through the renderer's view-prop calls.
inline void AddRepresentationActors(vtkWidgetRepresentation* rep, vtkRenderer* renderer)
{
  if (renderer)
  {
    ForEachRepresentationActor(rep, [renderer](vtkProp* prop) { renderer->AddViewProp(prop); });
  }
}

inline void RemoveRepresentationActors(vtkWidgetRepresentation* rep, vtkRenderer* renderer)
{
  if (renderer)
  {
    ForEachRepresentationActor(
      rep, [renderer](vtkProp* prop) { renderer->RemoveViewProp(prop); });
  }
}

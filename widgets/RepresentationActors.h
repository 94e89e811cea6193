// Puts the actors that a widget representation lists (GetActors) into a renderer or takes
// them out again, for widgets whose representation draws through ordinary actors.
#pragma once

#include <vtkNew.h>
#include <vtkPropCollection.h>
#include <vtkRenderer.h>
#include <vtkWidgetRepresentation.h>

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

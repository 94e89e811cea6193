// Puts the actors that a widget representation lists (GetActors) into a renderer or takes
// them out again, for widgets whose representation draws through ordinary actors.
#pragma once

#include <vtkNew.h>
#include <vtkPropCollection.h>
#include <vtkRenderer.h>
#include <vtkWidgetRepresentation.h>

inline void AddRepresentationActors(vtkWidgetRepresentation* rep, vtkRenderer* renderer)
{
  if (!rep || !renderer)
  {
    return;
  }
  vtkNew<vtkPropCollection> actors;
  rep->GetActors(actors);
  vtkCollectionSimpleIterator it;
  actors->InitTraversal(it);
  while (vtkProp* prop = actors->GetNextProp(it))
  {
    renderer->AddViewProp(prop);
  }
}

inline void RemoveRepresentationActors(vtkWidgetRepresentation* rep, vtkRenderer* renderer)
{
  if (!rep || !renderer)
  {
    return;
  }
  vtkNew<vtkPropCollection> actors;
  rep->GetActors(actors);
  vtkCollectionSimpleIterator it;
  actors->InitTraversal(it);
  while (vtkProp* prop = actors->GetNextProp(it))
  {
    renderer->RemoveViewProp(prop);
  }
}

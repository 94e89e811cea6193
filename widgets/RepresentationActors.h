// Puts the actors that a widget representation lists (GetActors) into a renderer or takes
// them out again, for widgets whose representation draws through ordinary actors.
#pragma once

#include <vtkNew.h>
#include <vtkPropCollection.h>
#include <vtkRenderer.h>
#include <vtkWidgetRepresentation.h>

inline void ShowRepresentationActors(vtkWidgetRepresentation* rep, vtkRenderer* renderer, bool show)
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
    if (show)
    {
      renderer->AddViewProp(prop);
    }
    else
    {
      renderer->RemoveViewProp(prop);
    }
  }
}

inline void AddRepresentationActors(vtkWidgetRepresentation* rep, vtkRenderer* renderer)
{
  ShowRepresentationActors(rep, renderer, true);
}

inline void RemoveRepresentationActors(vtkWidgetRepresentation* rep, vtkRenderer* renderer)
{
  ShowRepresentationActors(rep, renderer, false);
}

// ModelPickLocator lets a widget's cell pickers search the jaw model through the SurfacePickLocator
// of the model's current geometry, shared with every other widget on the same geometry.
#pragma once

#include <vtkSmartPointer.h>

class SurfacePickLocator;
class vtkActor;
class vtkCellPicker;

class ModelPickLocator
{
public:
  ModelPickLocator();
  ~ModelPickLocator();
  ModelPickLocator(const ModelPickLocator&) = delete;
  ModelPickLocator& operator=(const ModelPickLocator&) = delete;

  // Call before every pick with `picker`: takes every locator off the picker, then gives it
  // the shared locator over the current input of `model`'s mapper (built when that geometry
  // is new to it, built again when the geometry changed since), which picks exactly as the
  // picker's full scan. The picker keeps to its full scan where the locator could not answer
  // as the scan would (no model or input, clipping planes on the model's mapper, cells that
  // are not all triangles) and while UseFullScan(true) is in force. Other props in the
  // picker's reach are scanned by the picker as they always were.
  void Serve(vtkCellPicker* picker, vtkActor* model);

  // Lets go of the locator and takes every locator off `picker`, so that neither keeps an
  // earlier model alive; the next Serve takes the shared locator again or builds it.
  void Release(vtkCellPicker* picker);

  // The locator of the geometry last served; null before that, after a model without one and
  // after Release.
  SurfacePickLocator* GetLocator() const;

  // While true every ModelPickLocator leaves its pickers to their full scan (tests and
  // benchmarks compare the two); false from the start.
  static void UseFullScan(bool fullScan);

private:
  vtkSmartPointer<SurfacePickLocator> Locator;
};

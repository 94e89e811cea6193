// Representation of the two-point picking tool: the two points picked on the jaw model, each
// shown as a sphere of radius 1.0, green for the first, blue for the second, yellow if pressed.
#pragma once

#include "widgets/ModelPickLocator.h"

#include <vtkSmartPointer.h>
#include <vtkWeakPointer.h>
#include <vtkWidgetRepresentation.h>

class vtkActor;
class vtkCellPicker;
class vtkPolyDataMapper;
class vtkPropCollection;
class vtkRenderer;
class vtkSphereSource;

class vectorWidgetRepresentation : public vtkWidgetRepresentation
{
public:
  static vectorWidgetRepresentation* New();
  vtkTypeMacro(vectorWidgetRepresentation, vtkWidgetRepresentation);
  void PrintSelf(ostream& os, vtkIndent indent) override;

  // Both points back to the origin and unplaced, both handles hidden; no render.
  void Reset();

  // Place a point (world coordinates) and rebuild.
  void SetPoint1(const double p[3]);
  void SetPoint2(const double p[3]);
  const double* GetPoint1() const { return this->Point1; }
  const double* GetPoint2() const { return this->Point2; }
  bool GetPoint1Set() const { return this->Point1Set; }
  bool GetPoint2Set() const { return this->Point2Set; }

  // Colours the handles for the pressed handle (0, 1, or -1 for none) and renders.
  void SetActiveHandle(int handle);
  int GetActiveHandle() const { return this->ActiveHandle; }

  // 0 or 1 when that placed handle is the first thing under the display position, else -1.
  int PickHandle(int x, int y, vtkRenderer* renderer);
  // The jaw model's actor, not owned: PickHandle searches its triangles through a locator
  // instead of testing every one (the answer is the same). Null: every prop is scanned.
  void SetArchActor(vtkActor* actor);
  // Lets go of that search structure (the widget is switched off), so that it keeps no
  // replaced model alive; the next handle pick takes it up again.
  void ReleaseArchLocator();

  // Adds Actor1, then Actor2.
  void GetActors(vtkPropCollection* actors) override;
  void BuildRepresentation() override;

  vtkActor* GetActor1() const;
  vtkActor* GetActor2() const;
  vtkSphereSource* GetSphere1() const;
  vtkSphereSource* GetSphere2() const;

protected:
  vectorWidgetRepresentation();
  ~vectorWidgetRepresentation() override;

  // Finds a handle under the pointer: tolerance 0.01, no pick list.
  vtkSmartPointer<vtkCellPicker> Picker;

private:
  vectorWidgetRepresentation(const vectorWidgetRepresentation&) = delete;
  void operator=(const vectorWidgetRepresentation&) = delete;

  double Point1[3] = { 0.0, 0.0, 0.0 };
  double Point2[3] = { 0.0, 0.0, 0.0 };
  bool Point1Set = false;
  bool Point2Set = false;
  vtkSmartPointer<vtkSphereSource> Sphere1;
  vtkSmartPointer<vtkSphereSource> Sphere2;
  vtkSmartPointer<vtkPolyDataMapper> Mapper1;
  vtkSmartPointer<vtkPolyDataMapper> Mapper2;
  vtkSmartPointer<vtkActor> Actor1;
  vtkSmartPointer<vtkActor> Actor2;
  int ActiveHandle = -1;
  double HandleRadius = 1.0;
  vtkWeakPointer<vtkActor> ArchActor;
  // The search structure over the model for the handle pick, built on the first pick after
  // the model was set, replaced or changed (or taken over from another widget on the model).
  ModelPickLocator ArchLocator;
};

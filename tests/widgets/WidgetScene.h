// A real render window, interactor and trackball-camera style around the generated jaw, seen
// straight from above or from below or from a chosen point, for driving the widgets with
// synthetic mouse and key events.
#pragma once

#include <vtkActor.h>
#include <vtkInteractorStyleTrackballCamera.h>
#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkSmartPointer.h>

#include <array>
#include <iostream>
#include <optional>
#include <sstream>
#include <streambuf>
#include <vector>

class vtkMatrix4x4;

namespace widgettest
{

using Pixel = std::array<int, 2>;
using World = std::array<double, 3>;

enum class View
{
  FromAbove, // camera on +z looking down at the crowns
  FromBelow  // camera on -z looking up at the flat base
};

class WidgetScene
{
public:
  // `placement` moves the jaw out of its working frame (null: not moved).
  explicit WidgetScene(View view, const vtkMatrix4x4* placement = nullptr);
  ~WidgetScene();

  // Display position of a world point (rounded to the pixel).
  Pixel ToDisplay(const World& p);
  // Display position of a world point, unrounded.
  std::array<double, 2> ToDisplayExact(const World& p);
  // A perspective camera at `eye` looking at `focal`, in place of the constructor's view; it
  // is the camera that RestoreCamera restores from then on. Renders.
  void LookAt(const World& focal, const World& eye, const World& viewUp);
  // The camera of the constructor (or of the last LookAt) again, and a render.
  void RestoreCamera();
  World CameraPosition();

  void Press(const Pixel& at, int control = 0, int shift = 0);
  void Release(const Pixel& at, int control = 0, int shift = 0);
  void Move(const Pixel& to);
  void Key(const char* keySym, int control, int shift);
  // A typed character (CharEvent), as a key press in the view gives after KeyPressEvent.
  void Char(char key);
  // Press, move by (dx, dy), release at the moved position: true when the camera turned.
  bool DragTurnsCamera(const Pixel& at, int dx = 30, int dy = 0);

  // Presses and releases that reached the observers below the widgets, where the camera
  // style listens. Blind to releases while the style holds the pointer (it takes the
  // interactor's focus on each press that reaches it, until the release).
  int pressesReachingStyle = 0;
  int releasesReachingStyle = 0;

  // Crown tops of the jaw from its left end to its right end: the highest vertex of each of
  // the 14 teeth, lying where the crown is flat.
  std::vector<World> crownTops;
  // The points of the flat base straight below the crown tops (z = 0).
  std::vector<World> basePoints;
  // A pixel where nothing but background lies.
  Pixel background{ 8, 8 };

  vtkSmartPointer<vtkPolyData> mesh;
  vtkNew<vtkActor> model;
  vtkNew<vtkRenderer> renderer;
  vtkNew<vtkRenderWindow> window;
  vtkNew<vtkRenderWindowInteractor> interactor;
  vtkNew<vtkInteractorStyleTrackballCamera> style;

private:
  struct Perspective
  {
    World focal;
    World eye;
    World viewUp;
  };

  View view_;
  std::optional<Perspective> perspective_;
  unsigned long pressProbe_ = 0;
  unsigned long releaseProbe_ = 0;
};

double Distance(const World& a, const double b[3]);

} // namespace widgettest

// Two-point picking tool in a real render window, the jaw seen from below: the states and
// handle colours, which presses reach the camera style, its console lines and the frame.
#include "widgets/SurfacePickLocator.h"
#include "widgets/VectorWidget.h"
#include "widgets/vectorWidgetRepresentation.h"

#include "tests/support/ConsoleCapture.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/widgets/WidgetScene.h"

#include <vtkActor.h>
#include <vtkMatrix4x4.h>
#include <vtkPolyDataMapper.h>
#include <vtkProperty.h>
#include <vtkSphereSource.h>
#include <vtkTransform.h>

#include <gtest/gtest.h>

#include <sstream>

using testsupport::ConsoleCapture;
using widgettest::Pixel;
using widgettest::View;
using widgettest::WidgetScene;
using widgettest::World;

namespace
{

constexpr double kGreen[3] = { 0.0, 1.0, 0.0 };
constexpr double kBlue[3] = { 0.0, 0.0, 1.0 };
constexpr double kYellow[3] = { 1.0, 1.0, 0.0 };

// Picks land within a pixel or two of the aimed point (one pixel is about 0.1).
constexpr double kPickTolerance = 0.3;

constexpr size_t kLeftMolar = 0;
constexpr size_t kFront = 6;
constexpr size_t kRightMolar = 13;

void ExpectColour(vtkActor* actor, const double colour[3])
{
  double c[3];
  actor->GetProperty()->GetColor(c);
  EXPECT_EQ(c[0], colour[0]);
  EXPECT_EQ(c[1], colour[1]);
  EXPECT_EQ(c[2], colour[2]);
}

std::string PointText(const double p[3])
{
  std::ostringstream text;
  text << p[0] << "," << p[1] << "," << p[2];
  return text.str();
}

class TwoPointWidgetTest : public ::testing::Test
{
protected:
  explicit TwoPointWidgetTest(const vtkMatrix4x4* placement = nullptr)
    : scene(View::FromBelow, placement)
  {
  }

  void SetUp() override
  {
    // As the main window builds it and loads a model.
    widget->SetInteractor(scene.interactor);
    widget->SetDefaultRenderer(scene.renderer);
    widget->SetArchActor(scene.model);
    widget->SetEnabled(1);
  }

  void TearDown() override { widget->SetEnabled(0); }

  vectorWidgetRepresentation* Rep()
  {
    return vectorWidgetRepresentation::SafeDownCast(widget->GetRepresentation());
  }
  Pixel Base(size_t i) { return scene.ToDisplay(scene.basePoints.at(i)); }
  void Click(const Pixel& p)
  {
    scene.Press(p);
    scene.Release(p);
  }
  // Places both points: the left molar's, then the right molar's.
  void PlaceBoth()
  {
    Click(Base(kLeftMolar));
    Click(Base(kRightMolar));
    ASSERT_EQ(widget->GetState(), VectorWidget::BothPlaced);
  }

  WidgetScene scene;
  vtkNew<VectorWidget> widget;
};

} // namespace

TEST_F(TwoPointWidgetTest, FirstClickGreenSecondBlueThirdNothingAndNoneTurnsTheCamera)
{
  EXPECT_EQ(widget->GetState(), VectorWidget::WaitingForPoint1);
  double p2[3];

  EXPECT_FALSE(scene.DragTurnsCamera(Base(kLeftMolar)));
  EXPECT_EQ(widget->GetState(), VectorWidget::WaitingForPoint2);
  vectorWidgetRepresentation* rep = Rep();
  ASSERT_TRUE(rep->GetPoint1Set());
  EXPECT_LT(widgettest::Distance(scene.basePoints[kLeftMolar], rep->GetPoint1()), kPickTolerance);
  EXPECT_TRUE(rep->GetActor1()->GetVisibility());
  EXPECT_FALSE(rep->GetActor2()->GetVisibility());
  ExpectColour(rep->GetActor1(), kGreen);
  EXPECT_EQ(rep->GetSphere1()->GetRadius(), 1.0);
  EXPECT_LT(widgettest::Distance(
              { rep->GetPoint1()[0], rep->GetPoint1()[1], rep->GetPoint1()[2] },
              rep->GetActor1()->GetCenter()),
    1e-6);
  EXPECT_FALSE(widget->GetPoint2(p2));

  // Any modifier keys: Control and Shift held.
  const World before = scene.CameraPosition();
  scene.Press(Base(kRightMolar), 1, 1);
  scene.Move({ Base(kRightMolar)[0] + 30, Base(kRightMolar)[1] });
  scene.Release(Base(kRightMolar), 1, 1);
  EXPECT_EQ(scene.CameraPosition(), before);
  EXPECT_EQ(widget->GetState(), VectorWidget::BothPlaced);
  EXPECT_TRUE(rep->GetActor2()->GetVisibility());
  ExpectColour(rep->GetActor2(), kBlue);
  EXPECT_EQ(rep->GetSphere2()->GetRadius(), 1.0);
  ASSERT_TRUE(widget->GetPoint2(p2));
  EXPECT_LT(widgettest::Distance(scene.basePoints[kRightMolar], p2), kPickTolerance);

  // A third press on the model places nothing but is still the widget's.
  const World p1{ rep->GetPoint1()[0], rep->GetPoint1()[1], rep->GetPoint1()[2] };
  EXPECT_FALSE(scene.DragTurnsCamera(Base(kFront)));
  EXPECT_EQ(widget->GetState(), VectorWidget::BothPlaced);
  EXPECT_EQ(widgettest::Distance(p1, rep->GetPoint1()), 0.0);
  double again[3];
  ASSERT_TRUE(widget->GetPoint2(again));
  EXPECT_EQ(widgettest::Distance({ p2[0], p2[1], p2[2] }, again), 0.0);

  EXPECT_EQ(scene.pressesReachingStyle, 0);
  EXPECT_EQ(scene.releasesReachingStyle, 3) << "releases are never consumed";
}

TEST_F(TwoPointWidgetTest, PressBesideTheModelPlacesNothingAndTurnsTheCameraInEveryState)
{
  for (const Pixel& next : { Base(kLeftMolar), Base(kRightMolar), Base(kFront) })
  {
    const int state = widget->GetState();
    SCOPED_TRACE("state " + std::to_string(state));
    const bool point1 = Rep()->GetPoint1Set();
    const bool point2 = Rep()->GetPoint2Set();
    {
      ConsoleCapture out;
      EXPECT_TRUE(scene.DragTurnsCamera(scene.background));
      const std::string text = out.Out();
      EXPECT_NE(text.find("[DEBUG] PickWorldPoint：拾取失败\n"), std::string::npos);
      EXPECT_EQ(text.find("放置"), std::string::npos);
      // The release belongs to the camera style's drag, and the widget still hears it.
      EXPECT_NE(text.find("[DEBUG] OnLeftButtonUp 调用，State=" + std::to_string(state) + "\n"),
        std::string::npos);
    }
    EXPECT_EQ(widget->GetState(), state);
    EXPECT_EQ(Rep()->GetPoint1Set(), point1);
    EXPECT_EQ(Rep()->GetPoint2Set(), point2);

    scene.RestoreCamera();
    Click(next);
  }
  EXPECT_EQ(scene.pressesReachingStyle, 3);
}

TEST_F(TwoPointWidgetTest, HandlePressHighlightsLetsTheCameraTurnAndReleaseRestores)
{
  vectorWidgetRepresentation* rep = Rep();
  Click(Base(kLeftMolar));
  const World p1{ rep->GetPoint1()[0], rep->GetPoint1()[1], rep->GetPoint1()[2] };

  // Waiting for Point2, press the green handle.
  {
    ConsoleCapture out;
    scene.Press(Base(kLeftMolar));
    EXPECT_NE(out.Out().find("[DEBUG] OnLeftButtonDown：开始移动 Handle 0\n"), std::string::npos);
  }
  EXPECT_EQ(widget->GetState(), VectorWidget::Handle0Pressed);
  EXPECT_EQ(rep->GetActiveHandle(), 0);
  ExpectColour(rep->GetActor1(), kYellow);
  EXPECT_EQ(scene.pressesReachingStyle, 1);
  const World before = scene.CameraPosition();
  scene.Move({ Base(kLeftMolar)[0] + 30, Base(kLeftMolar)[1] });
  EXPECT_NE(scene.CameraPosition(), before);
  {
    ConsoleCapture out;
    scene.Release({ Base(kLeftMolar)[0] + 30, Base(kLeftMolar)[1] });
    EXPECT_NE(out.Out().find("[DEBUG] OnLeftButtonUp：结束移动，恢复手柄颜色\n"), std::string::npos);
  }
  EXPECT_EQ(widget->GetState(), VectorWidget::WaitingForPoint2);
  EXPECT_EQ(rep->GetActiveHandle(), -1);
  ExpectColour(rep->GetActor1(), kGreen);
  EXPECT_EQ(widgettest::Distance(p1, rep->GetPoint1()), 0.0) << "nothing moves the handle";

  // The next click on the model places Point2.
  scene.RestoreCamera();
  Click(Base(kRightMolar));
  ASSERT_EQ(widget->GetState(), VectorWidget::BothPlaced);

  struct Case
  {
    size_t tooth;
    int handle;
    int pressedState;
    const double* colour1;
    const double* colour2;
  };
  const Case cases[] = {
    { kRightMolar, 1, VectorWidget::Handle1Pressed, kGreen, kYellow },
    { kLeftMolar, 0, VectorWidget::Handle0Pressed, kYellow, kBlue },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE("handle " + std::to_string(c.handle));
    scene.RestoreCamera();
    {
      ConsoleCapture out;
      scene.Press(Base(c.tooth));
      const std::vector<std::string> expected = {
        "[DEBUG] OnLeftButtonDown 调用，State=5",
        "[DEBUG] OnLeftButtonDown：开始移动 Handle " + std::to_string(c.handle),
      };
      EXPECT_EQ(out.OutLines(), expected);
    }
    EXPECT_EQ(widget->GetState(), c.pressedState);
    ExpectColour(rep->GetActor1(), c.colour1);
    ExpectColour(rep->GetActor2(), c.colour2);
    scene.Release(Base(c.tooth));
    EXPECT_EQ(widget->GetState(), VectorWidget::BothPlaced);
    ExpectColour(rep->GetActor1(), kGreen);
    ExpectColour(rep->GetActor2(), kBlue);
  }
}

TEST_F(TwoPointWidgetTest, PointsOutliveDisablingAndEnablingClearsThem)
{
  PlaceBoth();
  double placed[3];
  ASSERT_TRUE(widget->GetPoint2(placed));

  widget->SetEnabled(0);
  EXPECT_EQ(widget->GetState(), VectorWidget::Disabled);
  EXPECT_FALSE(scene.renderer->HasViewProp(Rep()->GetActor1()));
  EXPECT_FALSE(scene.renderer->HasViewProp(Rep()->GetActor2()));
  double kept[3];
  ASSERT_TRUE(widget->GetPoint2(kept));
  EXPECT_EQ(widgettest::Distance({ placed[0], placed[1], placed[2] }, kept), 0.0);

  // Disabled, a press on the model is not the widget's.
  Click(Base(kFront));
  EXPECT_EQ(scene.pressesReachingStyle, 1);

  widget->SetEnabled(1);
  EXPECT_EQ(widget->GetState(), VectorWidget::WaitingForPoint1);
  EXPECT_FALSE(widget->GetPoint2(kept));
  EXPECT_FALSE(Rep()->GetPoint1Set());
  EXPECT_FALSE(Rep()->GetActor1()->GetVisibility());
  EXPECT_FALSE(Rep()->GetActor2()->GetVisibility());
  EXPECT_TRUE(scene.renderer->HasViewProp(Rep()->GetActor1()));

  Click(Base(kFront));
  EXPECT_EQ(widget->GetState(), VectorWidget::WaitingForPoint2);
}

TEST_F(TwoPointWidgetTest, TypedKeysNeverSwitchTheWidget)
{
  Click(Base(kLeftMolar));
  scene.Char('i');
  EXPECT_TRUE(widget->GetEnabled());
  EXPECT_EQ(widget->GetState(), VectorWidget::WaitingForPoint2);
  widget->SetEnabled(0);
  scene.Char('i');
  EXPECT_FALSE(widget->GetEnabled());
}

TEST_F(TwoPointWidgetTest, WritesItsDebugLines)
{
  std::vector<std::string> lines;
  {
    ConsoleCapture out;
    Click(Base(kLeftMolar));
    lines = out.OutLines();
  }
  const std::string p1 = PointText(Rep()->GetPoint1());
  const std::vector<std::string> expected = {
    "[DEBUG] OnLeftButtonDown 调用，State=1",
    "[DEBUG] PickWorldPoint：拾取成功 (" + p1 + ")",
    "[DEBUG] OnLeftButtonDown：放置 Point1 (" + p1 + ")",
    "[DEBUG] OnLeftButtonUp 调用，State=2",
  };
  EXPECT_EQ(lines, expected);

  {
    ConsoleCapture out;
    Click(Base(kRightMolar));
    const std::string p2 = PointText(Rep()->GetPoint2());
    EXPECT_NE(out.Out().find("[DEBUG] OnLeftButtonDown：放置 Point2 (" + p2 + ")\n"),
      std::string::npos);
  }

  {
    ConsoleCapture out;
    widget->SetArchActor(scene.model);
    EXPECT_TRUE(out.Out().empty()) << "the same actor again writes nothing";
  }
  vtkNew<vtkActor> other;
  ConsoleCapture out;
  widget->SetArchActor(other);
  std::ostringstream pointer;
  pointer << static_cast<void*>(other.Get());
  EXPECT_EQ(out.OutLines(), std::vector<std::string>{ "[DEBUG] SetArchActor：关联 Actor=" + pointer.str() });
}

// The widget hands its model actor to its representation, made before the actor was set or
// after: its handle test searches the model through the pick locator, which the widget lets
// go of when switched off (then nobody holds a locator over the model).
TEST_F(TwoPointWidgetTest, HandleTestsSearchTheModelThroughALocatorLetGoOfWhenSwitchedOff)
{
  Click(Base(kLeftMolar));
  ASSERT_EQ(widget->GetState(), VectorWidget::WaitingForPoint2);
  EXPECT_GT(SurfacePickLocator::Shared(scene.mesh)->GetBuildTime(), 0u);

  const auto other = testsupport::MakeSyntheticJaw(testsupport::SmallJaw()).mesh;
  vtkNew<vtkPolyDataMapper> otherMapper;
  otherMapper->SetInputData(other);
  vtkNew<vtkActor> otherActor;
  otherActor->SetMapper(otherMapper);
  scene.renderer->RemoveActor(scene.model);
  scene.renderer->AddActor(otherActor);
  widget->SetArchActor(otherActor);
  Click(Base(kRightMolar));
  ASSERT_EQ(widget->GetState(), VectorWidget::BothPlaced);
  EXPECT_GT(SurfacePickLocator::Shared(other)->GetBuildTime(), 0u);

  widget->SetEnabled(0);
  EXPECT_EQ(SurfacePickLocator::Shared(other)->GetBuildTime(), 0u);
}

TEST(VectorWidget, CreatesItsRepresentationOnFirstEnable)
{
  WidgetScene scene(View::FromBelow);
  vtkNew<VectorWidget> widget;
  widget->SetInteractor(scene.interactor);
  widget->SetDefaultRenderer(scene.renderer);
  {
    ConsoleCapture out;
    widget->SetEnabled(1);
    std::ostringstream pointer;
    pointer << static_cast<void*>(widget->GetRepresentation());
    EXPECT_EQ(out.OutLines(),
      std::vector<std::string>{ "[DEBUG] CreateDefaultRepresentation：创建 WidgetRep=" + pointer.str() });
  }
  ASSERT_NE(vectorWidgetRepresentation::SafeDownCast(widget->GetRepresentation()), nullptr);
  widget->SetEnabled(0);
  ConsoleCapture out;
  widget->SetEnabled(1);
  EXPECT_TRUE(out.Out().empty());
  widget->SetEnabled(0);
}

namespace
{
// The jaw turned 30 degrees about z and shifted on its base plane.
vtkSmartPointer<vtkMatrix4x4> Placement()
{
  return testsupport::RigidMotion(0.0, 0.0, 30.0, 4.0, -3.0, 0.0);
}

class PlacedJawTest : public TwoPointWidgetTest
{
protected:
  PlacedJawTest()
    : TwoPointWidgetTest(Placement())
  {
  }
};
} // namespace

// Points that the frame computation refuses give no transform, whichever way they were
// placed; the model is left as it was.
TEST_F(TwoPointWidgetTest, RefusedPointsGiveNoFrame)
{
  PlaceBoth();
  const World first{ Rep()->GetPoint1()[0], Rep()->GetPoint1()[1], Rep()->GetPoint1()[2] };
  struct Case
  {
    const char* name;
    World point2;
    const char* message; // null: nothing is written
  };
  const Case cases[] = {
    { "the second point on the first", first, nullptr },
    { "the second point 5 below the base", { first[0], first[1], first[2] - 5.0 },
      "未找到包含目标点的Cell，距离过大：" },
  };
  const double firstMeshPoint = scene.mesh->GetPoint(0)[0];
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    Rep()->SetPoint2(c.point2.data());
    testsupport::ConsoleCapture console;
    EXPECT_EQ(widget->ComputeAlignTransform(), nullptr);
    if (c.message)
    {
      EXPECT_EQ(console.Err().rfind(c.message, 0), 0u) << console.Err();
    }
    else
    {
      EXPECT_EQ(console.Err(), "");
    }
    EXPECT_EQ(scene.mesh->GetPoint(0)[0], firstMeshPoint);
  }
}

TEST_F(PlacedJawTest, TwoMolarsOnTheBaseGiveTheWorkingFrameBack)
{
  PlaceBoth();
  const double firstPoint = scene.mesh->GetPoint(0)[0];
  vtkSmartPointer<vtkTransform> frame = widget->ComputeAlignTransform();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(scene.mesh->GetPoint(0)[0], firstPoint) << "the displayed model is not moved";

  // The frame turns the jaw back: the crown tops lie as in the unplaced jaw, relative to
  // the first one.
  vtkNew<vtkMatrix4x4> back;
  vtkMatrix4x4::Invert(Placement(), back);
  const World& first = scene.crownTops.front();
  double firstMapped[3];
  frame->TransformPoint(first.data(), firstMapped);
  for (const World& top : scene.crownTops)
  {
    double expected[4] = { top[0] - first[0], top[1] - first[1], top[2] - first[2], 0.0 };
    back->MultiplyPoint(expected, expected);
    double mapped[3];
    frame->TransformPoint(top.data(), mapped);
    const World relative{ mapped[0] - firstMapped[0], mapped[1] - firstMapped[1],
      mapped[2] - firstMapped[2] };
    EXPECT_LT(widgettest::Distance(relative, expected), 0.3);
  }

  // The origin is the model's bounding-box centre dropped onto the base.
  double bounds[6];
  scene.mesh->GetBounds(bounds);
  const double centre[3] = { 0.5 * (bounds[0] + bounds[1]), 0.5 * (bounds[2] + bounds[3]), 0.0 };
  double origin[3];
  frame->TransformPoint(centre, origin);
  EXPECT_LT(widgettest::Distance({ 0.0, 0.0, 0.0 }, origin), 0.05);

  double base[3];
  frame->TransformPoint(Rep()->GetPoint1(), base);
  EXPECT_NEAR(base[2], 0.0, 1e-6);
}

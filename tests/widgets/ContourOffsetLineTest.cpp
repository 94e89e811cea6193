// The offset line beside the cut line: its points lie 0.4 to the side across the tool axis,
// laid on the model along the axis and lifted 0.05, and the projection that lays them.
#include "cutline/CutLineGenerator.h"
#include "geometry/FastOBBTree.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/MeshChecks.h"
#include "tests/widgets/JawCutLine.h"
#include "widgets/contourRepresentation.h"

#include <vtkActor.h>
#include <vtkCellArray.h>
#include <vtkIdList.h>
#include <vtkMath.h>
#include <vtkMapper.h>
#include <vtkNew.h>
#include <vtkParametricSpline.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkProperty.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

using namespace cutlinetest;

vtkPolyData* OffsetLine(contourRepresentation* rep)
{
  const std::vector<vtkProp*> actors = ActorsOf(rep);
  if (actors.size() != 3)
  {
    return nullptr;
  }
  return vtkPolyData::SafeDownCast(vtkActor::SafeDownCast(actors[2])->GetMapper()->GetInput());
}

// What the offset line is built from at one sample: the sample, its tool axis and the unit
// side vector across the axis and the cut line, recomputed from the representation's spline.
struct SampleFrame
{
  double sample[3];
  double axis[3];
  double side[3];
};

std::vector<SampleFrame> FramesOf(vtkParametricSpline* spline)
{
  const std::vector<PoseDir> poses = cutlinetest::SampledPoses(spline);
  const size_t n = poses.size();
  std::vector<SampleFrame> frames;
  for (size_t i = 0; i < n; i += 2)
  {
    SampleFrame f{};
    const Point3& p = poses[i].point;
    f.sample[0] = p.x;
    f.sample[1] = p.y;
    f.sample[2] = p.z;
    const Point3& next = poses[(i + 1) % n].point;
    const Point3& prev = poses[(i + n - 1) % n].point;
    double t[3] = { next.x - prev.x, next.y - prev.y, next.z - prev.z };
    vtkMath::Normalize(t);
    const Point3& dir = poses[i].direction;
    const double d[3] = { dir.x, dir.y, dir.z };
    TiltedToolAxis(d, f.axis);
    vtkMath::Cross(f.axis, t, f.side);
    vtkMath::Normalize(f.side);
    frames.push_back(f);
  }
  return frames;
}

class OffsetLineOnJaw : public ::testing::Test
{
protected:
  void SetUp() override
  {
    points = CopyOf(Jaw().cutLine);
    rep->SetPoints(points);
    rep->Rebuild();
  }

  vtkSmartPointer<vtkPoints> points;
  vtkNew<contourRepresentation> rep;
};

TEST_F(OffsetLineOnJaw, LiesOnTheModelBesideTheCutLineOnEitherSide)
{
  testsupport::SurfaceDistance surface(Jaw().jaw.mesh);
  rep->Generator = &Jaw().generator;
  const double length = ClosedPolygonLength(points);
  const std::vector<SampleFrame> frames = FramesOf(rep->GetSpline());
  const auto expected = static_cast<vtkIdType>(frames.size());
  EXPECT_EQ(expected, (static_cast<vtkIdType>(length / 0.1) + 1) / 2);

  for (bool flip : { false, true })
  {
    SCOPED_TRACE(flip ? "flipped" : "as built");
    rep->BuildOffsetLine(flip);
    vtkPolyData* line = OffsetLine(rep);
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(line->GetNumberOfPoints(), expected);
    EXPECT_NEAR(static_cast<double>(expected), length / 0.2, 1.0);
    vtkIdType alongAxis = 0;

    for (vtkIdType j = 0; j < expected; ++j)
    {
      const SampleFrame& f = frames[static_cast<size_t>(j)];
      const auto o = PointOf(line->GetPoints(), j);
      const double rel[3] = { o[0] - f.sample[0], o[1] - f.sample[1], o[2] - f.sample[2] };
      // Everything lies in the plane of the side vector and the tool axis (square to them).
      const double sideways = vtkMath::Dot(rel, f.side) * (flip ? -1.0 : 1.0);
      const double along = vtkMath::Dot(rel, f.axis);
      EXPECT_NEAR(vtkMath::Norm(rel), std::hypot(sideways, along), 1e-4) << "point " << j;
      if (std::fabs(along + 0.45) > 1e-4)
      {
        // Laid on the model along the axis through the probe 0.4 to the chosen side.
        EXPECT_NEAR(sideways, 0.4, 1e-4) << "point " << j;
        ++alongAxis;
      }
      else
      {
        // The axis line missed: a crossing of the stretch from the sample to the probe,
        // 0.5 back along the axis (then lifted 0.05), on the chosen side.
        EXPECT_GT(sideways, 0.0) << "point " << j;
        EXPECT_LE(sideways, 0.4 + 1e-4) << "point " << j;
      }
      // Lifted 0.05 along the axis off the surface.
      const double onModel[3] = { o[0] - 0.05 * f.axis[0], o[1] - 0.05 * f.axis[1],
        o[2] - 0.05 * f.axis[2] };
      EXPECT_LT(surface(onModel), 1e-4) << "point " << j;
      EXPECT_LE(surface(o.data()), 0.05 + 1e-4) << "point " << j;
    }
    EXPECT_GT(alongAxis, expected * 9 / 10);
  }

  // One closed polyline through the points in order, black and 7 wide.
  vtkPolyData* line = OffsetLine(rep);
  ASSERT_EQ(line->GetNumberOfLines(), expected);
  vtkNew<vtkIdList> cell;
  line->GetLines()->GetCellAtId(expected - 1, cell);
  ASSERT_EQ(cell->GetNumberOfIds(), 2);
  EXPECT_EQ(cell->GetId(0), expected - 1);
  EXPECT_EQ(cell->GetId(1), 0);
  auto* actor = vtkActor::SafeDownCast(ActorsOf(rep)[2]);
  EXPECT_EQ(actor->GetProperty()->GetLineWidth(), 7.0f);
  const double* colour = actor->GetProperty()->GetColor();
  EXPECT_EQ(colour[0] + colour[1] + colour[2], 0.0);
}

// On FastOBBTree and on VTK's own vtkOBBTree the line comes out the same, bit for bit, on both
// sides, on the small and the large jaw.
TEST(OffsetLine, IsTheSameOnVtkOBBTree)
{
  auto line = [](contourRepresentation* rep, bool flip) {
    rep->BuildOffsetLine(flip);
    std::vector<double> values;
    vtkPoints* points = OffsetLine(rep)->GetPoints();
    for (vtkIdType i = 0; i < points->GetNumberOfPoints(); ++i)
    {
      const double* p = points->GetPoint(i);
      values.insert(values.end(), p, p + 3);
    }
    return values;
  };
  for (const testsupport::JawShape& shape : { testsupport::SmallJaw(), testsupport::LargeJaw() })
  {
    const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw(shape);
    CutLineGenerator fast;
    fast.SetModel(jaw.mesh);
    CutLineGenerator base;
    UseBaseOBBTree(true);
    base.SetModel(jaw.mesh);
    UseBaseOBBTree(false);
    ASSERT_FALSE(FastOBBTree::SafeDownCast(base.ModelTree));
    ASSERT_TRUE(FastOBBTree::SafeDownCast(fast.ModelTree));

    const vtkSmartPointer<vtkPoints> cut = fast.RebuildSmoothLoop(MakePoints(jaw.gumLine));
    vtkNew<contourRepresentation> rep;
    rep->SetPoints(cut);
    rep->Rebuild();
    for (const bool flip : { false, true })
    {
      rep->Generator = &base;
      const std::vector<double> expected = line(rep, flip);
      rep->Generator = &fast;
      const std::vector<double> actual = line(rep, flip);
      ASSERT_GT(expected.size(), 1500u);
      EXPECT_TRUE(actual == expected) << (flip ? "flipped" : "as built");
    }
  }
}

TEST_F(OffsetLineOnJaw, WithoutAModelTheProbesFloatBesideTheCutLine)
{
  CutLineGenerator withoutModel;
  for (CutLineGenerator* generator : { static_cast<CutLineGenerator*>(nullptr), &withoutModel })
  {
    rep->Generator = generator;
    rep->BuildOffsetLine(false);
    vtkPolyData* line = OffsetLine(rep);
    ASSERT_NE(line, nullptr);
    const std::vector<SampleFrame> frames = FramesOf(rep->GetSpline());
    ASSERT_EQ(line->GetNumberOfPoints(), static_cast<vtkIdType>(frames.size()));
    for (size_t j = 0; j < frames.size(); ++j)
    {
      const SampleFrame& f = frames[j];
      const auto o = PointOf(line->GetPoints(), static_cast<vtkIdType>(j));
      for (int k = 0; k < 3; ++k)
      {
        EXPECT_NEAR(o[k], f.sample[k] + 0.4 * f.side[k] + 0.05 * f.axis[k], 1e-5);
      }
    }
  }
}

TEST_F(OffsetLineOnJaw, ShortSplinesKeepThePreviousLine)
{
  rep->Generator = &Jaw().generator;
  rep->BuildRepresentation();
  vtkPolyData* previous = OffsetLine(rep);
  ASSERT_NE(previous, nullptr);
  const vtkIdType previousCount = previous->GetNumberOfPoints();

  // A square loop 4.0 long gives no directions; the line drawn before stays.
  auto square = vtkSmartPointer<vtkPoints>::New();
  const auto c = PointOf(points, 0);
  for (const auto& corner : { std::array<double, 2>{ 0, 0 }, { 1, 0 }, { 1, 1 }, { 0, 1 } })
  {
    square->InsertNextPoint(c[0] + corner[0], c[1] + corner[1], c[2]);
  }
  rep->SetPoints(square);
  rep->Rebuild();
  rep->BuildRepresentation();
  EXPECT_EQ(OffsetLine(rep), previous);
  EXPECT_EQ(previous->GetNumberOfPoints(), previousCount);

  // Exactly 60 samples: a single direction sample, still a full line of 30 points.
  const double side = 6.05 / 4.0;
  auto justLongEnough = vtkSmartPointer<vtkPoints>::New();
  for (const auto& corner : { std::array<double, 2>{ 0, 0 }, { 1, 0 }, { 1, 1 }, { 0, 1 } })
  {
    justLongEnough->InsertNextPoint(c[0] + side * corner[0], c[1] + side * corner[1], c[2]);
  }
  rep->SetPoints(justLongEnough);
  rep->Rebuild();
  rep->BuildRepresentation();
  ASSERT_NE(OffsetLine(rep), previous);
  EXPECT_EQ(OffsetLine(rep)->GetNumberOfPoints(), 30);
}

// A closed triangulated slab 2 thick across x, 20 by 20 in y and z.
vtkSmartPointer<vtkPolyData> Slab()
{
  const double bounds[6] = { -1.0, 1.0, -10.0, 10.0, -10.0, 10.0 };
  return BoxMesh(bounds);
}

TEST(ProjectAlongDirection, TakesTheCrossingNearestTheFarEnd)
{
  CutLineGenerator generator;
  generator.SetModel(Slab());
  CutLineGenerator withoutModel;
  vtkNew<contourRepresentation> rep;

  struct Case
  {
    const char* what;
    CutLineGenerator* generator;
    double p[3];
    double q[3];
    double a[3];
    double expected[3];
  };
  const Case cases[] = {
    { "axis line crosses twice: the outer crossing", &generator, { -3.4, 0, 0 }, { -3, 0, 0 },
      { 1, 0, 0 }, { 1, 0, 0 } },
    { "probe inside the model", &generator, { -0.4, 2, 3 }, { 0, 2, 3 }, { 1, 0, 0 },
      { 1, 2, 3 } },
    { "probe 0.3 outside: the axis line starts 0.5 behind it", &generator, { 0.9, 0, 0 },
      { 1.3, 0, 0 }, { 1, 0, 0 }, { 1, 0, 0 } },
    { "axis misses, the stretch from the sample moved back crosses", &generator, { -2, 0, 0 },
      { 2, 0, 0 }, { 0, 0, 1 }, { 1, 0, -0.5 } },
    { "nothing hit", &generator, { 5, 0, 0 }, { 5.4, 0, 0 }, { 0, 0, 1 }, { 5.4, 0, 0 } },
    { "generator without model", &withoutModel, { -3.4, 0, 0 }, { -3, 0, 0 }, { 1, 0, 0 },
      { -3, 0, 0 } },
    { "no generator", nullptr, { -3.4, 0, 0 }, { -3, 0, 0 }, { 1, 0, 0 }, { -3, 0, 0 } },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    rep->Generator = c.generator;
    const Point3 r = rep->ProjectAlongDirection(c.p, c.q, c.a);
    EXPECT_NEAR(r.x, c.expected[0], 1e-5);
    EXPECT_NEAR(r.y, c.expected[1], 1e-5);
    EXPECT_NEAR(r.z, c.expected[2], 1e-5);
  }
}

} // namespace

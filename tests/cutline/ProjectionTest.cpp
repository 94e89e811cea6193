// Projection onto the model along an axis: the crossing furthest along the axis within ten
// units of the point wins, and no tree or no crossing gives the point back.
#include "cutline/CutLineGenerator.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkAppendPolyData.h>
#include <vtkCubeSource.h>
#include <vtkNew.h>
#include <vtkOBBTree.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkTriangleFilter.h>

#include <gtest/gtest.h>

#include <vector>

namespace
{

// A closed triangulated box of edge 20 centred at the origin; with `slab`, also a closed slab
// from x = 14 to x = 16 beside it, so that a line along x crosses the surface four times.
vtkSmartPointer<vtkPolyData> Box(bool slab = false)
{
  vtkNew<vtkAppendPolyData> parts;
  vtkNew<vtkCubeSource> cube;
  cube->SetXLength(20.0);
  cube->SetYLength(20.0);
  cube->SetZLength(20.0);
  parts->AddInputConnection(cube->GetOutputPort());
  vtkNew<vtkCubeSource> thin;
  thin->SetXLength(2.0);
  thin->SetYLength(20.0);
  thin->SetZLength(20.0);
  thin->SetCenter(15.0, 0.0, 0.0);
  if (slab)
  {
    parts->AddInputConnection(thin->GetOutputPort());
  }
  vtkNew<vtkTriangleFilter> triangles;
  triangles->SetInputConnection(parts->GetOutputPort());
  triangles->Update();
  auto mesh = vtkSmartPointer<vtkPolyData>::New();
  mesh->DeepCopy(triangles->GetOutput());
  return mesh;
}

void ExpectPoint(const Point3& p, double x, double y, double z)
{
  EXPECT_NEAR(p.x, x, 1e-5);
  EXPECT_NEAR(p.y, y, 1e-5);
  EXPECT_NEAR(p.z, z, 1e-5);
}

const double kPlusX[3] = { 1.0, 0.0, 0.0 };

} // namespace

TEST(CutLineGenerator, StartsWithoutModelAndWithTheDefaultDrop)
{
  CutLineGenerator generator;
  EXPECT_EQ(generator.Model, nullptr);
  EXPECT_EQ(generator.Renderer, nullptr);
  EXPECT_EQ(generator.ModelTree, nullptr);
  EXPECT_DOUBLE_EQ(generator.BuccalDrop, 0.2);

  // Before any model every projection gives its input back.
  const double q[3] = { 1.5, -2.0, 3.25 };
  ExpectPoint(generator.ProjectAlongAxis(q, kPlusX), 1.5, -2.0, 3.25);
}

TEST(CutLineGenerator, LocatorOverTheModelMissesNoCrossing)
{
  // On the jaw the generator's locator is many levels deep; one whose single leaf holds every
  // triangle tests them all. Projections through the two agree.
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();
  CutLineGenerator generator;
  generator.SetModel(jaw.mesh);
  ASSERT_GT(generator.ModelTree->GetLevel(), 3);
  CutLineGenerator everyTriangle;
  everyTriangle.SetModel(jaw.mesh);
  auto oneLeaf = vtkSmartPointer<vtkOBBTree>::New();
  oneLeaf->SetDataSet(jaw.mesh);
  oneLeaf->SetTolerance(1e-6);
  oneLeaf->AutomaticOff();
  oneLeaf->SetMaxLevel(0);
  oneLeaf->BuildLocator();
  ASSERT_EQ(oneLeaf->GetLevel(), 0);
  everyTriangle.ModelTree = oneLeaf;

  // Points from 6 inside to 6 outside the surface, along the tilted outward axes.
  const std::vector<cutlinetest::AxisQuery> queries =
    cutlinetest::QueriesAlongGumLine(jaw.gumLine, 13);
  ASSERT_EQ(queries.size(), jaw.gumLine.size());
  int hits = 0;
  for (size_t k = 0; k < queries.size(); ++k)
  {
    SCOPED_TRACE(k);
    const cutlinetest::AxisQuery& query = queries[k];
    bool hit = false;
    bool expectedHit = false;
    const Point3 p = generator.ProjectAlongAxis(query.q, query.axis, &hit);
    const Point3 expected = everyTriangle.ProjectAlongAxis(query.q, query.axis, &expectedHit);
    EXPECT_EQ(hit, expectedHit);
    ExpectPoint(p, expected.x, expected.y, expected.z);
    hits += hit ? 1 : 0;
  }
  EXPECT_GT(hits, static_cast<int>(queries.size()) / 2);
}

TEST(CutLineGenerator, ProjectionMeetsAFaceUpToItsEdgeAndNothingBeyond)
{
  CutLineGenerator generator;
  generator.SetModel(Box());
  // Along x, level with the box's top face: 1e-4 below the edge the face x = 10 is met, 1e-4
  // beyond it nothing is.
  const double below[3] = { 7.0, 0.0, 10.0 - 1e-4 };
  const double above[3] = { 7.0, 0.0, 10.0 + 1e-4 };
  bool hit = false;
  ExpectPoint(generator.ProjectAlongAxis(below, kPlusX, &hit), 10.0, 0.0, 10.0 - 1e-4);
  EXPECT_TRUE(hit);
  ExpectPoint(generator.ProjectAlongAxis(above, kPlusX, &hit), 7.0, 0.0, 10.0 + 1e-4);
  EXPECT_FALSE(hit);

  // Without a model again, projections give their input back.
  generator.SetModel(nullptr);
  ExpectPoint(generator.ProjectAlongAxis(below, kPlusX, &hit), 7.0, 0.0, 10.0 - 1e-4);
  EXPECT_FALSE(hit);
}

TEST(CutLineGenerator, ProjectionTakesTheCrossingFurthestAlongTheAxis)
{
  CutLineGenerator generator;
  generator.SetModel(Box());

  struct Case
  {
    const char* what;
    double q[3];
    double axis[3];
    double expected[3];
  };
  const Case cases[] = {
    { "on the surface, axis out", { 10.0, 1.0, 2.0 }, { 1.0, 0.0, 0.0 }, { 10.0, 1.0, 2.0 } },
    { "3 inside, axis out", { 7.0, 1.0, 2.0 }, { 1.0, 0.0, 0.0 }, { 10.0, 1.0, 2.0 } },
    // The inner half is searched only when the outer half has no crossing; then the
    // crossing nearest the point wins.
    { "outside, axis out", { 13.0, 1.0, 2.0 }, { 1.0, 0.0, 0.0 }, { 10.0, 1.0, 2.0 } },
    { "outside, axis in", { 13.0, 1.0, 2.0 }, { -1.0, 0.0, 0.0 }, { 10.0, 1.0, 2.0 } },
    { "12 away from everything", { 22.0, 1.0, 2.0 }, { 1.0, 0.0, 0.0 }, { 22.0, 1.0, 2.0 } },
    { "inside, one face within reach", { 1.0, 0.0, 5.0 }, { 0.0, 0.0, 1.0 }, { 1.0, 0.0, 10.0 } },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    ExpectPoint(generator.ProjectAlongAxis(c.q, c.axis), c.expected[0], c.expected[1],
      c.expected[2]);
  }

  // Beside the box a slab from x = 14 to 16: up to three crossings within reach of a point.
  generator.SetModel(Box(true));
  const Case several[] = {
    // Crossings at 10, 14 and 16 on the outer half: the furthest along the axis wins.
    { "three crossings ahead", { 7.0, 1.0, 2.0 }, { 1.0, 0.0, 0.0 }, { 16.0, 1.0, 2.0 } },
    // 14 and 16 ahead, 10 behind: the outer half wins, and on it the furthest crossing.
    { "two ahead, one behind", { 12.0, 1.0, 2.0 }, { 1.0, 0.0, 0.0 }, { 16.0, 1.0, 2.0 } },
    { "in the slab: one ahead, two behind", { 15.0, 1.0, 2.0 }, { 1.0, 0.0, 0.0 },
      { 16.0, 1.0, 2.0 } },
    { "three ahead, axis in", { 18.0, 1.0, 2.0 }, { -1.0, 0.0, 0.0 }, { 10.0, 1.0, 2.0 } },
    // Nothing ahead; behind, the crossings at 16, 14 and 10: the one nearest the point wins.
    { "three behind", { 17.5, 1.0, 2.0 }, { 1.0, 0.0, 0.0 }, { 16.0, 1.0, 2.0 } },
    { "three behind, axis in", { 8.5, 1.0, 2.0 }, { -1.0, 0.0, 0.0 }, { 10.0, 1.0, 2.0 } },
  };
  for (const Case& c : several)
  {
    SCOPED_TRACE(c.what);
    ExpectPoint(generator.ProjectAlongAxis(c.q, c.axis), c.expected[0], c.expected[1],
      c.expected[2]);
  }
}

TEST(CutLineGenerator, ProjectionSeesTheModelAsItStoodAtSetModel)
{
  CutLineGenerator generator;
  auto box = Box();
  generator.SetModel(box);

  // Moving the displayed model does not move the generator's copy.
  const double q[3] = { 8.0, 0.0, 0.0 };
  vtkNew<vtkCubeSource> cube;
  cube->SetXLength(20.0);
  cube->SetYLength(20.0);
  cube->SetZLength(20.0);
  cube->SetCenter(5.0, 0.0, 0.0);
  cube->Update();
  auto moved = vtkSmartPointer<vtkPolyData>::New();
  moved->DeepCopy(cube->GetOutput());
  ExpectPoint(generator.ProjectAlongAxis(q, kPlusX), 10.0, 0.0, 0.0);
  generator.SetModel(moved);
  ExpectPoint(generator.ProjectAlongAxis(q, kPlusX), 15.0, 0.0, 0.0);
}

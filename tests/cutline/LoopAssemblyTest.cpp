// Loop assembly: pulling a pair's stretch toward its chord, the anchors and the loop points
// about 1.2 apart between them, once around the loop, and the lowering of the buccal side.
#include "cutline/CutLineGenerator.h"
#include "tests/cutline/LoopFixtures.h"

#include <vtkMath.h>

#include <algorithm>
#include <cmath>

using cutlinetest::MakePoints;
using cutlinetest::ReadPoints;

namespace
{

// n points counter-clockwise on a circle about the origin at height z, `chord` apart.
std::vector<Point3> CirclePoints(int n, double chord, double z = 0.0)
{
  const double radius = chord / (2.0 * std::sin(vtkMath::Pi() / n));
  std::vector<Point3> points;
  for (int i = 0; i < n; ++i)
  {
    const double t = 2.0 * vtkMath::Pi() * i / n;
    points.push_back(Point3{ radius * std::cos(t), radius * std::sin(t), z });
  }
  return points;
}

// n points along +x, `spacing` apart (the loop closes over one long edge back to the start).
std::vector<Point3> LinePoints(int n, double spacing)
{
  std::vector<Point3> points;
  for (int i = 0; i < n; ++i)
  {
    points.push_back(Point3{ i * spacing, 0.0, 0.0 });
  }
  return points;
}

// The points with every other one, from the second on, lifted by `lift`.
std::vector<Point3> Zigzag(std::vector<Point3> points, double lift)
{
  for (size_t i = 1; i < points.size(); i += 2)
  {
    points[i].z += lift;
  }
  return points;
}

// Distance of p from the line through a and b, and the parameter of its foot on that line.
void ChordPosition(const Point3& a, const Point3& b, const Point3& p, double& distance,
  double& along)
{
  double u[3] = { b.x - a.x, b.y - a.y, b.z - a.z };
  vtkMath::Normalize(u);
  const double d[3] = { p.x - a.x, p.y - a.y, p.z - a.z };
  along = vtkMath::Dot(u, d);
  const double off[3] = { d[0] - along * u[0], d[1] - along * u[1], d[2] - along * u[2] };
  distance = vtkMath::Norm(off);
}

bool SamePoint(const Point3& p, const Point3& q)
{
  return p.x == q.x && p.y == q.y && p.z == q.z;
}

struct ShrinkCase
{
  const char* name;
  ValleyPair pair;
  double keep;
  bool endsCoincide; // point 4 moved onto point 0
  bool moves;
};

class ShrinkStretch : public testing::TestWithParam<ShrinkCase>
{
};

TEST_P(ShrinkStretch, ScalesTheDistanceFromTheChord)
{
  const ShrinkCase& row = GetParam();
  std::vector<Point3> before = { { 0, 0, 0 }, { 1, 1, 1 }, { 2, -1, 2 }, { 3, 0.5, -1 },
    { 4, 2, 0 }, { 5, 1, 3 }, { 6, 0, 1 }, { 7, 1, 0 } };
  if (row.endsCoincide)
  {
    before[4] = before[0];
  }
  auto loop = MakePoints(before);
  before = ReadPoints(loop);

  CutLineGenerator generator;
  generator.ShrinkTowardChord(row.pair, loop, row.keep);
  const std::vector<Point3> after = ReadPoints(loop);

  ASSERT_EQ(after.size(), before.size());
  for (int i = 0; i < static_cast<int>(before.size()); ++i)
  {
    const bool inside = row.moves && i > row.pair.first && i < row.pair.last;
    if (!inside)
    {
      EXPECT_TRUE(SamePoint(after[i], before[i])) << i;
      continue;
    }
    const Point3& a = before[row.pair.first];
    const Point3& b = before[row.pair.last];
    double distanceBefore;
    double alongBefore;
    double distanceAfter;
    double alongAfter;
    ChordPosition(a, b, before[i], distanceBefore, alongBefore);
    ChordPosition(a, b, after[i], distanceAfter, alongAfter);
    EXPECT_NEAR(alongAfter, alongBefore, 1e-5) << i;
    EXPECT_NEAR(distanceAfter, row.keep * distanceBefore, 1e-5) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Keep, ShrinkStretch,
  testing::Values(ShrinkCase{ "keep0OnTheChord", { 0, 4 }, 0.0, false, true },
    ShrinkCase{ "keepHalf", { 1, 6 }, 0.5, false, true },
    ShrinkCase{ "keep1Unchanged", { 0, 7 }, 1.0, false, false },
    ShrinkCase{ "neighboursHaveNothingBetween", { 5, 6 }, 0.0, false, false },
    ShrinkCase{ "coincidingEndsLeaveTheStretch", { 0, 4 }, 0.0, true, false },
    ShrinkCase{ "reversedPair", { 4, 0 }, 0.0, false, false },
    ShrinkCase{ "pairOutsideTheLoop", { 2, 8 }, 0.0, false, false },
    ShrinkCase{ "pairBeforeTheLoop", { -1, 3 }, 0.0, false, false }),
  [](const testing::TestParamInfo<ShrinkCase>& info) { return std::string(info.param.name); });

struct WindowCase
{
  const char* name;
  std::vector<Point3> loop;
  int a;
  int b;
  std::vector<int> chosen;
};

class IndexWindow : public testing::TestWithParam<WindowCase>
{
};

TEST_P(IndexWindow, ChoosesIndicesAbout12Apart)
{
  const WindowCase& row = GetParam();
  CutLineGenerator generator;
  std::vector<int> chosen = { -7 };
  generator.ResampleIndexWindow(MakePoints(row.loop), row.a, row.b, chosen);
  chosen.erase(chosen.begin()); // appended, not replaced
  EXPECT_EQ(chosen, row.chosen);
}

INSTANTIATE_TEST_SUITE_P(Windows, IndexWindow,
  testing::Values(
    // Points farther apart than 1.2: the step of 1.001 takes every index between.
    WindowCase{ "sparse", CirclePoints(12, 1.3), 2, 6, { 3, 4, 5 } },
    WindowCase{ "dense", LinePoints(20, 0.6), 2, 10, { 4, 6, 8 } },
    // Steps 0.6 across and 0.8 up or down: 1.0 long in space, so 1.2 takes 1.2 steps.
    WindowCase{ "denseAcrossSparseInSpace", Zigzag(LinePoints(20, 0.6), 0.8), 2, 10,
      { 3, 4, 6, 7, 8, 9 } },
    // A window from n - 3 to 2 wraps past the loop's end; neither anchor is chosen.
    WindowCase{ "wrapsSparse", CirclePoints(12, 1.3), 9, 2, { 10, 11, 0, 1 } },
    WindowCase{ "wrapsDense", CirclePoints(20, 0.6), 17, 2, { 19, 1 } },
    WindowCase{ "wrapsSparseInSpace", Zigzag(CirclePoints(20, 0.6), 0.8), 17, 2, { 18, 19, 1 } },
    // A single anchor: its window runs once around the whole loop.
    WindowCase{ "singleAnchor", CirclePoints(6, 1.3), 3, 3, { 4, 5, 0, 1, 2 } },
    // No length between the anchors: nothing to take, and no division by it.
    WindowCase{ "noLength", std::vector<Point3>(6, Point3{ 1, 2, 3 }), 1, 4, {} },
    WindowCase{ "anchorPastTheEnd", CirclePoints(6, 1.3), 1, 6, {} },
    WindowCase{ "anchorBeforeTheStart", CirclePoints(6, 1.3), -1, 3, {} },
    WindowCase{ "noLoop", {}, 0, 0, {} }),
  [](const testing::TestParamInfo<WindowCase>& info) { return std::string(info.param.name); });

// True when every index first .. last is among `chosen`.
bool TakesEvery(const std::vector<int>& chosen, int first, int last)
{
  for (int i = first; i <= last; ++i)
  {
    if (std::find(chosen.begin(), chosen.end(), i) == chosen.end())
    {
      return false;
    }
  }
  return true;
}

TEST(ResampleIndexWindow, StepOf10001StaysAndBelowBecomes1001)
{
  // 10002 points on a line, the window from the first to the last: span 10001 over a length
  // of exactly 12000 (single-precision points whose steps sum without rounding) gives
  // step = 10001 / (12000 / 1.2), which is exactly 1.0001.
  ASSERT_EQ(10001 / (12000.0 / 1.2), 1.0001);
  CutLineGenerator generator;
  std::vector<int> chosen;
  generator.ResampleIndexWindow(MakePoints(LinePoints(10002, 12000.0 / 10001)), 0, 10001, chosen);
  // Kept at 1.0001 the chosen index falls behind t by half only after 5000 steps.
  EXPECT_TRUE(TakesEvery(chosen, 1, 4999));

  // A slightly longer line gives a step of about 1.00009, which becomes 1.001: by step 500
  // an index is skipped.
  chosen.clear();
  const double length = 12000.0 * 1.0001 / 1.00009;
  generator.ResampleIndexWindow(MakePoints(LinePoints(10002, length / 10001)), 0, 10001, chosen);
  EXPECT_TRUE(TakesEvery(chosen, 1, 499));
  EXPECT_FALSE(TakesEvery(chosen, 500, 501));
}

TEST(AssembleLoop, SharedPairEndsAnchorOnceAndTheBuccalSideIsLowered)
{
  // Points 1.3 apart: every index is taken, so the output is the loop itself, from the
  // smallest anchor once around.
  const auto loop = MakePoints(CirclePoints(40, 1.3, 2.0));
  const std::vector<Point3> points = ReadPoints(loop);
  const std::vector<ValleyPair> lingual = { { 10, 20 } };
  const std::vector<ValleyPair> buccal = { { 20, 35 } };
  LoopPartition partition;
  for (int i = 15; i <= 25; ++i)
  {
    partition.buccalRange.push_back(i);
  }

  for (const double drop : { 0.0, 0.5 })
  {
    CutLineGenerator generator;
    generator.BuccalDrop = drop;
    const std::vector<Point3> out =
      ReadPoints(generator.AssembleLoop(loop, lingual, buccal, partition));
    ASSERT_EQ(out.size(), points.size()) << drop;
    for (size_t k = 0; k < out.size(); ++k)
    {
      const int i = static_cast<int>((10 + k) % points.size());
      // Lowered inclusively at both ends of the buccal range, also inside windows that
      // cross them (10 to 20 and 20 to 35).
      const bool lowered = i >= 15 && i <= 25;
      EXPECT_EQ(out[k].x, points[i].x) << i;
      EXPECT_EQ(out[k].y, points[i].y) << i;
      EXPECT_EQ(out[k].z, lowered ? 2.0 - drop : 2.0) << i;
    }
  }
}

TEST(AssembleLoop, AnchorsAndTheirWindowsOnceAroundTheLoop)
{
  CutLineGenerator generator;
  const auto loop = MakePoints(LinePoints(30, 0.6));
  LoopPartition partition;
  auto order = [&](const std::vector<ValleyPair>& lingual, const std::vector<ValleyPair>& buccal) {
    std::vector<int> indices;
    for (const Point3& p : ReadPoints(generator.AssembleLoop(loop, lingual, buccal, partition)))
    {
      indices.push_back(static_cast<int>(std::lround(p.x / 0.6)));
    }
    return indices;
  };

  // Anchors 4, 10 and 16 from pairs of both sides given out of order; about every second
  // index between them, and the last window wraps over the long closing edge.
  const std::vector<int> expected = { 4, 6, 8, 10, 12, 14, 16, 17, 18, 19, 20, 21, 22, 23, 24,
    25, 26, 27, 28, 29, 0, 1, 2, 3 };
  EXPECT_EQ(order({ { 10, 16 } }, { { 4, 10 } }), expected);
  // No pair, or pairs outside the loop: nothing to assemble.
  EXPECT_TRUE(order({}, {}).empty());
  EXPECT_TRUE(order({ { -1, 30 } }, {}).empty());
}

} // namespace

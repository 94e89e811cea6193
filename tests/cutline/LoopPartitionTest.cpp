// Partition of the working loop into lingual side, buccal side and the two distal caps: the
// crossings of y' = -5.0 in the turned cap frames, the frame chosen by an edge's first point,
// and the sides on a generated jaw.
#include "cutline/CutLineGenerator.h"
#include "tests/cutline/LoopFixtures.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkMath.h>
#include <vtkNew.h>
#include <vtkTransform.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

using cutlinetest::CapturedLines;
using cutlinetest::MakePoints;
using cutlinetest::LoopOrder;
using cutlinetest::SchematicLoop;

namespace
{

// y' of q in the frame about `origin` turned by `degrees`, built as the partition builds it.
double TurnedY(const Point3& origin, double degrees, const Point3& q)
{
  vtkNew<vtkTransform> frame;
  frame->RotateZ(degrees);
  frame->Translate(-origin.x, -origin.y, -origin.z);
  const double in[3] = { q.x, q.y, q.z };
  double out[3];
  frame->TransformPoint(in, out);
  return out[1];
}

// Float steps from `value`, `steps` of them (negative: downward).
float FloatSteps(float value, int steps)
{
  const float toward = steps < 0 ? -std::numeric_limits<float>::infinity()
                                 : std::numeric_limits<float>::infinity();
  for (int k = 0; k < std::abs(steps); ++k)
  {
    value = std::nextafter(value, toward);
  }
  return value;
}

// Finds single-precision positions for q (within a few float steps of its own) and for the
// frame origin (on x = 0 but for a tiny offset with the sign of `degrees`, at the height that
// puts q on the boundary) such that q maps to exactly y' = -5.0. A float step of the origin's
// tiny x shifts y' by less than one double step of -5.0, a step of any coarse coordinate by
// millions of them; so the search needs q positions whose boundary height lies within a few
// nanometres of a float, and then walks the tiny x.
bool SettleOnBoundary(Point3& origin, double degrees, Point3& q)
{
  const double s = std::sin(vtkMath::RadiansFromDegrees(degrees));
  const double c = std::cos(vtkMath::RadiansFromDegrees(degrees));
  for (int i = -40; i <= 40; ++i)
  {
    for (int j = -40; j <= 40; ++j)
    {
      const Point3 p{ FloatSteps(static_cast<float>(q.x), i),
        FloatSteps(static_cast<float>(q.y), j), 0.0 };
      const float height = static_cast<float>(p.y + (5.0 + p.x * s) / c);
      for (int k = -1; k <= 1; ++k)
      {
        Point3 o{ 0.0, FloatSteps(height, k), 0.0 };
        // y' falls by s for every unit the origin moves along +x.
        const float x = static_cast<float>((TurnedY(o, degrees, p) + 5.0) / s);
        if (!(x * degrees > 0.0) || std::fabs(x) > 1e-7)
        {
          continue;
        }
        for (int step = -4; step <= 4; ++step)
        {
          o.x = FloatSteps(x, step);
          if (o.x * degrees > 0.0 && TurnedY(o, degrees, p) == -5.0)
          {
            origin = o;
            q = p;
            return true;
          }
        }
      }
    }
  }
  return false;
}

// Puts point `index` at world x = `x` exactly on the cap boundary y' = -5.0 of the right
// (degrees 18, origin point 0) or left (degrees -18, origin point 9) cap frame; a failure
// when no such single-precision position is found.
testing::AssertionResult PlaceOnBoundary(
  std::vector<Point3>& loop, int index, double x, double degrees)
{
  Point3& origin = loop[degrees > 0.0 ? 0 : 9];
  const double s = std::sin(vtkMath::RadiansFromDegrees(degrees));
  const double c = std::cos(vtkMath::RadiansFromDegrees(degrees));
  Point3 q{ x, origin.y + (-5.0 - x * s) / c, 0.0 };
  if (!SettleOnBoundary(origin, degrees, q) || TurnedY(origin, degrees, q) != -5.0)
  {
    return testing::AssertionFailure() << "no point at x = " << x << " maps to y' = -5.0";
  }
  loop[index] = q;
  return testing::AssertionSuccess();
}

struct Range
{
  int first;
  int last; // -1 for an empty range
};

std::vector<int> Expand(Range r)
{
  std::vector<int> indices;
  for (int i = r.first; r.last >= 0 && i <= r.last; ++i)
  {
    indices.push_back(i);
  }
  return indices;
}

enum class Place
{
  At,          // the point given
  OnRightCap,  // at the x given, exactly on the right cap's boundary
  OnLeftCap    // at the x given, exactly on the left cap's boundary
};

struct PartitionCase
{
  const char* name;
  std::vector<std::pair<int, Point3>> moved; // replaced points
  Place place;                               // how the last replaced point is placed
  int leftIndex;
  Range lingual;
  Range buccal;
  std::vector<std::string> lines;
};

class SchematicPartition : public testing::TestWithParam<PartitionCase>
{
};

TEST_P(SchematicPartition, FindsTheCapBoundaries)
{
  const PartitionCase& row = GetParam();
  std::vector<Point3> points = SchematicLoop();
  for (const auto& [index, p] : row.moved)
  {
    points[index] = p;
  }
  if (row.place != Place::At)
  {
    const auto& [index, p] = row.moved.back();
    ASSERT_TRUE(
      PlaceOnBoundary(points, index, p.x, row.place == Place::OnRightCap ? 18.0 : -18.0));
  }

  CutLineGenerator generator;
  LoopPartition partition;
  const auto lines =
    CapturedLines([&] { generator.PartitionLoop(MakePoints(points), partition); });

  EXPECT_EQ(partition.rightIndex, 0);
  EXPECT_EQ(partition.leftIndex, row.leftIndex);
  EXPECT_EQ(partition.lingualRange, Expand(row.lingual));
  EXPECT_EQ(partition.buccalRange, Expand(row.buccal));
  EXPECT_EQ(lines, row.lines);
}

const std::vector<std::string> kPlainLines = { "end_1 == 2", "start _1 == 17" };

INSTANTIATE_TEST_SUITE_P(Boundaries, SchematicPartition,
  testing::Values(
    PartitionCase{ "plain", {}, Place::At, 9, { 2, 6 }, { 12, 16 }, kPlainLines },
    // An edge from exactly -5.0 down below it leaves the cap, in either frame.
    PartitionCase{ "rightLeavesFromTheBoundary", { { 2, { 2, 0, 0 } } }, Place::OnRightCap, 9,
      { 2, 6 }, { 12, 16 }, kPlainLines },
    PartitionCase{ "leftLeavesFromTheBoundary", { { 12, { -4, 0, 0 } } }, Place::OnLeftCap, 9,
      { 2, 6 }, { 12, 16 }, kPlainLines },
    // From below onto exactly -5.0 enters the right cap there; the edge from -5.0 upward that
    // follows sets nothing in the right frame.
    PartitionCase{ "rightEntersOnTheBoundary", { { 16, { 4, 0, 0 } } }, Place::OnRightCap, 9,
      { 2, 6 }, { 12, 15 }, { "end_1 == 2", "start _1 == 16" } },
    // In the left frame the edge from exactly -5.0 upward enters the cap too, at its end.
    PartitionCase{ "leftEntersAfterTheBoundary", { { 6, { -2, 0, 0 } } }, Place::OnLeftCap, 9,
      { 2, 6 }, { 12, 16 }, kPlainLines },
    // A point with x = 0.0 exactly starts an edge judged in the left frame: the drop after it
    // leaves the left cap (end_2), where the right frame would have seen end_1.
    PartitionCase{ "zeroXIsJudgedInTheLeftFrame", { { 12, { 0.0, 5.5, 0 } } }, Place::At, 9,
      { 2, 6 }, { 12, 16 }, kPlainLines },
    // The lingual exit from the right cap judged in the left frame: end_1 is never found and
    // the lingual side stays empty rather than starting at -1.
    PartitionCase{ "rightCapNeverLeft", { { 2, { 0.0, 5, 0 } } }, Place::At, 9, { 0, -1 },
      { 12, 16 }, { "start _1 == 17" } },
    PartitionCase{ "equalLargestYLeft", { { 8, { -1, 10, 0 } } }, Place::At, 8, { 2, 6 },
      { 12, 16 }, kPlainLines },
    // No point left of x = 0: no left cap, no sides. Every right-frame crossing writes its
    // line; later ones overwrite earlier ones.
    PartitionCase{ "noLeftHalf",
      { { 5, { 1, 0, 0 } }, { 6, { 2, 3, 0 } }, { 7, { 2, 5, 0 } }, { 8, { 1, 8, 0 } },
        { 9, { 1e-6, 10, 0 } }, { 10, { 3, 9, 0 } }, { 11, { 4, 6, 0 } }, { 12, { 4, 4, 0 } },
        { 13, { 4, 2, 0 } }, { 14, { 3, -2, 0 } } },
      Place::At, -1, { 0, -1 }, { 0, -1 },
      { "end_1 == 2", "start _1 == 7", "end_1 == 12", "start _1 == 17" } }),
  [](const testing::TestParamInfo<PartitionCase>& info) { return std::string(info.param.name); });

TEST(PartitionLoop, EmptyOrMissingLoopGivesNoSides)
{
  CutLineGenerator generator;
  for (const auto& loop : { vtkSmartPointer<vtkPoints>(), vtkSmartPointer<vtkPoints>::New() })
  {
    LoopPartition partition;
    partition.lingualRange = { 3, 4 };
    generator.PartitionLoop(loop, partition);
    EXPECT_EQ(partition.leftIndex, -1);
    EXPECT_TRUE(partition.lingualRange.empty());
    EXPECT_TRUE(partition.buccalRange.empty());
  }
}

struct JawSides
{
  std::vector<int> lingual; // loop indices of ground-truth lingual points
  std::vector<int> buccal;
  LoopPartition partition;
  std::vector<std::string> lines;
};

JawSides PartitionJaw(bool clockwise)
{
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();
  std::vector<int> gumIndex(jaw.gumLine.size());
  for (size_t i = 0; i < gumIndex.size(); ++i)
  {
    gumIndex[i] = static_cast<int>(clockwise ? gumIndex.size() - 1 - i : i);
  }
  std::vector<Point3> gum;
  for (int i : gumIndex)
  {
    gum.push_back(jaw.gumLine[i]);
  }

  JawSides sides;
  std::vector<Point3> loop;
  const std::vector<int> order = LoopOrder(gum);
  for (size_t k = 0; k < order.size(); ++k)
  {
    loop.push_back(gum[order[k]]);
    const testsupport::GumSide side = jaw.gumSide[gumIndex[order[k]]];
    if (side == testsupport::GumSide::Lingual)
    {
      sides.lingual.push_back(static_cast<int>(k));
    }
    else if (side == testsupport::GumSide::Buccal)
    {
      sides.buccal.push_back(static_cast<int>(k));
    }
  }
  CutLineGenerator generator;
  sides.lines =
    CapturedLines([&] { generator.PartitionLoop(MakePoints(loop), sides.partition); });
  return sides;
}

// `range` is a run of consecutive loop indices, all of them points of `side`, missing only
// the few points of the side within 5.0 of either distal end (about 0.58 apart on this jaw).
void ExpectInnerRun(const std::vector<int>& range, const std::vector<int>& side)
{
  ASSERT_FALSE(range.empty());
  EXPECT_EQ(range.back() - range.front() + 1, static_cast<int>(range.size()));
  for (int i : range)
  {
    EXPECT_TRUE(std::binary_search(side.begin(), side.end(), i)) << i;
  }
  EXPECT_LE(side.size() - range.size(), 20u);
}

TEST(PartitionLoop, SplitsTheGeneratedJawIntoItsInnerAndOuterSides)
{
  const JawSides sides = PartitionJaw(false);
  EXPECT_EQ(sides.partition.leftIndex, sides.lingual.back());
  ExpectInnerRun(sides.partition.lingualRange, sides.lingual);
  ExpectInnerRun(sides.partition.buccalRange, sides.buccal);
  ASSERT_FALSE(sides.partition.lingualRange.empty());
  ASSERT_FALSE(sides.partition.buccalRange.empty());
  const std::vector<std::string> expected = {
    "end_1 == " + std::to_string(sides.partition.lingualRange.front()),
    "start _1 == " + std::to_string(sides.partition.buccalRange.back() + 1) };
  EXPECT_EQ(sides.lines, expected);
}

TEST(PartitionLoop, ClockwiseGumLineSwapsTheSidesByName)
{
  // Walking clockwise from the right end the loop runs down the outer side first: the range
  // filled as lingual lies on the outer side, the buccal one on the inner side.
  const JawSides sides = PartitionJaw(true);
  ExpectInnerRun(sides.partition.lingualRange, sides.buccal);
  ExpectInnerRun(sides.partition.buccalRange, sides.lingual);
  EXPECT_EQ(sides.lines.size(), 2u);
}

} // namespace

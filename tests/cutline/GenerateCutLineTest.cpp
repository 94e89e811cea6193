// Cut-line generation end to end: the working loop and its console lines, gum lines that give
// no cut line, and the cut line on a generated jaw (valleys found, flattened between them,
// closed, on the model and near the gum line).
#include "cutline/CutLineGenerator.h"
#include "tests/cutline/LoopFixtures.h"
#include "tests/support/MeshChecks.h"
#include "tests/support/SyntheticJaw.h"

#include <vtkMath.h>
#include <vtkPolyData.h>

#include <algorithm>
#include <cmath>
#include <string>

using cutlinetest::CapturedLines;
using cutlinetest::LoopOrder;
using cutlinetest::MakePoints;
using cutlinetest::ReadPoints;
using cutlinetest::SchematicLoop;

namespace
{

// The schematic loop as a gum line that starts `shift` points before its right distal end.
std::vector<Point3> ShiftedSchematic(int shift)
{
  const std::vector<Point3> loop = SchematicLoop();
  const int n = static_cast<int>(loop.size());
  std::vector<Point3> gum(loop.size());
  for (int k = 0; k < n; ++k)
  {
    gum[(k + shift) % n] = loop[k];
  }
  return gum;
}

TEST(GenerateCutLine, StartsTheLoopAtTheRightEndInTheGumLinesDirection)
{
  // The partition's boundaries come out as in the schematic loop itself: the working loop
  // starts at gum-line point 7 and runs on in the gum line's order.
  CutLineGenerator generator;
  const std::vector<std::string> lines = CapturedLines(
    [&] { generator.GenerateCutLine(MakePoints(ShiftedSchematic(7)), 0.2, 0.3, 0.7); });
  const std::vector<std::string> expected = { "rightIndex == 7", "end_1 == 2",
    "start _1 == 17" };
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(generator.BuccalDrop, 0.7);

  // Of two points with x > 0 and the largest y the earlier one is the right end.
  std::vector<Point3> tied = ShiftedSchematic(7);
  tied[6] = Point3{ 3, 10, 0 };
  const std::vector<std::string> tiedLines = CapturedLines(
    [&] { generator.GenerateCutLine(MakePoints(tied), 0.2, 0.3, 0.0); });
  ASSERT_FALSE(tiedLines.empty());
  EXPECT_EQ(tiedLines.front(), "rightIndex == 6");
  EXPECT_EQ(generator.BuccalDrop, 0.0);
}

struct NoCutLineCase
{
  const char* name;
  std::vector<Point3> gum;
  bool nullGumLine;
  std::string firstLine;
};

class NoCutLine : public testing::TestWithParam<NoCutLineCase>
{
};

TEST_P(NoCutLine, GivesAnEmptyResult)
{
  const NoCutLineCase& row = GetParam();
  CutLineGenerator generator;
  vtkSmartPointer<vtkPoints> cut;
  const std::vector<std::string> lines = CapturedLines([&] {
    cut = generator.GenerateCutLine(
      row.nullGumLine ? nullptr : MakePoints(row.gum), 0.2, 0.3, 0.0);
  });
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->GetNumberOfPoints(), 0);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), row.firstLine);
}

std::vector<Point3> Moved(std::vector<Point3> points, double dx, double dy)
{
  for (Point3& p : points)
  {
    p.x += dx;
    p.y += dy;
  }
  return points;
}

INSTANTIATE_TEST_SUITE_P(Degenerate, NoCutLine,
  testing::Values(
    // No right end: nothing is built from the missing index.
    NoCutLineCase{ "allLeftOfZero", Moved(SchematicLoop(), -10.0, 0.0), false,
      "rightIndex == -1" },
    // No left end: the partition has no left cap and no sides.
    NoCutLineCase{ "allRightOfZero", Moved(SchematicLoop(), 10.0, 0.0), false,
      "rightIndex == 0" },
    // The right end's y must lie above -1000.
    NoCutLineCase{ "farBelow", Moved(SchematicLoop(), 0.0, -2000.0), false,
      "rightIndex == -1" },
    NoCutLineCase{ "empty", {}, false, "rightIndex == -1" },
    NoCutLineCase{ "none", {}, true, "rightIndex == -1" }),
  [](const testing::TestParamInfo<NoCutLineCase>& info) { return std::string(info.param.name); });

// The generated jaw with its gum line, and the working loop of that gum line.
struct JawLoop
{
  testsupport::SyntheticJaw jaw;
  std::vector<Point3> gum; // in the order given to the generator
  std::vector<int> order;  // gum-line index of each working-loop index
  vtkSmartPointer<vtkPoints> loop;

  explicit JawLoop(bool clockwise = false)
    : jaw(testsupport::MakeSyntheticJaw())
  {
    gum = jaw.gumLine;
    if (clockwise)
    {
      std::reverse(gum.begin(), gum.end());
    }
    order = LoopOrder(gum);
    std::vector<Point3> points;
    for (int i : order)
    {
      points.push_back(gum[i]);
    }
    loop = MakePoints(points);
  }

  // The cut line of the gum line, generated without its console lines.
  std::vector<Point3> CutLine(CutLineGenerator& generator, double lingualKeep,
    double buccalKeep) const
  {
    std::vector<Point3> cut;
    CapturedLines([&] {
      cut = ReadPoints(generator.GenerateCutLine(MakePoints(gum), lingualKeep, buccalKeep, 0.0));
    });
    return cut;
  }

  // The partition of the working loop and the valley pairs of its two sides.
  struct Pairs
  {
    LoopPartition partition;
    std::vector<ValleyPair> lingual;
    std::vector<ValleyPair> buccal;
  };
  Pairs FindPairs(CutLineGenerator& generator) const
  {
    Pairs pairs;
    CapturedLines([&] { generator.PartitionLoop(loop, pairs.partition); });
    generator.FindValleyPairs(loop, &pairs.partition, pairs.lingual, pairs.buccal);
    return pairs;
  }
};

// The pairs of one side run from valley to valley of the gum line, over the whole side.
void ExpectPairsRunValleyToValley(const JawLoop& j, const std::vector<ValleyPair>& pairs,
  const std::vector<int>& range)
{
  ASSERT_FALSE(pairs.empty());
  ASSERT_FALSE(range.empty());
  // Successive pairs share their ends; the first starts at the side's first point and the
  // last ends at its last point (the valleys put at the ends of the side).
  EXPECT_EQ(pairs.front().first, range.front());
  EXPECT_EQ(pairs.back().last, range.back());
  for (size_t k = 0; k + 1 < pairs.size(); ++k)
  {
    EXPECT_EQ(pairs[k].last, pairs[k + 1].first);
  }
  // Every other pair end is a valley of the gum line, and no valley inside the side is left out.
  std::vector<int> ends;
  for (const ValleyPair& p : pairs)
  {
    ends.push_back(p.first);
  }
  for (size_t k = 1; k < ends.size(); ++k)
  {
    EXPECT_TRUE(j.jaw.gumValley[j.order[ends[k]]]) << ends[k];
  }
  for (int i = range.front() + 1; i < range.back(); ++i)
  {
    if (j.jaw.gumValley[j.order[i]])
    {
      EXPECT_TRUE(std::find(ends.begin(), ends.end(), i) != ends.end()) << i;
    }
  }
}

TEST(GenerateCutLine, FindsTheValleysOfBothSidesOfTheJaw)
{
  const JawLoop j;
  CutLineGenerator generator;
  const auto [partition, lingual, buccal] = j.FindPairs(generator);
  // Of the 14 teeth the middles of the two distal ones lie within the caps: 12 valleys,
  // 11 pairs between them and the two stretches beyond the outermost ones.
  EXPECT_EQ(lingual.size(), 13u);
  EXPECT_EQ(buccal.size(), 13u);
  ExpectPairsRunValleyToValley(j, lingual, partition.lingualRange);
  ExpectPairsRunValleyToValley(j, buccal, partition.buccalRange);
}

TEST(GenerateCutLine, KeepingEverythingAssemblesUnmovedGumLinePoints)
{
  const JawLoop j;
  CutLineGenerator generator;
  generator.SetModel(j.jaw.mesh);
  const auto [partition, lingual, buccal] = j.FindPairs(generator);
  for (const ValleyPair& pair : lingual)
  {
    generator.ShrinkTowardChord(pair, j.loop, 1.0);
  }
  for (const ValleyPair& pair : buccal)
  {
    generator.ShrinkTowardChord(pair, j.loop, 1.0);
  }
  generator.BuccalDrop = 0.0;
  const auto assembled = generator.AssembleLoop(j.loop, lingual, buccal, partition);

  // Each assembled point is a gum-line point as stored in single precision, in loop order.
  const std::vector<Point3> points = ReadPoints(assembled);
  ASSERT_GT(points.size(), 100u);
  const std::vector<Point3> stored = ReadPoints(MakePoints(j.gum));
  size_t k = 0;
  size_t laps = 0;
  for (const Point3& p : points)
  {
    const size_t start = k;
    while (!(stored[j.order[k]].x == p.x && stored[j.order[k]].y == p.y
      && stored[j.order[k]].z == p.z))
    {
      k = (k + 1) % stored.size();
      laps += k == 0 ? 1 : 0;
      ASSERT_NE(k, start) << "not a gum-line point";
    }
  }
  EXPECT_LE(laps, 1u);

  // The generation smooths and projects exactly that loop.
  const std::vector<Point3> cut = j.CutLine(generator, 1.0, 1.0);
  const std::vector<Point3> expected = ReadPoints(generator.RebuildSmoothLoop(assembled));
  ASSERT_EQ(cut.size(), expected.size());
  for (size_t i = 0; i < cut.size(); ++i)
  {
    EXPECT_TRUE(cut[i].x == expected[i].x && cut[i].y == expected[i].y
      && cut[i].z == expected[i].z) << i;
  }
}

double Distance(const Point3& p, const Point3& q)
{
  return std::sqrt((p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y)
    + (p.z - q.z) * (p.z - q.z));
}

double DistanceTo(const std::vector<Point3>& line, const Point3& p)
{
  double best = 1e300;
  for (const Point3& q : line)
  {
    best = std::min(best, Distance(p, q));
  }
  return best;
}

double StandardDeviation(const std::vector<double>& values)
{
  double mean = 0.0;
  for (double v : values)
  {
    mean += v / static_cast<double>(values.size());
  }
  double sum = 0.0;
  for (double v : values)
  {
    sum += (v - mean) * (v - mean);
  }
  return std::sqrt(sum / static_cast<double>(values.size()));
}

// Spread of z over the cut-line points beside working-loop indices first .. last (by the
// gum-line point nearest in plan), divided by the spread of the gum line there.
double RelativeHeightSpread(const JawLoop& j, const std::vector<Point3>& cut, int first, int last)
{
  std::vector<double> cutHeights;
  for (const Point3& p : cut)
  {
    int nearest = 0;
    for (int k = 0; k < static_cast<int>(j.order.size()); ++k)
    {
      const Point3& g = j.gum[j.order[k]];
      const Point3& best = j.gum[j.order[nearest]];
      if (std::hypot(g.x - p.x, g.y - p.y) < std::hypot(best.x - p.x, best.y - p.y))
      {
        nearest = k;
      }
    }
    if (nearest >= first && nearest <= last)
    {
      cutHeights.push_back(p.z);
    }
  }
  std::vector<double> gumHeights;
  for (int k = first; k <= last; ++k)
  {
    gumHeights.push_back(j.gum[j.order[k]].z);
  }
  EXPECT_GT(cutHeights.size(), 10u);
  return StandardDeviation(cutHeights) / StandardDeviation(gumHeights);
}

// Working-loop indices of the first and the last valley inside each side (the pairs' ends
// beyond the two end stretches).
std::vector<std::pair<int, int>> ValleySpans(const JawLoop& j)
{
  CutLineGenerator generator;
  const auto [partition, lingual, buccal] = j.FindPairs(generator);
  EXPECT_GT(lingual.size(), 2u);
  EXPECT_GT(buccal.size(), 2u);
  return { { lingual.front().last, lingual.back().first },
    { buccal.front().last, buccal.back().first } };
}

TEST(GenerateCutLine, FollowsTheGumLineOnTheModelFlatterOverThePapillae)
{
  const JawLoop j;
  CutLineGenerator generator;
  generator.SetModel(j.jaw.mesh);
  const testsupport::SurfaceDistance toModel(j.jaw.mesh);

  const std::vector<Point3> cut = j.CutLine(generator, 0.2, 0.3);
  ASSERT_GT(cut.size(), 50u);
  for (size_t i = 0; i < cut.size(); ++i)
  {
    const Point3& p = cut[i];
    EXPECT_LT(toModel(p.x, p.y, p.z), 1e-4) << i;
    // Closed: every control point, the last too, is followed about 1.5 further on.
    EXPECT_LT(Distance(p, cut[(i + 1) % cut.size()]), 2.5) << i;
    EXPECT_LT(DistanceTo(j.gum, p), 2.5) << i;
  }
  for (const Point3& g : j.gum)
  {
    EXPECT_LT(DistanceTo(cut, g), 2.5);
  }

  // Between the valleys the rise over the papillae shrinks toward each side's keep fraction
  // (0.2 lingual, 0.3 buccal); keeping everything leaves it about as it is, and each fraction
  // acts on its own side only.
  const auto spans = ValleySpans(j);
  ASSERT_EQ(spans.size(), 2u);
  const auto [lingualFirst, lingualLast] = spans[0];
  const auto [buccalFirst, buccalLast] = spans[1];
  struct Bounds
  {
    double lingualKeep;
    double buccalKeep;
    double lingualLow, lingualHigh; // bounds of the lingual side's relative spread
    double buccalLow, buccalHigh;
  };
  for (const Bounds& row : { Bounds{ 0.2, 0.3, 0.0, 0.3, 0.0, 0.5 },
         Bounds{ 1.0, 1.0, 0.8, 2.0, 0.8, 2.0 }, Bounds{ 0.0, 1.0, 0.0, 0.3, 0.8, 2.0 },
         Bounds{ 1.0, 0.0, 0.8, 2.0, 0.0, 0.4 } })
  {
    const std::vector<Point3> line = j.CutLine(generator, row.lingualKeep, row.buccalKeep);
    const double lingual = RelativeHeightSpread(j, line, lingualFirst, lingualLast);
    const double buccal = RelativeHeightSpread(j, line, buccalFirst, buccalLast);
    SCOPED_TRACE(testing::Message() << "keep " << row.lingualKeep << " / " << row.buccalKeep);
    EXPECT_GT(lingual, row.lingualLow);
    EXPECT_LT(lingual, row.lingualHigh);
    EXPECT_GT(buccal, row.buccalLow);
    EXPECT_LT(buccal, row.buccalHigh);
  }
}

TEST(GenerateCutLine, AClockwiseGumLineGivesTheCutLineOfItsCounterClockwiseOrder)
{
  // Taken clockwise as it stands, the outward directions would point into the loop, the tool
  // axis would tilt inward and the line would leave the gum line by millimetres.
  const JawLoop j;
  CutLineGenerator generator;
  generator.SetModel(j.jaw.mesh);
  const std::vector<Point3> original = j.CutLine(generator, 0.2, 0.3);
  ASSERT_GT(original.size(), 50u);

  std::vector<Point3> reversed = j.gum;
  std::reverse(reversed.begin(), reversed.end());
  // The same clockwise line begun at another point: reversed, it starts elsewhere, but the
  // working loop starts at the right distal end all the same.
  std::vector<Point3> reversedElsewhere = reversed;
  std::rotate(reversedElsewhere.begin(), reversedElsewhere.begin() + 77, reversedElsewhere.end());
  struct Case
  {
    const char* name;
    std::vector<Point3> gum;
  };
  for (const Case& c : { Case{ "reversed", reversed }, Case{ "reversed, begun elsewhere",
                           reversedElsewhere } })
  {
    SCOPED_TRACE(c.name);
    const vtkSmartPointer<vtkPoints> given = MakePoints(c.gum);
    std::vector<Point3> cut;
    CapturedLines([&] { cut = ReadPoints(generator.GenerateCutLine(given, 0.2, 0.3, 0.0)); });
    ASSERT_EQ(cut.size(), original.size());
    for (size_t i = 0; i < cut.size(); ++i)
    {
      EXPECT_EQ(cut[i].x, original[i].x) << i;
      EXPECT_EQ(cut[i].y, original[i].y) << i;
      EXPECT_EQ(cut[i].z, original[i].z) << i;
    }
    // The caller's points keep their order.
    const std::vector<Point3> after = ReadPoints(given);
    const std::vector<Point3> before = ReadPoints(MakePoints(c.gum));
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i)
    {
      EXPECT_EQ(after[i].x, before[i].x) << i;
      EXPECT_EQ(after[i].y, before[i].y) << i;
    }
  }
}

} // namespace

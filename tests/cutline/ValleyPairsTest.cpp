// Valley pairs: height extrema along a side with the end valleys added, the notch valleys
// that are skipped, the lateral extrema of the right end zone, and how the end zones' lists
// are joined with the middle of the buccal side.
#include "cutline/CutLineGenerator.h"
#include "tests/cutline/LoopFixtures.h"

#include <vtkMath.h>

#include <cmath>
#include <sstream>
#include <string>

using cutlinetest::MakePoints;
using cutlinetest::MakePointsWithHiddenTail;

namespace
{

// A loop of points one unit apart along +x with the given heights; with `hiddenZ` its
// storage holds one more point of that height past the loop's end.
vtkSmartPointer<vtkPoints> HeightProfile(
  const std::vector<double>& z, const double* hiddenZ = nullptr)
{
  std::vector<Point3> points;
  for (size_t i = 0; i < z.size(); ++i)
  {
    points.push_back(Point3{ 1.0 + static_cast<double>(i), 0.0, z[i] });
  }
  if (hiddenZ)
  {
    return MakePointsWithHiddenTail(points, Point3{ 1.0 + z.size(), 0.0, *hiddenZ });
  }
  return MakePoints(points);
}

std::vector<int> IndexRun(int first, int last)
{
  std::vector<int> run;
  for (int i = first; i <= last; ++i)
  {
    run.push_back(i);
  }
  return run;
}

std::string Describe(const std::vector<ValleyPair>& pairs)
{
  std::ostringstream text;
  for (const ValleyPair& p : pairs)
  {
    text << "(" << p.first << "," << p.last << ")";
  }
  return text.str();
}

// "V3 P5 v7": kind and loop index of each item, a marked valley in lower case.
std::string Describe(const std::vector<ExtremumItem>& items)
{
  std::ostringstream text;
  for (const ExtremumItem& item : items)
  {
    text << (text.tellp() > 0 ? " " : "") << (item.isPeak ? 'P' : item.marked ? 'v' : 'V')
         << item.index;
  }
  return text.str();
}

std::vector<ExtremumItem> Items(const std::string& text)
{
  std::vector<ExtremumItem> items;
  std::istringstream in(text);
  for (std::string word; in >> word;)
  {
    items.push_back(ExtremumItem{ std::stoi(word.substr(1)),
      static_cast<std::uint8_t>(word[0] == 'P' ? 1 : 0), 0 });
  }
  return items;
}

struct SideCase
{
  const char* name;
  std::vector<double> z;
  std::vector<int> range;
  std::string pairs;
  bool hiddenTail = false; // a point of height 0 lies in storage past the loop's end
};

class SideValleys : public testing::TestWithParam<SideCase>
{
};

TEST_P(SideValleys, PairsSuccessiveUnmarkedValleys)
{
  const SideCase& row = GetParam();
  CutLineGenerator generator;
  std::vector<ValleyPair> pairs;
  const double hiddenZ = 0.0;
  generator.FindLingualValleyPairs(
    HeightProfile(row.z, row.hiddenTail ? &hiddenZ : nullptr), row.range, pairs);
  EXPECT_EQ(Describe(pairs), row.pairs);
}

INSTANTIATE_TEST_SUITE_P(Heights, SideValleys,
  testing::Values(
    SideCase{ "singleSignChange", { 0, 1, 2, 1, 0, 0 }, IndexRun(0, 4), "" },
    SideCase{ "twoValleys", { 2, 1, 0, 1, 2, 1, 0, 1, 2 }, IndexRun(0, 7), "(2,6)" },
    // The step after the range's last index reaches the point after the range: here it
    // makes that index a peak, with the closing valley at the same index.
    SideCase{ "lastStepLeavesTheRange", { 2, 1, 0, 1, 2, 1, 0, 1, 0.5 }, IndexRun(0, 7),
      "(2,6)(6,7)" },
    // A first peak gets a valley at the range's first index in front, a last peak one at
    // the range's last index behind.
    SideCase{ "firstPeak", { 5, 5, 0, 1, 2, 1, 0, 1, 2, 2 }, IndexRun(2, 8), "(2,6)" },
    SideCase{ "lastPeak", { 2, 1, 0, 1, 2, 1, 0, 1, 2, 1.5, 1.5, 1.5 }, IndexRun(0, 10),
      "(2,6)(6,10)" },
    // A flat step between a rise and a fall makes no peak (which would have put a valley
    // at the range's start).
    SideCase{ "plateau", { 0, 1, 1, 0, 1, 2 }, IndexRun(0, 4), "" },
    // A small valley high between two close peaks is skipped: the pair spans the papilla.
    SideCase{ "notchValleySkipped", { 1, 0, 1, 2, 1.5, 2, 1, 0, 1 }, IndexRun(0, 7), "(1,7)" },
    // A range that runs to the loop's last point: that point has no step and nothing is read
    // past the loop (the hidden point there would make a peak at 7); indices outside the
    // loop are passed over.
    SideCase{ "rangeToTheLoopEnd", { 2, 1, 0, 1, 2, 1, 0, 1 }, IndexRun(-1, 7), "(2,6)", true },
    SideCase{ "emptyRange", { 2, 1, 0, 1, 2 }, {}, "" }),
  [](const testing::TestParamInfo<SideCase>& info) { return std::string(info.param.name); });

struct NotchCase
{
  const char* name;
  std::vector<Point3> points; // a, b, c, d, e: valley, peak, valley, peak, valley
  bool doublePrecision;
  bool marked;
};

class NotchValleys : public testing::TestWithParam<NotchCase>
{
};

TEST_P(NotchValleys, MarksOnlyPastEveryThreshold)
{
  const NotchCase& row = GetParam();
  CutLineGenerator generator;
  std::vector<ExtremumItem> items = Items("V0 P1 V2 P3 V4");
  generator.MarkNotchValleys(MakePoints(row.points, row.doublePrecision), items);
  EXPECT_EQ(Describe(items), row.marked ? "V0 P1 v2 P3 V4" : "V0 P1 V2 P3 V4");
}

const double kAbove02 = std::nextafter(0.2, 1.0);

INSTANTIATE_TEST_SUITE_P(Thresholds, NotchValleys,
  testing::Values(
    NotchCase{ "distancesOfExactly9And3",
      { { 0, 0, 0 }, { 3, 0, 1 }, { 4.5, 0, 0.6 }, { 6, 0, 1 }, { 9, 0, 0 } }, false, true },
    NotchCase{ "stretchPast9", { { 0, 0, 0 }, { 3, 0, 1 }, { 4.5, 0, 0.6 }, { 6, 0, 1 },
      { 9.000001, 0, 0 } }, true, false },
    NotchCase{ "peaksPast3", { { 0, 0, 0 }, { 3, 0, 1 }, { 4.5, 0, 0.6 }, { 6.000001, 0, 1 },
      { 9, 0, 0 } }, true, false },
    NotchCase{ "riseNotAboveTheDropFromThePeak",
      { { 0, 0, 0 }, { 3, 0, 1 }, { 4.5, 0, 0.5 }, { 6, 0, 1 }, { 8.9, 0, -0.5 } }, true, false },
    // Exactly 0.2 above the valley before or after is not enough.
    NotchCase{ "riseOfExactly02Before", { { 0, 0, 0 }, { 3, 0, 0.3 }, { 4.5, 0, 0.2 },
      { 6, 0, 0.3 }, { 8, 0, -1 } }, true, false },
    NotchCase{ "riseJustAbove02Before", { { 0, 0, 0 }, { 3, 0, 0.3 }, { 4.5, 0, kAbove02 },
      { 6, 0, 0.3 }, { 8, 0, -1 } }, true, true },
    NotchCase{ "riseOfExactly02After", { { 1, 0, -1 }, { 3, 0, 0.3 }, { 4.5, 0, 0.2 },
      { 6, 0, 0.3 }, { 9, 0, 0 } }, true, false },
    // In the working loop's single precision a height written as 0.2 is stored as the float
    // nearest it, which lies above 0.2: the rise is enough.
    NotchCase{ "singlePrecisionRiseOf02", { { 0, 0, 0 }, { 3, 0, 0.3 }, { 4.5, 0, 0.2 },
      { 6, 0, 0.3 }, { 8, 0, -1 } }, false, true }),
  [](const testing::TestParamInfo<NotchCase>& info) { return std::string(info.param.name); });

TEST(MarkNotchValleys, NeedsFiveItemsInsideTheLoop)
{
  CutLineGenerator generator;
  const auto loop = MakePoints(
    { { 0, 0, 0 }, { 3, 0, 1 }, { 4.5, 0, 0.6 }, { 6, 0, 1 }, { 9, 0, 0 } });
  std::vector<ExtremumItem> four = Items("V0 P1 V2 P3");
  generator.MarkNotchValleys(loop, four);
  EXPECT_EQ(Describe(four), "V0 P1 V2 P3");

  // An item beyond the loop leaves its neighbourhood untested instead of read.
  std::vector<ExtremumItem> outside = Items("V0 P1 V2 P3 V5");
  generator.MarkNotchValleys(loop, outside);
  EXPECT_EQ(Describe(outside), "V0 P1 V2 P3 V5");
}

TEST(MarkNotchValleys, AMarkedValleyStillStandsBesideTheNext)
{
  // Valley 2 is a notch and is marked. Valley 4 is tested with valley 2 beside it as before:
  // it lies below valley 2 and stays. Were the marked valley passed over, valley 0 would stand
  // beside valley 4 instead, and valley 4 would pass every test against it. (Two neighbouring
  // valleys can never both be marked: each would have to lie 0.2 above the other.)
  CutLineGenerator generator;
  const auto loop = MakePoints({ { 0, 0, 0 }, { 2, 0, 1 }, { 3, 0, 0.7 }, { 4, 0, 0.9 },
    { 5, 0, 0.46 }, { 6, 0, 0.6 }, { 7, 0, 0 } });
  std::vector<ExtremumItem> items = Items("V0 P1 V2 P3 V4 P5 V6");
  generator.MarkNotchValleys(loop, items);
  EXPECT_EQ(Describe(items), "V0 P1 v2 P3 V4 P5 V6");
}

struct MergeCase
{
  const char* name;
  std::string leftEnd;
  std::string middle;
  std::string rightEnd;
  std::string merged;
};

class MergedExtrema : public testing::TestWithParam<MergeCase>
{
};

TEST_P(MergedExtrema, AlternateAtBothSeams)
{
  const MergeCase& row = GetParam();
  CutLineGenerator generator;
  EXPECT_EQ(Describe(generator.MergeEndExtrema(
              Items(row.leftEnd), Items(row.middle), Items(row.rightEnd))),
    row.merged);
}

const char* const kMiddle = "V5 P8 V15 P20 V25 P30 V35";

INSTANTIATE_TEST_SUITE_P(Seams, MergedExtrema,
  testing::Values(
    // After a last left peak the run starts at the next valley beyond it; before a first
    // right valley it ends at the last peak before it.
    MergeCase{ "peakThenValley", "V10 P12", kMiddle, "V33 P38 V40",
      "V10 P12 V15 P20 V25 P30 V33 P38 V40" },
    MergeCase{ "valleyThenPeak", "V10 P12 V14", kMiddle, "P33 V36",
      "V10 P12 V14 P20 V25 P33 V36" },
    // Nothing of the middle before the right zone: the zones meet.
    MergeCase{ "noMiddleBeforeTheRightZone", "V10 P12", kMiddle, "V14 P16 V18",
      "V10 P12 V14 P16 V18" },
    MergeCase{ "noLeftZone", "", kMiddle, "V33 P38 V40", "" },
    // No right zone: the middle runs on to the side's end.
    MergeCase{ "noRightZone", "V10 P12", kMiddle, "", "V10 P12 V15 P20 V25 P30 V35" },
    // Nothing of the middle beyond the left zone: the right zone follows from its first
    // item beyond the left zone's last, so the valleys keep ascending.
    MergeCase{ "noMiddleBeyondTheLeftZone", "V10 P12 V40", kMiddle, "V33 P38 V42 P44 V46",
      "V10 P12 V40 V42 P44 V46" }),
  [](const testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

// The end of a buccal side on the right arm: points 0..9 are the side (9 its last point, the
// frame origin), point 10 follows. Along the arm (y' in the frame turned by 18 degrees) they
// lie 2 apart up to the end; across it (x', outward) they wiggle. Point 2 lies on x = 0.
// With `hiddenTail` the loop ends at point 10 and point 11, far inward, lies in storage past
// its end.
vtkSmartPointer<vtkPoints> RightArmEnd(double xOfPoint2, bool hiddenTail = false)
{
  const double s = std::sin(vtkMath::RadiansFromDegrees(18.0));
  const double c = std::cos(vtkMath::RadiansFromDegrees(18.0));
  const double across[12] = { 0, 5, 0, 1, 0, -1, 0, 1, 0.5, 0, 0.2, -5 };
  const Point3 end{ 14.0 * s, 20.0, 0.0 };
  std::vector<Point3> points;
  for (int i = 0; i <= 11; ++i)
  {
    const double along = -2.0 * (9 - i);
    points.push_back(Point3{ end.x + along * s + across[i] * c,
      end.y + along * c - across[i] * s, 0.0 });
  }
  points[2].x = xOfPoint2;
  const Point3 tail = points.back();
  points.pop_back();
  return hiddenTail ? MakePointsWithHiddenTail(points, tail) : MakePoints(points);
}

TEST(CollectRightEndExtrema, OutwardBulgesAreValleysWithinTheZone)
{
  CutLineGenerator generator;
  LoopPartition partition;
  partition.buccalRange = IndexRun(0, 9);

  // Point 1 (16 before the end, its bulge of 5) lies outside the zone; point 2, at x = 0.0
  // exactly, is inside. The last lateral extremum is a peak, so a valley at the last kept
  // index follows it.
  std::vector<ExtremumItem> items;
  generator.CollectRightEndExtrema(RightArmEnd(0.0), &partition, items);
  EXPECT_EQ(Describe(items), "V3 P5 V7 P9 V9");

  // Left of x = 0 point 2 is not considered, and neither is the bulge after it.
  items.clear();
  generator.CollectRightEndExtrema(RightArmEnd(-1e-3), &partition, items);
  EXPECT_EQ(Describe(items), "P5 V7 P9 V9");

  // A side that runs to the loop's last point (10): that point has no step, and the hidden
  // point past the loop is not read (it would make a valley at 10). The frame is now about
  // point 10, 2 further along, so point 2 drops out of the zone.
  items.clear();
  partition.buccalRange = IndexRun(0, 10);
  generator.CollectRightEndExtrema(RightArmEnd(0.0, true), &partition, items);
  EXPECT_EQ(Describe(items), "P5 V7 P9 V9");

  // No partition or no buccal side: nothing.
  items.clear();
  generator.CollectRightEndExtrema(RightArmEnd(0.0), nullptr, items);
  LoopPartition noSide;
  generator.CollectRightEndExtrema(RightArmEnd(0.0), &noSide, items);
  EXPECT_TRUE(items.empty());
}

// The start of a buccal side on the left arm, after two points of the left cap: points 2..14
// are the side (2 its first point, the left zone's frame origin), point 15 follows. Along the
// arm (y' in the frame turned by -18 degrees) the side runs 0, -2, ..., -14, then -15.5, just
// beyond the zone, and on; across it (x', toward the middle of the arch) it wiggles, and
// point 4 dips far inward to x = `xOfPoint4`. All points lie at x < 0 but for that one. The
// heights are 0 but for two valleys beyond the zone, at 11 and 13.
vtkSmartPointer<vtkPoints> LeftArmStart(double xOfPoint4, double acrossOfPoint3)
{
  const double s = std::sin(vtkMath::RadiansFromDegrees(18.0));
  const double c = std::cos(vtkMath::RadiansFromDegrees(18.0));
  const double along[16] = { 4, 2, 0, -2, -4, -6, -8, -10, -12, -14, -15.5, -17, -19, -21, -23,
    -25 };
  const double across[16] = { 0, 0, 0, acrossOfPoint3, 7, -1, 0, 1, 0, 0.5, -2, 1, 0, 0, 0, 0 };
  const double z[16] = { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, 0, -1, 0, 1 };
  const Point3 start{ -8.0, 20.0, 0.0 };
  std::vector<Point3> points;
  for (int i = 0; i < 16; ++i)
  {
    points.push_back(Point3{ start.x + across[i] * c - along[i] * s,
      start.y + across[i] * s + along[i] * c, z[i] });
  }
  points[4].x = xOfPoint4;
  return MakePoints(points);
}

TEST(FindValleyPairs, TheLeftEndZoneStartsTheBuccalSide)
{
  // The left zone's lateral extrema (an outward bulge a valley, an inward dip a peak), then
  // the middle's valleys beyond them; no point of the side lies in the right half, so there is
  // no right zone and the middle runs to the side's end.
  struct Case
  {
    const char* name;
    double xOfPoint4;
    double acrossOfPoint3;
    const char* pairs;
  };
  const Case cases[] = {
    // Zone: V3 P4 V5 P7 V8 P9; point 10, at y' = -15.5, is beyond it.
    { "x = 0.0 belongs to the left zone", 0.0, -1.0, "(3,5)(5,8)(8,11)(11,13)" },
    // Right of x = 0 the dip is not considered: V3 P7 V8 P9.
    { "x > 0 does not", 1e-3, -1.0, "(3,8)(8,11)(11,13)" },
    // The first lateral extremum is the peak at 4: a valley at the side's first index goes
    // in front of it.
    { "a first peak", 0.0, 1.0, "(2,5)(5,8)(8,11)(11,13)" },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    CutLineGenerator generator;
    LoopPartition partition;
    partition.buccalRange = IndexRun(2, 14);
    std::vector<ValleyPair> lingual;
    std::vector<ValleyPair> buccal;
    generator.FindValleyPairs(
      LeftArmStart(c.xOfPoint4, c.acrossOfPoint3), &partition, lingual, buccal);
    EXPECT_TRUE(lingual.empty());
    EXPECT_EQ(Describe(buccal), c.pairs);
  }
}

TEST(FindValleyPairs, NoPartitionOrNoLeftZoneGivesNoPairs)
{
  CutLineGenerator generator;
  const auto loop = HeightProfile({ 2, 1, 0, 1, 2, 1, 0, 1, 2 });
  std::vector<ValleyPair> lingual;
  std::vector<ValleyPair> buccal;
  generator.FindValleyPairs(loop, nullptr, lingual, buccal);
  EXPECT_TRUE(lingual.empty());
  EXPECT_TRUE(buccal.empty());

  // The same heights on the buccal side: with no left end zone there are no buccal pairs.
  generator.FindBuccalValleyPairs(loop, IndexRun(0, 7), {}, Items("V6"), buccal);
  EXPECT_TRUE(buccal.empty());
  // With end zones on both sides the middle joins them.
  generator.FindBuccalValleyPairs(loop, IndexRun(0, 7), Items("V0 P1"), Items("P7 V8"), buccal);
  EXPECT_EQ(Describe(buccal), "(0,2)(2,6)(6,8)");
}

} // namespace

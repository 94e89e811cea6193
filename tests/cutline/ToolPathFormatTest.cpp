// The tool-path export's format: start selection, loops and lead moves, machine poses with a
// continuous A, and the binary and G-code files byte for byte.
#include "cutline/CutLineGenerator.h"
#include "cutline/ToolPath.h"
#include "tests/cutline/CutLineFixtures.h"
#include "tests/cutline/ToolPathFixtures.h"
#include "tests/support/SyntheticJaw.h"
#include "tests/support/TempFolder.h"

#include <vtkMath.h>
#include <vtkParametricSpline.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <locale.h>

namespace fs = std::filesystem;

namespace
{

using cutlinetest::Entry;
using cutlinetest::kInf;
using cutlinetest::kNaN;
using cutlinetest::LeftLoop;
using cutlinetest::SomePoses;
using testsupport::ReadAll;
using testsupport::TempFolder;
using testsupport::WriteAll;

// Lines of a program whose every line ends in CR LF; a bare LF or a missing line end fails.
std::vector<std::string> Lines(const std::string& text)
{
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < text.size())
  {
    const size_t end = text.find("\r\n", begin);
    if (end == std::string::npos)
    {
      ADD_FAILURE() << "line without CR LF: " << text.substr(begin);
      break;
    }
    lines.push_back(text.substr(begin, end - begin));
    EXPECT_EQ(lines.back().find('\n'), std::string::npos) << lines.back();
    begin = end + 2;
  }
  return lines;
}

// The A field of a G01 line, as written.
std::string AField(const std::string& line)
{
  const size_t a = line.find('A');
  const size_t f = line.find('F', a);
  return line.substr(a + 1, f == std::string::npos ? std::string::npos : f - a - 1);
}

// The doubles of a binary file, little-endian.
std::vector<double> Doubles(const std::string& bytes)
{
  std::vector<double> values;
  for (size_t at = 0; at + 8 <= bytes.size(); at += 8)
  {
    std::uint64_t bits = 0;
    for (int b = 7; b >= 0; --b)
    {
      bits = (bits << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(b)]);
    }
    double v;
    std::memcpy(&v, &bits, sizeof v);
    values.push_back(v);
  }
  return values;
}

void ExpectSameEntry(const PoseDir& a, const PoseDir& b)
{
  EXPECT_EQ(a.point.x, b.point.x);
  EXPECT_EQ(a.point.y, b.point.y);
  EXPECT_EQ(a.point.z, b.point.z);
  EXPECT_EQ(a.direction.x, b.direction.x);
  EXPECT_EQ(a.direction.y, b.direction.y);
  EXPECT_EQ(a.direction.z, b.direction.z);
}

// The 8 bytes of 999999.0, least significant first.
const std::string kNotMovedBytes("\x00\x00\x00\x00\x7e\x84\x2e\x41", 8);

// `value` as "%f" writes it in the C locale, whatever locale the test process runs in (Qt sets
// it from the environment the first time it converts a file name).
std::string CFormat(double value)
{
  const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  const locale_t previous = ::uselocale(c);
  char text[400];
  std::snprintf(text, sizeof text, "%f", value);
  ::uselocale(previous);
  ::freelocale(c);
  return text;
}

} // namespace

TEST(RotateToStart, StartsAtTheQualifyingEntryClosestToPlusX)
{
  struct Case
  {
    const char* name;
    std::vector<PoseDir> entries;
    size_t start;
  };
  const Case cases[] = {
    { "only entries at x < 0", { Entry(-5, 10, 0), Entry(-5, 20, 3), Entry(-1, 0, 10) }, 0 },
    { "5 degrees beats 10",
      { Entry(-5, 10, 0), Entry(3, 4, 10), Entry(3, 6, 5), Entry(-2, 3, 0) }, 2 },
    { "equal angles: the earlier", { Entry(-5, 10, 0), Entry(1, 1, 5), Entry(2, 2, 5) }, 1 },
    { "y < 0, a direction below +X or toward -X does not count",
      { Entry(5, -1, 0), Entry(5, 1, -1), Entry(5, 1, 100), Entry(5, 1, 30) }, 3 },
    { "the axes belong to the quadrant", { Entry(1, 1, 20), Entry(0, 0, 0) }, 1 },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    std::vector<PoseDir> out = { Entry(99, 99, 0) };
    ToolPath::RotateToStart(c.entries, out);
    ASSERT_EQ(out.size(), c.entries.size());
    for (size_t j = 0; j < out.size(); ++j)
    {
      ExpectSameEntry(out[j], c.entries[(c.start + j) % c.entries.size()]);
    }
  }

  std::vector<PoseDir> out = { Entry(99, 99, 0) };
  ToolPath::RotateToStart({}, out);
  EXPECT_TRUE(out.empty());
}

TEST(AddLeadInOut, ApproachesAndRetreatsAlongTheFirstEntrysAxis)
{
  const std::vector<PoseDir> loop = { { { 10, 20, 5 }, { 1, 0, 0 } }, Entry(11, 21, 10),
    Entry(12, 22, 20) };
  std::vector<PoseDir> path = loop;
  ToolPath::AddLeadInOut(path);
  ASSERT_EQ(path.size(), 6u);

  const PoseDir& lead = path[0];
  EXPECT_DOUBLE_EQ(lead.point.x, 20.0);
  EXPECT_DOUBLE_EQ(lead.point.y, 20.0);
  EXPECT_DOUBLE_EQ(lead.point.z, 5.0 + 10.0 * std::sqrt(3.0) / 3.0);
  EXPECT_NEAR(lead.point.z, 10.7735, 1e-4);
  EXPECT_EQ(lead.direction.x, 1.0);
  EXPECT_EQ(lead.direction.y, 0.0);

  // L, e0, e1, e2, e1, L.
  ExpectSameEntry(path[1], loop[0]);
  ExpectSameEntry(path[2], loop[1]);
  ExpectSameEntry(path[3], loop[2]);
  ExpectSameEntry(path[4], loop[1]);
  ExpectSameEntry(path[5], lead);
}

TEST(Export, WritesTheLoopOnceOrTwiceWithLeadMovesFromThreeEntries)
{
  struct Case
  {
    size_t entries;
    bool twoLoops;
    size_t poses;
  };
  const Case cases[] = {
    { 0, false, 0 }, { 1, false, 1 }, { 2, false, 2 }, { 3, false, 6 }, { 5, false, 8 },
    { 1, true, 2 }, { 2, true, 7 }, { 4, true, 11 },
  };
  TempFolder folder;
  for (const Case& c : cases)
  {
    SCOPED_TRACE(::testing::Message() << c.entries << (c.twoLoops ? " twice" : " once"));
    const std::vector<PoseDir> loop = LeftLoop(std::vector<double>(c.entries, 30.0));

    std::vector<PoseDir> path = loop;
    if (c.twoLoops)
    {
      ToolPath::DoubleLoop(path);
    }
    ToolPath::AddLeadInOut(path);
    EXPECT_EQ(path.size(), c.poses);

    // The program has two opening lines before the pose lines.
    const std::string file = folder.File("count.txt");
    ASSERT_TRUE(ToolPath::Export(loop, file, c.twoLoops));
    EXPECT_EQ(Lines(ReadAll(file)).size(), c.poses == 0 ? 0 : c.poses + 2);
  }
}

TEST(ComputeAxisPose, GivesTheAzimuthAndTurnsThePointSoTheToolFacesPlusX)
{
  struct Case
  {
    const char* name;
    Point3 direction;
    double a;
  };
  const double h = std::sqrt(0.5);
  const Case cases[] = {
    { "+X", { 1, 0, 0 }, -0.0 },
    { "+Y", { 0, 1, 0 }, 90.0 },
    { "-X", { -1, 0, 0 }, -180.0 },
    { "-Y", { 0, -1, 0 }, -90.0 },
    { "45 degrees", { h, h, 0 }, 45.0 },
    { "-135 degrees", { -h, -h, 0 }, -135.0 },
    { "not unit, with a vertical part", { 2, 0, 5 }, -0.0 },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    Pose4 pose;
    ASSERT_TRUE(ToolPath::ComputeAxisPose(PoseDir{ { 3, 4, 7 }, c.direction }, pose));
    EXPECT_NEAR(pose.a, c.a, 1e-12);
    EXPECT_EQ(std::signbit(pose.a), std::signbit(c.a));
    // The point turned by -a about +Z.
    const double t = vtkMath::RadiansFromDegrees(-c.a);
    EXPECT_NEAR(pose.x, 3 * std::cos(t) - 4 * std::sin(t), 1e-12);
    EXPECT_NEAR(pose.y, 3 * std::sin(t) + 4 * std::cos(t), 1e-12);
    EXPECT_EQ(pose.z, 7.0);
  }

  // No horizontal part, or an undefined one: false, and the pose keeps its preset values.
  for (const Point3& vertical : { Point3{ 0, 0, 1 }, Point3{ 1e-7, 0, -1 }, Point3{ kNaN, 0, 0 },
         Point3{ kInf, 1, 0 } })
  {
    Pose4 pose;
    EXPECT_FALSE(ToolPath::ComputeAxisPose(PoseDir{ { 3, 4, 7 }, vertical }, pose));
    EXPECT_EQ(pose.x, kAxisNotMoved);
    EXPECT_EQ(pose.y, kAxisNotMoved);
    EXPECT_EQ(pose.z, kAxisNotMoved);
    EXPECT_EQ(pose.a, kAxisNotMoved);
  }
}

TEST(Export, KeepsTheRotaryAngleContinuous)
{
  std::vector<std::string> fullTurns;
  {
    // Twelve entries 30 degrees apart, twice round: A keeps rising past 360.
    std::vector<double> a = { 0.0 };
    for (int loop = 0; loop < 2; ++loop)
    {
      for (int i = 0; i < 12; ++i)
      {
        a.push_back(360.0 * loop + 30.0 * i);
      }
    }
    a.push_back(390.0 + 360.0);
    a.push_back(720.0);
    for (double v : a)
    {
      fullTurns.push_back(CFormat(v));
    }
    fullTurns[0] = "-0.000000";
  }
  std::vector<double> twelve;
  for (int i = 0; i < 12; ++i)
  {
    twelve.push_back(i <= 6 ? 30.0 * i : 30.0 * i - 360.0);
  }

  struct Case
  {
    const char* name;
    std::vector<double> degrees;
    bool twoLoops;
    std::vector<std::string> a;
  };
  const Case cases[] = {
    { "170, -175, -170", { 170, -175, -170 }, false,
      { "170.000000", "170.000000", "185.000000", "190.000000", "185.000000", "170.000000" } },
    // +X gives a negative zero, kept on the first pose; the unwrap makes it +0 later.
    { "+X throughout", { 0, 0, 0 }, false,
      { "-0.000000", "0.000000", "0.000000", "0.000000", "0.000000", "0.000000" } },
    { "two loops round twelve entries", twelve, true, fullTurns },
  };
  TempFolder folder;
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    const std::string file = folder.File("unwrap.txt");
    ASSERT_TRUE(ToolPath::Export(LeftLoop(c.degrees), file, c.twoLoops));
    const std::vector<std::string> lines = Lines(ReadAll(file));
    ASSERT_EQ(lines.size(), c.a.size() + 2);
    for (size_t i = 0; i < c.a.size(); ++i)
    {
      EXPECT_EQ(AField(lines[i + 2]), c.a[i]) << lines[i + 2];
    }
  }
}

namespace
{

// The unwrap as it searched before: -3 to +3 turns in order, the first within 180 of the
// previous angle, else the angle as it is.
double ThreeTurnUnwrap(double a, double previous)
{
  for (int k = -3; k <= 3; ++k)
  {
    const double candidate = a + 360.0 * k;
    if (std::fabs(candidate - previous) < 180.0)
    {
      return candidate;
    }
  }
  return a;
}

} // namespace

TEST(UnwrapAngle, TakesTheNearestWholeTurnForAnyNumberOfTurns)
{
  struct Case
  {
    const char* name;
    double a;
    double previous;
    double expected;
  };
  const Case cases[] = {
    { "no turn", 170.0, 160.0, 170.0 },
    { "one turn up", -175.0, 170.0, 185.0 },
    { "one turn down", 175.0, -170.0, -185.0 },
    // Exactly half a turn away both neighbours are 180 off; the angle stays as it is.
    { "exactly +180 after 0", 180.0, 0.0, 180.0 },
    { "exactly -180 after 0", -180.0, 0.0, -180.0 },
    { "exactly 0 after 180", 0.0, 180.0, 0.0 },
    { "just under half a turn", 179.99999999999997, 0.0, 179.99999999999997 },
    { "just over half a turn", 180.00000000000003, 0.0, -179.99999999999997 },
    { "three turns", -175.0, 1070.0, 905.0 },
    // Past three turns the angle kept its raw value: a jump of 1438 degrees in one move.
    { "four turns", -179.42, 1258.61, 1260.58 },
    { "ten turns", 10.0, 3605.0, 3610.0 },
    { "six turns down", 170.0, -2000.0, -1990.0 },
    // Half a turn off and beyond the three turns, the nearer of the two to the raw angle.
    { "half a turn off, one turn up", -180.0, 360.0, 180.0 },
    { "half a turn off, five turns up", 0.0, 1980.0, 1800.0 },
    { "no previous angle", 30.0, kNaN, 30.0 },
    { "previous infinite", 30.0, kInf, 30.0 },
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(ToolPath::UnwrapAngle(c.a, c.previous), c.expected, 1e-9);
  }
  // Exact values where no rounding is involved.
  EXPECT_EQ(ToolPath::UnwrapAngle(180.0, 0.0), 180.0);
  EXPECT_EQ(ToolPath::UnwrapAngle(-180.0, 0.0), -180.0);
  EXPECT_EQ(ToolPath::UnwrapAngle(-180.0, 360.0), 180.0);
}

TEST(UnwrapAngle, KeepsEveryAngleTheThreeTurnSearchFoundAndStaysWithinHalfATurn)
{
  // Raw angles over the whole circle, both ends included, after previous angles over four
  // turns either way; the steps are exact binary fractions, so that the sweep meets the exact
  // half-turn ties.
  size_t compared = 0;
  size_t differing = 0;
  size_t far = 0;
  for (int i = 0; i <= 1440; ++i)
  {
    const double a = -180.0 + 0.25 * i;
    for (int j = 0; j <= 3840; ++j)
    {
      const double previous = -1440.0 + 0.75 * j;
      const double unwrapped = ToolPath::UnwrapAngle(a, previous);
      const double before = ThreeTurnUnwrap(a, previous);
      // Where the three-turn search found the angle (or the angle itself lay half a turn
      // away), the result is that angle, bit for bit.
      if (std::fabs(before - previous) <= 180.0)
      {
        ++compared;
        if (std::memcmp(&unwrapped, &before, sizeof unwrapped) != 0)
        {
          ++differing;
          ADD_FAILURE_AT(__FILE__, __LINE__) << a << " after " << previous << ": " << unwrapped
                                            << " instead of " << before;
        }
      }
      const double turns = (unwrapped - a) / 360.0;
      if (!(std::fabs(unwrapped - previous) <= 180.0) ||
        std::fabs(turns - std::round(turns)) > 1e-12)
      {
        ++far;
      }
      if (differing + far > 10)
      {
        FAIL() << "more differences";
      }
    }
  }
  EXPECT_GT(compared, 1440u * 3000u);
  EXPECT_EQ(differing, 0u);
  EXPECT_EQ(far, 0u);
}

TEST(Export, KeepsARotaryAngleThatWindsMoreThanThreeTurnsContinuous)
{
  // Directions 30 degrees apart round five times (a stray point can wind a cut line so): A
  // rises past 1080 without a jump back.
  std::vector<double> degrees;
  for (int i = 0; i <= 60; ++i)
  {
    degrees.push_back(30.0 * (i % 12) - (i % 12 > 6 ? 360.0 : 0.0));
  }
  TempFolder folder;
  const std::string file = folder.File("wound.txt");
  ASSERT_TRUE(ToolPath::Export(LeftLoop(degrees), file, false));
  const std::vector<std::string> lines = Lines(ReadAll(file));
  ASSERT_EQ(lines.size(), degrees.size() + 5);
  std::vector<double> a;
  for (size_t i = 2; i < lines.size(); ++i)
  {
    a.push_back(std::stod(AField(lines[i])));
  }
  for (size_t i = 1; i < a.size(); ++i)
  {
    EXPECT_LT(std::fabs(a[i] - a[i - 1]), 180.0) << i;
  }
  // Lead-in, the 61 entries (the last at five full turns), one step past the start, lead-out.
  EXPECT_EQ(a[61], 1800.0);
  EXPECT_EQ(a[62], 1830.0);
}

TEST(Write, BinaryFileByteForByte)
{
  std::vector<Pose4> poses = SomePoses(5);
  poses[2] = Pose4{};
  TempFolder folder;
  const std::string file = folder.File("five.gbin");
  ASSERT_TRUE(ToolPath::Write(file, poses));
  const std::string bytes = ReadAll(file);
  ASSERT_EQ(bytes.size(), 224u);

  // Header: Z alone, then X and Y alone, to the first pose; then x, y, z, a per pose.
  std::vector<double> expected = { kAxisNotMoved, kAxisNotMoved, 3.0, kAxisNotMoved, 1.5, -2.25,
    kAxisNotMoved, kAxisNotMoved };
  for (const Pose4& p : poses)
  {
    expected.insert(expected.end(), { p.x, p.y, p.z, p.a });
  }
  const std::vector<double> values = Doubles(bytes);
  ASSERT_EQ(values.size(), expected.size());
  for (size_t i = 0; i < values.size(); ++i)
  {
    EXPECT_EQ(values[i], expected[i]) << "double " << i;
  }

  EXPECT_EQ(bytes.substr(0, 8), kNotMovedBytes);
  EXPECT_EQ(bytes.substr(144, 8), kNotMovedBytes); // x of pose 2
  EXPECT_EQ(bytes.substr(16, 8), bytes.substr(80, 8));
  EXPECT_EQ(bytes.substr(32, 16), bytes.substr(64, 16));
  // 1.5 = 0x3FF8000000000000, least significant byte first.
  EXPECT_EQ(bytes.substr(64, 8), std::string("\x00\x00\x00\x00\x00\x00\xf8\x3f", 8));
}

TEST(Write, TheFileNameAloneChoosesTheFormat)
{
  struct Case
  {
    const char* name;
    bool text;
  };
  const Case cases[] = {
    { "path.txt", true },
    { "path.TXT", true },
    { "path.Txt", true },
    { "切割线.TXT", true },
    { "path.gbin", false },
    { "path.txt.bak", false },
    { "path", false },
    { "pathtxt", false },
  };
  TempFolder folder;
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    const std::string file = folder.File(c.name);
    ASSERT_TRUE(ToolPath::Write(file, SomePoses(3)));
    const std::string bytes = ReadAll(file);
    if (c.text)
    {
      EXPECT_EQ(bytes.rfind("N100G0G90G54Z3.000000\r\n", 0), 0u);
    }
    else
    {
      EXPECT_EQ(bytes.size(), 64u + 3 * 32u);
      EXPECT_EQ(bytes.substr(0, 8), kNotMovedBytes);
    }
  }
}

TEST(Write, GcodeProgramLineByLine)
{
  TempFolder folder;
  const std::string file = folder.File("program.txt");

  ASSERT_TRUE(ToolPath::Write(file, { Pose4{ 1.5, -2.25, 3.0, -45.0 } }));
  EXPECT_EQ(ReadAll(file),
    "N100G0G90G54Z3.000000\r\n"
    "N101G0G90G54X1.500000Y-2.250000\r\n"
    "N102G01X1.500000Y-2.250000Z3.000000A-45.000000F1500\r\n");

  ASSERT_TRUE(ToolPath::Write(
    file, { Pose4{ 1.5, -2.25, 3.0, -0.0 }, Pose4{ 12.5, -3.25, 4.0, 90.0 }, Pose4{} }));
  const std::vector<std::string> lines = Lines(ReadAll(file));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], "N102G01X1.500000Y-2.250000Z3.000000A-0.000000F1500");
  EXPECT_EQ(lines[3], "N103G01X12.500000Y-3.250000Z4.000000A90.000000");
  EXPECT_EQ(lines[4], "N104G01X999999.000000Y999999.000000Z999999.000000A999999.000000");

  // No poses: an empty program.
  ASSERT_TRUE(ToolPath::Write(file, {}));
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(ReadAll(file), "");
}

TEST(Write, NumbersAreWrittenAsTheCPercentFConversionWritesThem)
{
  // Rounding of the exact binary value, signs of zero, values far beyond six digits.
  const double values[] = { 0.0, -0.0, 0.1, -2.675, 5e-7, 1.5e-6, 2.5e-6, -4e-7, 0.0000015,
    123456789.987654321, 999999.0, 1e15 + 0.3, 9007199254740993.0, 1e22, 1e100,
    std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::max() };
  TempFolder folder;
  const std::string file = folder.File("numbers.txt");
  for (double v : values)
  {
    SCOPED_TRACE(CFormat(v));
    ASSERT_TRUE(ToolPath::Write(file, { Pose4{ 1, 2, 3, 4 }, Pose4{ v, 0.25, 0.25, -0.25 } }));
    const std::vector<std::string> lines = Lines(ReadAll(file));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "N103G01X" + CFormat(v) + "Y0.250000Z0.250000A-0.250000");
  }
}

TEST(Write, AProgramLineMayHold499Characters)
{
  // Each line is formatted in a buffer of 500 characters, the last kept for the terminator.
  const std::string line = "N103G01X" + CFormat(1e300) + "Y" + CFormat(1e150) + "Z" +
    CFormat(1e6) + "A" + CFormat(10.0);
  ASSERT_EQ(line.size(), 499u);
  TempFolder folder;
  const std::string file = folder.File("long.txt");
  ASSERT_TRUE(ToolPath::Write(file, { Pose4{ 1, 2, 3, 4 }, Pose4{ 1e300, 1e150, 1e6, 10.0 } }));
  const std::vector<std::string> lines = Lines(ReadAll(file));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], line);

  // One character more: nothing is written, and the previous program stays.
  const std::string previous = ReadAll(file);
  EXPECT_FALSE(
    ToolPath::Write(file, { Pose4{ 1, 2, 3, 4 }, Pose4{ 1e300, 1e150, 1e6, 100.0 } }));
  EXPECT_EQ(ReadAll(file), previous);
}

TEST(Write, NumbersKeepTheDecimalPointInACommaLocale)
{
  // An application sets the process locale from the environment; a decimal comma there must
  // not reach the program. Without an installed comma locale, a minimal one is built.
  TempFolder folder;
  const char* commaLocale = nullptr;
  for (const char* name : { "de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8" })
  {
    if (std::setlocale(LC_ALL, name))
    {
      commaLocale = name;
      break;
    }
  }
  if (!commaLocale)
  {
    WriteAll(folder.File("comma.def"),
      "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"\"\ngrouping -1\n"
      "END LC_NUMERIC\n");
    const std::string build = "localedef -c -i " + folder.File("comma.def") +
      " -f ANSI_X3.4-1968 " + folder.File("xx_COMMA") + " >/dev/null 2>&1";
    (void)std::system(build.c_str());
    ::setenv("LOCPATH", folder.File("").c_str(), 1);
    if (std::setlocale(LC_ALL, "xx_COMMA"))
    {
      commaLocale = "xx_COMMA";
    }
  }
  if (!commaLocale)
  {
    ::unsetenv("LOCPATH");
    GTEST_SKIP() << "no locale with a decimal comma could be set";
  }
  char check[16];
  std::snprintf(check, sizeof check, "%.1f", 1.5);

  const std::string file = folder.File("locale.txt");
  const bool written = ToolPath::Write(file, { Pose4{ 1.5, -2.25, 3.0, -45.0 } });
  std::setlocale(LC_ALL, "C");
  ::unsetenv("LOCPATH");
  EXPECT_STREQ(check, "1,5") << commaLocale;
  ASSERT_TRUE(written);
  EXPECT_EQ(ReadAll(file),
    "N100G0G90G54Z3.000000\r\n"
    "N101G0G90G54X1.500000Y-2.250000\r\n"
    "N102G01X1.500000Y-2.250000Z3.000000A-45.000000F1500\r\n");
}

TEST(Export, SavesTheSampledJawCutLineAsAContinuousProgram)
{
  const testsupport::SyntheticJaw jaw = testsupport::MakeSyntheticJaw();
  CutLineGenerator generator;
  generator.SetModel(jaw.mesh);
  auto spline =
    cutlinetest::ClosedSpline(generator.RebuildSmoothLoop(cutlinetest::MakePoints(jaw.gumLine)));
  std::vector<PoseDir> poses = cutlinetest::SampledPoses(spline);
  ASSERT_GT(poses.size(), 1000u);
  const std::vector<PoseDir> sampled = poses;
  EXPECT_TRUE(generator.AdjustPosesToModel(poses));
  for (size_t j = 0; j < poses.size(); ++j)
  {
    const double moved = std::sqrt(
      std::pow(poses[j].point.x - sampled[j].point.x, 2) +
      std::pow(poses[j].point.y - sampled[j].point.y, 2) +
      std::pow(poses[j].point.z - sampled[j].point.z, 2));
    EXPECT_LE(moved, 0.7 + 1e-9) << j;
  }

  TempFolder folder;
  const std::string file = folder.File("jaw.gbin");
  ASSERT_TRUE(ToolPath::Export(poses, file, true));
  const std::vector<double> values = Doubles(ReadAll(file));
  const size_t count = 2 * poses.size() + 3;
  ASSERT_EQ(values.size(), 8 + 4 * count);
  for (size_t i = 0; i < count; ++i)
  {
    const double* pose = &values[8 + 4 * i];
    for (int f = 0; f < 4; ++f)
    {
      ASSERT_TRUE(std::isfinite(pose[f]) && pose[f] != kAxisNotMoved) << i;
    }
    if (i > 0)
    {
      EXPECT_LT(std::fabs(pose[3] - pose[3 - 4]), 180.0) << i;
    }
  }
  // The lead pose lies 10 out and 10 tan30 up from the first loop pose in the turned frame.
  const double* lead = &values[8];
  const double* first = &values[12];
  EXPECT_NEAR(lead[0] - first[0], 10.0, 1e-9);
  EXPECT_NEAR(lead[1] - first[1], 0.0, 1e-9);
  EXPECT_NEAR(lead[2] - first[2], 10.0 * std::sqrt(3.0) / 3.0, 1e-9);
  EXPECT_EQ(lead[3], first[3]);
}

// Reading gum-line files without a window: which lines give points, in which order, and what a
// missing or unreadable file gives.
#include "app/GumLineFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

bool operator==(const Point3& a, const Point3& b)
{
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

std::ostream& operator<<(std::ostream& out, const Point3& p)
{
  return out << "(" << p.x << ", " << p.y << ", " << p.z << ")";
}

namespace
{

class GumLineFile : public testing::Test
{
protected:
  void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

  // Writes `bytes` as they are (no line-end translation) to `name` in the test's folder.
  QString Write(const std::string& name, const QByteArray& bytes)
  {
    const QString path = folder_.filePath(QString::fromStdString(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
  }

  QTemporaryDir folder_;
};

struct FileCase
{
  const char* what;
  const char* name;
  QByteArray bytes;
  std::vector<Point3> points;
};

} // namespace

TEST_F(GumLineFile, GivesThePointsOfTheAcceptedLinesInFileOrder)
{
  const std::vector<FileCase> cases = {
    { "x y z per line", "gum.txt", "1 2 3\n4 5 6\n-7.5 8e-1 9\n",
      { { 1, 2, 3 }, { 4, 5, 6 }, { -7.5, 0.8, 9 } } },
    { "point and normal per line, the normal ignored", "gum.pts",
      "1 2 3 0 0 1\n4 5 6 0.6 0.8 0\n", { { 1, 2, 3 }, { 4, 5, 6 } } },
    { "upper-case extension", "GUM.PTS", "1 2 3 0 0 1\n", { { 1, 2, 3 } } },
    { "three and six pieces mixed", "gum.txt", "1 2 3\n4 5 6 7 8 9\n",
      { { 1, 2, 3 }, { 4, 5, 6 } } },
    { "carriage return and line feed", "gum.txt", "1 2 3\r\n4 5 6 0 0 1\r\n",
      { { 1, 2, 3 }, { 4, 5, 6 } } },
    { "no line end after the last line", "gum.pts", "1 2 3\n4 5 6 0 0 1",
      { { 1, 2, 3 }, { 4, 5, 6 } } },
    { "signs, exponents and bare fractions", "gum.txt", "+1 -2e1 .25\n",
      { { 1, -20, 0.25 } } },
    { "empty file", "gum.txt", "", {} },
    { "only a header", "gum.txt", "x y z\n", {} },
  };
  for (const FileCase& c : cases)
  {
    SCOPED_TRACE(c.what);
    const auto points = ReadGumLinePoints(Write(c.name, c.bytes));
    ASSERT_TRUE(points.has_value());
    EXPECT_EQ(*points, c.points);
  }
}

TEST_F(GumLineFile, SkipsEveryLineThatIsNotThreeOrSixNumbersAndReadsOn)
{
  // Each line sits between two good ones: it must give no point, not even a point of zeros that
  // would pull the cut line to the origin, and the line after it must still be read.
  const std::vector<std::pair<const char*, QByteArray>> lines = {
    { "empty line", "" },
    { "two blanks between numbers", "1  2 3" },
    { "leading blank", " 1 2 3" },
    { "trailing blank", "1 2 3 " },
    { "tabs", "1\t2\t3" },
    { "four numbers", "1 2 3 4" },
    { "two numbers", "1 2" },
    { "seven numbers", "1 2 3 4 5 6 7" },
    { "a header of words", "x y z" },
    { "a scanner's comment", "# points 3" },
    { "one word among numbers", "1 2 z" },
    { "an empty piece among six", "1  2 3 4 5" },
    { "a word among the ignored three of six", "1 2 3 4 5 n" },
    { "a unit after a number", "1 2 3mm" },
    { "a decimal comma", "1,5 2 3" },
    { "not a number", "1 nan 3" },
    { "infinite", "inf 2 3" },
    { "too large for a double", "1 2 1e999" },
  };
  for (const auto& [what, line] : lines)
  {
    SCOPED_TRACE(what);
    const auto points = ReadGumLinePoints(Write("gum.txt", "1 2 3\n" + line + "\n4 5 6\n"));
    ASSERT_TRUE(points.has_value());
    EXPECT_EQ(*points, (std::vector<Point3>{ { 1, 2, 3 }, { 4, 5, 6 } }));
  }
}

TEST_F(GumLineFile, AMissingFileGivesNoValueAndOneThatCannotBeOpenedGivesNoPoints)
{
  // The window keeps its gum line for the first and empties it for the second.
  EXPECT_FALSE(ReadGumLinePoints(folder_.filePath("missing.txt")).has_value());

  ASSERT_TRUE(QDir(folder_.path()).mkdir("folder.txt"));
  const auto points = ReadGumLinePoints(folder_.filePath("folder.txt"));
  ASSERT_TRUE(points.has_value());
  EXPECT_TRUE(points->empty());
}

// The tool-path pipeline (start, loops, lead moves, machine poses with a continuous A) and the
// two file formats: the binary .gbin file and the G-code text program.
#include "cutline/ToolPath.h"

#include "cutline/CutLineGenerator.h"
#include "filereplace/FileReplace.h"
#include "geometry/UnitVectorAngle.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vtkMath.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace
{

bool IsFinite(const Pose4& pose)
{
  return std::isfinite(pose.x) && std::isfinite(pose.y) && std::isfinite(pose.z) &&
    std::isfinite(pose.a);
}

bool IsFinite(const Point3& p)
{
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// A direction needs a horizontal part at least this long to give a machine pose.
constexpr double kMinHorizontal = 1e-6;

double HorizontalLength(const Point3& direction)
{
  return std::sqrt(direction.x * direction.x + direction.y * direction.y);
}

// One program line as a C string in a buffer of 500 characters, numbers written as the C
// locale's "%f" writes them (six decimals, a point, a minus sign also on a negative zero)
// whatever locale the process runs in. A line that does not fit is marked, never cut off.
class ProgramLine
{
public:
  ProgramLine& Text(const char* text)
  {
    const size_t length = std::strlen(text);
    if (length > Room())
    {
      fits_ = false;
      return *this;
    }
    std::memcpy(text_ + length_, text, length);
    length_ += length;
    return *this;
  }

  ProgramLine& Integer(int value)
  {
    return Converted(std::to_chars(text_ + length_, text_ + length_ + Room(), value));
  }

  ProgramLine& Fixed(double value)
  {
    return Converted(std::to_chars(
      text_ + length_, text_ + length_ + Room(), value, std::chars_format::fixed, 6));
  }

  // Appends the line with its CR LF line end; false when it did not fit.
  bool AppendTo(std::string& program) const
  {
    if (!fits_)
    {
      return false;
    }
    program.append(text_, length_);
    program.append("\r\n");
    return true;
  }

private:
  // Characters still free; the last one of the buffer is kept for the terminator.
  size_t Room() const { return fits_ ? sizeof text_ - 1 - length_ : 0; }

  ProgramLine& Converted(std::to_chars_result result)
  {
    if (result.ec != std::errc())
    {
      fits_ = false;
    }
    else
    {
      length_ = static_cast<size_t>(result.ptr - text_);
    }
    return *this;
  }

  char text_[500];
  size_t length_ = 0;
  bool fits_ = true;
};

// G-code: rapid to the first pose's Z, then to its X and Y, then a linear move through every
// pose, the feed given once on the first.
bool FormatProgram(const std::vector<Pose4>& poses, std::string& program)
{
  int number = 100;
  for (size_t i = 0; i < poses.size(); ++i)
  {
    const Pose4& p = poses[i];
    if (i == 0)
    {
      ProgramLine rapidZ;
      rapidZ.Text("N").Integer(number).Text("G0G90G54Z").Fixed(p.z);
      ProgramLine rapidXY;
      rapidXY.Text("N").Integer(number + 1).Text("G0G90G54X").Fixed(p.x).Text("Y").Fixed(p.y);
      if (!rapidZ.AppendTo(program) || !rapidXY.AppendTo(program))
      {
        return false;
      }
      number += 2;
    }
    ProgramLine line;
    line.Text("N").Integer(number).Text("G01X").Fixed(p.x).Text("Y").Fixed(p.y);
    line.Text("Z").Fixed(p.z).Text("A").Fixed(p.a);
    if (i == 0)
    {
      line.Text("F1500");
    }
    if (!line.AppendTo(program))
    {
      return false;
    }
    number += 1;
  }
  return true;
}

// One IEEE-754 double, least significant byte first, whatever the host's byte order.
void AppendDouble(std::string& bytes, double value)
{
  static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8,
    "the tool-path file stores IEEE-754 doubles");
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int b = 0; b < 8; ++b)
  {
    bytes.push_back(static_cast<char>((bits >> (8 * b)) & 0xffu));
  }
}

// The binary file: a Z-alone record and an X-and-Y-alone record to the first pose, then
// x, y, z, a of every pose.
std::string EncodeBinary(const std::vector<Pose4>& poses)
{
  std::string bytes;
  bytes.reserve(64 + 32 * poses.size());
  const Pose4& first = poses.front();
  for (double v : { kAxisNotMoved, kAxisNotMoved, first.z, kAxisNotMoved, first.x, first.y,
         kAxisNotMoved, kAxisNotMoved })
  {
    AppendDouble(bytes, v);
  }
  for (const Pose4& p : poses)
  {
    AppendDouble(bytes, p.x);
    AppendDouble(bytes, p.y);
    AppendDouble(bytes, p.z);
    AppendDouble(bytes, p.a);
  }
  return bytes;
}

} // namespace

namespace ToolPath
{

bool Export(const std::vector<PoseDir>& poses, const std::string& path, bool twoLoops)
{
  // An undefined point or direction would become a wrong but finite machine pose, and a
  // direction without a horizontal part (coincident neighbours give a zero one) has no A angle:
  // its pose would command 999999 on every axis in the middle of the path. Such a cut line is
  // not exported at all.
  for (const PoseDir& entry : poses)
  {
    if (!IsFinite(entry.point) || !IsFinite(entry.direction) ||
      !(HorizontalLength(entry.direction) >= kMinHorizontal))
    {
      return false;
    }
  }

  std::vector<PoseDir> list;
  RotateToStart(poses, list);
  if (twoLoops)
  {
    DoubleLoop(list);
  }
  AddLeadInOut(list);

  std::vector<Pose4> machine;
  machine.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i)
  {
    Pose4 pose;
    ComputeAxisPose(list[i], pose);
    if (i >= 1)
    {
      pose.a = UnwrapAngle(pose.a, machine.back().a);
    }
    machine.push_back(pose);
  }
  return Write(path, machine);
}

double UnwrapAngle(double a, double previous)
{
  // Up to three turns either way: the first count from -3 up that brings `a` within 180.
  for (int k = -3; k <= 3; ++k)
  {
    const double candidate = a + 360.0 * k;
    if (std::fabs(candidate - previous) < 180.0)
    {
      return candidate;
    }
  }
  // Further away, or exactly half a turn off: the nearest of the whole-turn counts around
  // (previous - a) / 360, and of two equally near ones (both 180 away) the one with fewer turns,
  // which is `a` itself when it is one of them.
  const double turns = std::round((previous - a) / 360.0);
  if (!std::isfinite(turns))
  {
    return a;
  }
  double best = a;
  double bestGap = std::numeric_limits<double>::infinity();
  double bestTurns = 0.0;
  for (double k = turns - 1.0; k <= turns + 1.0; k += 1.0)
  {
    const double candidate = a + 360.0 * k;
    const double gap = std::fabs(candidate - previous);
    if (gap < bestGap || (gap == bestGap && std::fabs(k) < std::fabs(bestTurns)))
    {
      best = candidate;
      bestGap = gap;
      bestTurns = k;
    }
  }
  return best;
}

void RotateToStart(const std::vector<PoseDir>& in, std::vector<PoseDir>& out)
{
  double best = 180.0;
  size_t start = 0;
  for (size_t i = 0; i < in.size(); ++i)
  {
    const Point3& p = in[i].point;
    const Point3& d = in[i].direction;
    if (p.x >= 0.0 && p.y >= 0.0 && d.x >= 0.0 && d.y >= 0.0)
    {
      // The dot product with +X.
      const double angle = AngleFromCosine(d.x);
      if (angle < best)
      {
        best = angle;
        start = i;
      }
    }
  }

  std::vector<PoseDir> turned;
  turned.reserve(in.size());
  for (size_t j = 0; j < in.size(); ++j)
  {
    turned.push_back(in[(start + j) % in.size()]);
  }
  out.swap(turned);
}

void DoubleLoop(std::vector<PoseDir>& path)
{
  const std::vector<PoseDir> loop = path;
  path.insert(path.end(), loop.begin(), loop.end());
}

void AddLeadInOut(std::vector<PoseDir>& path)
{
  if (path.size() < 3)
  {
    return;
  }
  const PoseDir& first = path.front();
  const double k = ToolAxisSlope();
  // 10 along the unnormalised tilted axis d + (0, 0, k) of the first entry.
  PoseDir lead;
  lead.point = Point3{ first.point.x + 10.0 * first.direction.x,
    first.point.y + 10.0 * first.direction.y, first.point.z + 10.0 * first.direction.z + 10.0 * k };
  lead.direction = first.direction;

  path.insert(path.begin(), lead);
  const PoseDir pastStart = path[2];
  path.push_back(pastStart);
  path.push_back(lead);
}

bool ComputeAxisPose(PoseDir entry, Pose4& out)
{
  // The direction projected onto the plane z = 0.
  double hx = entry.direction.x;
  double hy = entry.direction.y;
  const double length = HorizontalLength(entry.direction);
  // An undefined direction has no usable horizontal part either.
  if (!(length >= kMinHorizontal) || !std::isfinite(length))
  {
    return false;
  }
  hx /= length;
  hy /= length;

  const double r0 = AngleFromCosine(hx);
  Point3 p = entry.point;
  double r = r0;
  if (std::fabs(r0) > 1e-9)
  {
    r = hy > 0.0 ? -r0 : r0;
    // Right-handed turn about +Z by r degrees.
    const double radians = r * vtkMath::Pi() / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    p = Point3{ c * entry.point.x - s * entry.point.y, s * entry.point.x + c * entry.point.y,
      entry.point.z };
  }
  out.x = p.x;
  out.y = p.y;
  out.z = p.z;
  out.a = -r;
  return true;
}

bool Write(std::string path, const std::vector<Pose4>& poses)
{
  if (path.empty())
  {
    return false;
  }
  for (const Pose4& pose : poses)
  {
    if (!IsFinite(pose))
    {
      return false;
    }
  }

  std::string bytes;
  const QString name = QString::fromUtf8(path.data(), static_cast<int>(path.size()));
  if (name.endsWith(".txt", Qt::CaseInsensitive))
  {
    if (!FormatProgram(poses, bytes))
    {
      return false;
    }
  }
  else
  {
    if (poses.size() < 3)
    {
      return false;
    }
    bytes = EncodeBinary(poses);
  }
  // The name is the local 8-bit file name; the program replaces the file only as a whole.
  return ReplaceFile(QFile::decodeName(QByteArray(path.data(), static_cast<int>(path.size()))),
           bytes) == ReplaceResult::Replaced;
}

} // namespace ToolPath

// The tool-path pipeline (start, loops, lead moves, machine poses with a continuous A) and the
// two file formats: the binary .gbin file and the G-code text program.
#include "cutline/ToolPath.h"

#include "cutline/CutLineGenerator.h"

#include <QString>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <locale.h>
#include <unistd.h>

namespace
{

// Angle in degrees between unit vectors whose dot product is `c`; a dot product of magnitude
// 1 counts as equal only within 0.0001 of +1, else as opposite.
double AngleFromCosine(double c)
{
  if (std::fabs(c) < 1.0)
  {
    return std::acos(c) * 180.0 / M_PI;
  }
  return std::fabs(c - 1.0) < 0.0001 ? 0.0 : 180.0;
}

// Brings `a` within 180 degrees of the previous pose's angle by whole turns, trying -3 to +3
// turns in this order; an angle that no turn brings close enough stays as it is.
double UnwrapAngle(double a, double previous)
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

bool IsFinite(const Pose4& pose)
{
  return std::isfinite(pose.x) && std::isfinite(pose.y) && std::isfinite(pose.z) &&
    std::isfinite(pose.a);
}

bool IsFinite(const Point3& p)
{
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The C locale for the calling thread while it lives, so that "%f" always writes a decimal
// point whatever locale the process runs in.
class CNumberLocale
{
public:
  CNumberLocale()
    : c_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr)))
  {
    if (c_)
    {
      previous_ = uselocale(c_);
    }
  }
  ~CNumberLocale()
  {
    if (c_)
    {
      uselocale(previous_);
      freelocale(c_);
    }
  }
  CNumberLocale(const CNumberLocale&) = delete;
  CNumberLocale& operator=(const CNumberLocale&) = delete;

  bool Active() const { return c_ != static_cast<locale_t>(nullptr); }

private:
  locale_t c_;
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

// Formats one program line into a 500-character buffer and appends it with its CR LF line
// end. False when the line does not fit: a cut-off line must never reach the machine.
template <typename... Values>
bool AppendLine(std::string& program, const char* format, Values... values)
{
  char line[500];
  const int length = std::snprintf(line, sizeof line, format, values...);
  if (length < 0 || length >= static_cast<int>(sizeof line))
  {
    return false;
  }
  program.append(line, static_cast<size_t>(length));
  program.append("\r\n");
  return true;
}

// G-code: rapid to the first pose's Z, then to its X and Y, then a linear move through every
// pose, the feed given once on the first.
bool FormatProgram(const std::vector<Pose4>& poses, std::string& program)
{
  CNumberLocale locale;
  if (!locale.Active())
  {
    return false;
  }
  int number = 100;
  for (size_t i = 0; i < poses.size(); ++i)
  {
    const Pose4& p = poses[i];
    bool ok;
    if (i == 0)
    {
      ok = AppendLine(program, "N%dG0G90G54Z%f", number, p.z) &&
        AppendLine(program, "N%dG0G90G54X%fY%f", number + 1, p.x, p.y) &&
        AppendLine(program, "N%dG01X%fY%fZ%fA%fF1500", number + 2, p.x, p.y, p.z, p.a);
      number += 2;
    }
    else
    {
      ok = AppendLine(program, "N%dG01X%fY%fZ%fA%f", number, p.x, p.y, p.z, p.a);
    }
    if (!ok)
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

// A file written beside its target under a name of its own and moved over the target only
// once every byte is on disk; it is removed again if it never gets there.
class PendingFile
{
public:
  explicit PendingFile(const std::string& target)
    : target_(target)
  {
  }
  ~PendingFile()
  {
    if (fd_ >= 0)
    {
      ::close(fd_);
    }
    if (!name_.empty())
    {
      std::remove(name_.c_str());
    }
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Creates the file, never reusing one that exists; permissions as for any new file.
  bool Open()
  {
    static std::atomic<unsigned> serial{ 0 };
    for (int attempt = 0; attempt < 100; ++attempt)
    {
      const std::string name = target_ + ".tmp-" + std::to_string(::getpid()) + "-" +
        std::to_string(serial.fetch_add(1));
      fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0)
      {
        name_ = name;
        return true;
      }
      if (errno != EEXIST)
      {
        return false;
      }
    }
    return false;
  }

  bool Write(const std::string& bytes)
  {
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0)
    {
      const ssize_t written = ::write(fd_, data, left);
      if (written < 0)
      {
        if (errno == EINTR)
        {
          continue;
        }
        return false;
      }
      data += written;
      left -= static_cast<size_t>(written);
    }
    return true;
  }

  // Flushes, closes and renames over the target; false leaves the target as it was.
  bool Commit()
  {
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed || std::rename(name_.c_str(), target_.c_str()) != 0)
    {
      return false;
    }
    name_.clear();
    return true;
  }

private:
  std::string target_;
  std::string name_;
  int fd_ = -1;
};

bool ReplaceFile(const std::string& path, const std::string& bytes)
{
  PendingFile file(path);
  return file.Open() && file.Write(bytes) && file.Commit();
}

} // namespace

namespace ToolPath
{

bool Export(const std::vector<PoseDir>& poses, const std::string& path, bool twoLoops)
{
  // An undefined point or direction (degenerate tangents) would become a wrong but finite
  // machine pose: such a cut line is not exported at all.
  for (const PoseDir& entry : poses)
  {
    if (!IsFinite(entry.point) || !IsFinite(entry.direction))
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
  const double length = std::sqrt(hx * hx + hy * hy);
  // An undefined direction has no usable horizontal part either.
  if (!(length >= 1e-6) || !std::isfinite(length))
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
    const double radians = r * M_PI / 180.0;
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
  return ReplaceFile(path, bytes);
}

} // namespace ToolPath

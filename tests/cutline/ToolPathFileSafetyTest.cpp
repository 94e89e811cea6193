// Tool-path files that cannot or must not be written: nothing is written then, an existing
// file keeps its contents, link and permissions, and a write that fails part way leaves no trace.
#include "cutline/CutLineGenerator.h"
#include "cutline/CutLineRules.h"
#include "cutline/ToolPath.h"
#include "tests/cutline/ToolPathFixtures.h"
#include "tests/support/TempFolder.h"

#include <vtkMath.h>
#include <vtkPoints.h>
#include <vtkSmartPointer.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

using cutlinetest::kInf;
using cutlinetest::kNaN;
using cutlinetest::LeftLoop;
using cutlinetest::SomePoses;
using testsupport::ReadAll;
using testsupport::TempFolder;
using testsupport::WriteAll;

fs::perms Mode(const std::string& path)
{
  return fs::status(path).permissions() & fs::perms::mask;
}

// Runs `call` with file permissions in force and gives its result: in this process, or, for
// root (whom permission bits do not stop), in a child process that runs as "nobody". False in
// `ran` when there is no such account or the child could not become it.
bool WithoutPrivileges(const std::function<bool()>& call, bool& ran)
{
  ran = true;
  if (::geteuid() != 0)
  {
    return call();
  }
  const passwd* nobody = ::getpwnam("nobody");
  if (!nobody)
  {
    ran = false;
    return false;
  }
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  const pid_t child = ::fork();
  if (child == 0)
  {
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
    {
      ::_exit(3);
    }
    ::_exit(call() ? 1 : 0);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
    WEXITSTATUS(status) > 1)
  {
    ran = false;
    return false;
  }
  return WEXITSTATUS(status) == 1;
}

} // namespace

TEST(Write, WritesNothingAndLeavesAnExistingFileForPosesItCannotWrite)
{
  TempFolder folder;
  const std::string previous = "the previous program";

  // The binary file needs at least three poses.
  for (int n : { 0, 1, 2 })
  {
    SCOPED_TRACE(n);
    EXPECT_FALSE(ToolPath::Write(folder.File("new.gbin"), SomePoses(n)));
    EXPECT_FALSE(fs::exists(folder.File("new.gbin")));
    WriteAll(folder.File("old.gbin"), previous);
    EXPECT_FALSE(ToolPath::Write(folder.File("old.gbin"), SomePoses(n)));
    EXPECT_EQ(ReadAll(folder.File("old.gbin")), previous);
  }

  // A non-finite value in any field, in either format. A finite value too long for a program
  // line would be cut off, so the program is not written either.
  struct Case
  {
    const char* name;
    std::vector<double Pose4::*> fields;
    double value;
    bool binaryWritten;
  };
  const Case cases[] = {
    { "NaN x", { &Pose4::x }, kNaN, false },
    { "infinite z", { &Pose4::z }, kInf, false },
    { "-infinite a", { &Pose4::a }, -kInf, false },
    { "NaN a", { &Pose4::a }, kNaN, false },
    { "1e300 in x and y", { &Pose4::x, &Pose4::y }, 1e300, true },
  };
  for (const Case& c : cases)
  {
    for (const char* name : { "bad.txt", "bad.gbin" })
    {
      SCOPED_TRACE(::testing::Message() << c.name << " into " << name);
      const std::string file = folder.File(name);
      WriteAll(file, previous);
      std::vector<Pose4> poses = SomePoses(4);
      for (double Pose4::*field : c.fields)
      {
        poses[3].*field = c.value;
      }
      const bool binary = std::strstr(name, ".gbin") != nullptr;
      EXPECT_EQ(ToolPath::Write(file, poses), binary && c.binaryWritten);
      if (!(binary && c.binaryWritten))
      {
        EXPECT_EQ(ReadAll(file), previous);
      }
    }
  }
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{ "bad.gbin", "bad.txt", "old.gbin" }));
}

TEST(Write, FailsWithoutHarmWhereTheFileCannotBeWritten)
{
  TempFolder folder;
  WriteAll(folder.File("plain"), "a regular file");
  fs::create_directory(folder.File("folder.gbin"));
  const std::vector<std::string> before = folder.Entries();

  for (const std::string& name : { std::string("missing/x.gbin"), std::string("plain/x.txt"),
         std::string("folder.gbin") })
  {
    SCOPED_TRACE(name);
    EXPECT_FALSE(ToolPath::Write(folder.File(name), SomePoses(5)));
    EXPECT_EQ(folder.Entries(), before);
  }
  EXPECT_TRUE(fs::is_directory(folder.File("folder.gbin")));
  EXPECT_TRUE(fs::is_empty(folder.File("folder.gbin")));
  EXPECT_FALSE(ToolPath::Write("", SomePoses(5)));
}

TEST(Write, ReplacesTheContentsButKeepsTheFileItself)
{
  TempFolder folder;
  const std::string previous = "the previous program";

  // A link is written through: it stays a link, and the file it names gets the program.
  WriteAll(folder.File("real.gbin"), previous);
  fs::create_symlink("real.gbin", folder.File("link.gbin"));
  ASSERT_TRUE(ToolPath::Write(folder.File("link.gbin"), SomePoses(3)));
  EXPECT_TRUE(fs::is_symlink(folder.File("link.gbin")));
  EXPECT_EQ(fs::read_symlink(folder.File("link.gbin")), "real.gbin");
  EXPECT_EQ(ReadAll(folder.File("real.gbin")).size(), 160u);

  // The file keeps its permissions, in either format.
  for (const char* name : { "shared.gbin", "shared.txt" })
  {
    SCOPED_TRACE(name);
    const std::string file = folder.File(name);
    WriteAll(file, previous);
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write |
      fs::perms::group_read | fs::perms::group_write | fs::perms::others_read;
    fs::permissions(file, mode);
    ASSERT_TRUE(ToolPath::Write(file, SomePoses(3)));
    EXPECT_NE(ReadAll(file), previous);
    EXPECT_EQ(Mode(file), mode);
  }
  EXPECT_EQ(folder.Entries(),
    (std::vector<std::string>{ "link.gbin", "real.gbin", "shared.gbin", "shared.txt" }));
}

TEST(Write, RefusesAFileOrFolderThatMayNotBeWritten)
{
  // A folder in which no file may be made, holding a file that may be written: the program is
  // never written into the file in place, where a failure would leave it cut off. And a file
  // that may not be written, in a folder where it could be replaced.
  TempFolder folder;
  fs::permissions(folder.Path(), fs::perms::owner_all | fs::perms::group_read |
      fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const std::string previous = "the previous program";
  fs::create_directory(folder.File("locked"));
  fs::create_directory(folder.File("open"));
  WriteAll(folder.File("locked/cut.gbin"), previous);
  WriteAll(folder.File("locked/cut.txt"), previous);
  WriteAll(folder.File("open/cut.gbin"), previous);
  WriteAll(folder.File("open/cut.txt"), previous);
  const fs::perms everyone = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  const fs::perms writable = everyone | fs::perms::owner_write | fs::perms::group_write |
    fs::perms::others_write;
  for (const char* name : { "locked/cut.gbin", "locked/cut.txt" })
  {
    fs::permissions(folder.File(name), writable);
  }
  for (const char* name : { "open/cut.gbin", "open/cut.txt" })
  {
    fs::permissions(folder.File(name), everyone);
  }
  const fs::perms enter = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  fs::permissions(folder.File("locked"), everyone | enter);
  fs::permissions(folder.File("open"), writable | enter);

  for (const char* name :
    { "locked/cut.gbin", "locked/cut.txt", "locked/new.gbin", "open/cut.gbin", "open/cut.txt" })
  {
    SCOPED_TRACE(name);
    const std::string file = folder.File(name);
    const bool existed = fs::exists(file);
    const fs::perms mode = existed ? Mode(file) : fs::perms::none;
    bool ran = false;
    const bool written =
      WithoutPrivileges([&] { return ToolPath::Write(file, SomePoses(5)); }, ran);
    if (!ran)
    {
      GTEST_SKIP() << "no unprivileged account to write as";
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(fs::exists(file), existed);
    if (existed)
    {
      EXPECT_EQ(ReadAll(file), previous);
      EXPECT_EQ(Mode(file), mode);
    }
  }
  std::vector<std::string> left;
  for (const char* sub : { "locked", "open" })
  {
    for (const auto& entry : fs::directory_iterator(folder.File(sub)))
    {
      left.push_back(std::string(sub) + "/" + entry.path().filename().string());
    }
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{ "locked/cut.gbin", "locked/cut.txt",
                    "open/cut.gbin", "open/cut.txt" }));
}

TEST(Write, AWriteThatFailsPartWayLeavesTheExistingFileUntouched)
{
  TempFolder folder;
  const std::string previous = "the previous program";
  const std::vector<Pose4> poses = SomePoses(50);

  // Files may grow to 100 bytes only (this holds for root too); the write then fails with
  // EFBIG instead of the signal.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 100;
  const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  bool written[2];
  const char* names[2] = { "cut.gbin", "cut.txt" };
  for (int i = 0; i < 2; ++i)
  {
    WriteAll(folder.File(names[i]), previous);
    ::setrlimit(RLIMIT_FSIZE, &small);
    written[i] = ToolPath::Write(folder.File(names[i]), poses);
    ::setrlimit(RLIMIT_FSIZE, &saved);
  }
  std::signal(SIGXFSZ, savedHandler);

  for (int i = 0; i < 2; ++i)
  {
    SCOPED_TRACE(names[i]);
    EXPECT_FALSE(written[i]);
    EXPECT_EQ(ReadAll(folder.File(names[i])), previous);
  }
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{ "cut.gbin", "cut.txt" }));

  // Without the limit the same write replaces the file completely.
  ASSERT_TRUE(ToolPath::Write(folder.File("cut.gbin"), SomePoses(3)));
  EXPECT_EQ(ReadAll(folder.File("cut.gbin")).size(), 160u);
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{ "cut.gbin", "cut.txt" }));
}

TEST(Export, ReportsWhetherTheProgramWasWritten)
{
  TempFolder folder;
  // Two entries once round get no lead moves: too few poses for the binary file.
  EXPECT_FALSE(ToolPath::Export(LeftLoop({ 10, 20 }), folder.File("two.gbin"), false));
  EXPECT_FALSE(ToolPath::Export(LeftLoop({ 10 }), folder.File("one.gbin"), true));
  // An undefined direction, or one without a horizontal part, never reaches the machine: it
  // has no A angle, and its pose would command 999999 on every axis in mid-path.
  for (const std::string& name : { std::string("bad.gbin"), std::string("bad.txt") })
  {
    SCOPED_TRACE(name);
    std::vector<PoseDir> undefined = LeftLoop({ 10, 20, 30 });
    undefined[1].direction = Point3{ kNaN, kNaN, 0.0 };
    EXPECT_FALSE(ToolPath::Export(undefined, folder.File(name), false));
    undefined = LeftLoop({ 10, 20, 30 });
    undefined[2].point.z = kNaN;
    EXPECT_FALSE(ToolPath::Export(undefined, folder.File(name), true));
    for (const Point3& upright : { Point3{ 0, 0, 0 }, Point3{ 0, 0, 1 }, Point3{ 1e-7, 0, -1 } })
    {
      std::vector<PoseDir> entries = LeftLoop({ 10, 20, 30, 40 });
      entries[2].direction = upright;
      EXPECT_FALSE(ToolPath::Export(entries, folder.File(name), false));
    }
  }
  EXPECT_TRUE(folder.Entries().empty());

  // Neighbours that coincide give a zero direction: on a circle of twice the direction window,
  // every sample's neighbours a window before and after are the same point. Such poses are
  // finite, but none of them can be turned into a machine pose.
  auto circle = vtkSmartPointer<vtkPoints>::New();
  for (int i = 0; i < 120; ++i)
  {
    const double t = 2.0 * vtkMath::Pi() * i / 120;
    circle->InsertNextPoint(10.0 * std::cos(t), 10.0 * std::sin(t), 3.0);
  }
  const std::vector<PoseDir> zero = CutLineRules::PosesAlong(circle);
  ASSERT_EQ(zero.size(), 120u);
  for (size_t i = 0; i < zero.size(); ++i)
  {
    ASSERT_EQ(std::hypot(zero[i].direction.x, zero[i].direction.y), 0.0) << i;
  }
  for (const std::string& name : { std::string("zero.gbin"), std::string("zero.txt") })
  {
    EXPECT_FALSE(ToolPath::Export(zero, folder.File(name), true));
  }
  EXPECT_TRUE(folder.Entries().empty());

  ASSERT_TRUE(ToolPath::Export(LeftLoop({ 10, 20, 30 }), folder.File("three.gbin"), false));
  EXPECT_EQ(ReadAll(folder.File("three.gbin")).size(), 64u + 6 * 32u);
}

// The checked file replace on its own: the bytes arrive exactly, a link and the permissions
// are kept, and a file that cannot be made is told apart from one that cannot be finished,
// with the target untouched and nothing left beside it.
#include "filereplace/FileReplace.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace
{

using testsupport::ReadAll;
using testsupport::TempFolder;
using testsupport::WriteAll;

ReplaceResult Replace(const std::string& path, const std::string& bytes, QString* reason)
{
  return ReplaceFile(QString::fromStdString(path), bytes, reason);
}

} // namespace

TEST(ReplaceFile, WritesTheBytesAsTheyAreAndKeepsTheFileItself)
{
  TempFolder folder;
  const std::string previous = "previous contents\n";
  // No text mode and no stop at a NUL byte; an empty file replaces a full one.
  const std::string contents[] = { std::string("a\nb\r\nc", 6), std::string("\0\x01\xff\n", 4),
    std::string(), std::string(300000, 'x') };
  for (const std::string& bytes : contents)
  {
    SCOPED_TRACE(bytes.size());
    fs::remove(folder.File("new"));
    EXPECT_EQ(Replace(folder.File("new"), bytes, nullptr), ReplaceResult::Replaced);
    EXPECT_EQ(ReadAll(folder.File("new")), bytes);
    WriteAll(folder.File("old"), previous);
    EXPECT_EQ(Replace(folder.File("old"), bytes, nullptr), ReplaceResult::Replaced);
    EXPECT_EQ(ReadAll(folder.File("old")), bytes);
  }

  // Through a link: the link stays, the file it names gets the bytes and keeps its mode.
  WriteAll(folder.File("real"), previous);
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write |
    fs::perms::group_read | fs::perms::group_write | fs::perms::others_read;
  fs::permissions(folder.File("real"), mode);
  fs::create_symlink("real", folder.File("link"));
  EXPECT_EQ(Replace(folder.File("link"), "through the link", nullptr), ReplaceResult::Replaced);
  EXPECT_EQ(fs::read_symlink(folder.File("link")), "real");
  EXPECT_EQ(ReadAll(folder.File("real")), "through the link");
  EXPECT_EQ(fs::status(folder.File("real")).permissions() & fs::perms::mask, mode);
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{ "link", "new", "old", "real" }));
}

TEST(ReplaceFile, TellsAFileThatCannotBeMadeFromOneThatCannotBeFinished)
{
  TempFolder folder;
  const std::string previous = "previous contents\n";
  WriteAll(folder.File("plain"), previous);
  fs::create_directory(folder.File("folder"));
  const std::vector<std::string> before = folder.Entries();

  // No new file can be made beside these targets, or the target is no file.
  for (const char* name : { "missing/x", "plain/x", "folder" })
  {
    SCOPED_TRACE(name);
    QString reason;
    EXPECT_EQ(Replace(folder.File(name), "new contents", &reason), ReplaceResult::NotOpened);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(folder.Entries(), before);
  }
  EXPECT_TRUE(fs::is_empty(folder.File("folder")));

  // Files may grow to 100 bytes only: the new file is made but cannot be finished. The write
  // then fails with EFBIG instead of the signal.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 100;
  const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  QString reason;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const ReplaceResult result = Replace(folder.File("plain"), std::string(1000, 'y'), &reason);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);
  EXPECT_EQ(result, ReplaceResult::NotWritten);
  EXPECT_FALSE(reason.isEmpty());
  EXPECT_EQ(ReadAll(folder.File("plain")), previous);
  EXPECT_EQ(folder.Entries(), before);
}

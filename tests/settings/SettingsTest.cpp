// The two INI files in <home>/Velmora/, read and written with a temporary home folder.
#include "settings/Settings.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace
{

// Points HOME (and so the settings files) at a fresh folder holding an empty Velmora folder.
class SettingsFiles : public testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(home_.IsValid());
    ASSERT_TRUE(std::filesystem::create_directory(home_.File("Velmora")));
  }

  QString File(const char* name) const
  {
    return QString::fromStdString(home_.File("Velmora/") + name);
  }

  testsupport::TempHome home_;
};

} // namespace

TEST_F(SettingsFiles, MissingFilesGiveEmptyValues)
{
  QString path = "unchanged";
  loadGcodeFileDirPath(path);
  EXPECT_TRUE(path.isEmpty());

  QString user = "u";
  QString password = "p";
  EXPECT_TRUE(loadCredentials(user, password));
  EXPECT_TRUE(user.isEmpty());
  EXPECT_TRUE(password.isEmpty());
}

TEST_F(SettingsFiles, ValuesRoundTripExactly)
{
  const QString folder = QString::fromUtf8("/data/模型/Überweisung 2026");
  saveGcodeFileDirPath(folder);
  QString path;
  loadGcodeFileDirPath(path);
  EXPECT_EQ(path, folder);
  EXPECT_TRUE(QFile::exists(File("GcodeFileDirPath.ini")));

  EXPECT_TRUE(saveCredentials("dr.wang", "  pass word  "));
  QString user;
  QString password;
  EXPECT_TRUE(loadCredentials(user, password));
  EXPECT_EQ(user, "dr.wang");
  EXPECT_EQ(password, "  pass word  ");
}

TEST_F(SettingsFiles, UnreadableCredentialsGiveFalseAndEmptyStrings)
{
  // A folder in place of the file cannot be opened, also not by root.
  ASSERT_TRUE(std::filesystem::create_directory(home_.File("Velmora/credentials.ini")));
  QString user = "u";
  QString password = "p";
  EXPECT_FALSE(loadCredentials(user, password));
  EXPECT_TRUE(user.isEmpty());
  EXPECT_TRUE(password.isEmpty());
  EXPECT_FALSE(saveCredentials("a", "b"));
}

// The credentials file holds the password in plain text: both files are made owner-only,
// stay so when Qt replaces them, and an older world-readable file is tightened when read.
TEST_F(SettingsFiles, BothFilesAreOwnerOnly)
{
  const mode_t oldMask = ::umask(022);
  const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
  const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
    | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
  const auto othersOf = [&](const char* name) { return QFile(File(name)).permissions() & others; };

  EXPECT_TRUE(saveCredentials("dr.wang", "secret"));
  saveGcodeFileDirPath("/data/models");
  for (const char* name : { "credentials.ini", "GcodeFileDirPath.ini" })
  {
    EXPECT_EQ(QFile(File(name)).permissions() & (ownerOnly | others), ownerOnly) << name;
  }
  // Written again (Qt writes a new file and renames it over the old one).
  EXPECT_TRUE(saveCredentials("dr.li", "secret2"));
  saveGcodeFileDirPath("/data/other");
  EXPECT_EQ(othersOf("credentials.ini"), QFile::Permissions());
  EXPECT_EQ(othersOf("GcodeFileDirPath.ini"), QFile::Permissions());

  // Files that an earlier version left readable by all lose those rights, values intact.
  for (const char* name : { "credentials.ini", "GcodeFileDirPath.ini" })
  {
    ASSERT_TRUE(QFile::setPermissions(File(name), ownerOnly | QFile::ReadGroup | QFile::ReadOther));
  }
  QString user;
  QString password;
  EXPECT_TRUE(loadCredentials(user, password));
  EXPECT_EQ(user, "dr.li");
  EXPECT_EQ(password, "secret2");
  QString folder;
  loadGcodeFileDirPath(folder);
  EXPECT_EQ(folder, "/data/other");
  EXPECT_EQ(othersOf("credentials.ini"), QFile::Permissions());
  EXPECT_EQ(othersOf("GcodeFileDirPath.ini"), QFile::Permissions());

  // Reading creates nothing.
  ASSERT_TRUE(QFile::remove(File("credentials.ini")));
  EXPECT_TRUE(loadCredentials(user, password));
  EXPECT_FALSE(QFile::exists(File("credentials.ini")));
  ::umask(oldMask);
}

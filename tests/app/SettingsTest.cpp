// The two INI files in <home>/Velmora/, read and written with a temporary home folder.
#include "app/Settings.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>

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

#include "app/Settings.h"

#include <QDir>
#include <QSettings>
#include <QVariant>

namespace
{

QString SettingsFile(const QString& name)
{
  return QDir::homePath() + "/" + "Velmora" + "/" + name;
}

} // namespace

void loadGcodeFileDirPath(QString& path)
{
  QSettings settings(SettingsFile("GcodeFileDirPath.ini"), QSettings::IniFormat);
  path = settings.value("GcodeFileDirPath/path", QString()).toString();
}

void saveGcodeFileDirPath(const QString& path)
{
  QSettings settings(SettingsFile("GcodeFileDirPath.ini"), QSettings::IniFormat);
  settings.beginGroup("GcodeFileDirPath");
  settings.setValue("path", path);
  settings.endGroup();
}

bool loadCredentials(QString& username, QString& password)
{
  QSettings settings(SettingsFile("credentials.ini"), QSettings::IniFormat);
  if (settings.status() != QSettings::NoError)
  {
    username.clear();
    password.clear();
    return false;
  }
  username = settings.value("credentials/username", QString()).toString();
  password = settings.value("credentials/password", QString()).toString();
  return true;
}

bool saveCredentials(QString username, QString password)
{
  QSettings settings(SettingsFile("credentials.ini"), QSettings::IniFormat);
  if (settings.status() != QSettings::NoError)
  {
    return false;
  }
  settings.setValue("credentials/username", username);
  settings.setValue("credentials/password", password);
  settings.sync();
  return settings.status() == QSettings::NoError;
}

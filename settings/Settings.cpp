#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>

#include <fcntl.h>
#include <unistd.h>

namespace
{

QString SettingsFile(const QString& name)
{
  return QDir::homePath() + "/" + "Velmora" + "/" + name;
}

// The files hold the remembered password in plain text, so they are made owner-only and
// kept so: a missing file is created empty with mode 0600 before Qt writes it (Qt then keeps
// the mode of the file it replaces), and group and others lose any rights an existing file
// has. Nothing else changes: an unreadable file stays unreadable. Returns the file's path.
QString OwnerOnly(const QString& name, bool createWhenMissing)
{
  const QString path = SettingsFile(name);
  if (createWhenMissing)
  {
    const int descriptor =
      ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor >= 0)
    {
      ::close(descriptor);
    }
  }
  QFile file(path);
  const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
    | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
  if (QFileInfo(path).isFile() && (file.permissions() & others))
  {
    file.setPermissions(file.permissions() & ~others);
  }
  return path;
}

} // namespace

void loadGcodeFileDirPath(QString& path)
{
  QSettings settings(OwnerOnly("GcodeFileDirPath.ini", false), QSettings::IniFormat);
  path = settings.value("GcodeFileDirPath/path", QString()).toString();
}

void saveGcodeFileDirPath(const QString& path)
{
  QSettings settings(OwnerOnly("GcodeFileDirPath.ini", true), QSettings::IniFormat);
  settings.beginGroup("GcodeFileDirPath");
  settings.setValue("path", path);
  settings.endGroup();
}

bool loadCredentials(QString& username, QString& password)
{
  QSettings settings(OwnerOnly("credentials.ini", false), QSettings::IniFormat);
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
  QSettings settings(OwnerOnly("credentials.ini", true), QSettings::IniFormat);
  if (settings.status() != QSettings::NoError)
  {
    return false;
  }
  settings.setValue("credentials/username", username);
  settings.setValue("credentials/password", password);
  settings.sync();
  return settings.status() == QSettings::NoError;
}

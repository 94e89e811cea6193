// The checked file replace that every file the program writes goes through.
#include "filereplace/FileReplace.h"

#include <QSaveFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace
{

// Makes the file's contents durable; false when the system reports that it could not.
bool SyncToDisk(QSaveFile& file)
{
#ifdef Q_OS_WIN
  return ::_commit(file.handle()) == 0;
#else
  return ::fsync(file.handle()) == 0;
#endif
}

} // namespace

ReplaceResult ReplaceFile(const QString& path, std::string_view bytes, QString* reason)
{
  QSaveFile file(path);
  // A file written in place would be cut off by any failure on the way.
  file.setDirectWriteFallback(false);
  auto fail = [&file, reason](ReplaceResult result) {
    if (reason)
    {
      *reason = file.errorString();
    }
    return result;
  };
  // Unbuffered: the bytes are complete already. No text mode: line ends are in the bytes.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
  {
    return fail(ReplaceResult::NotOpened);
  }
  const auto size = static_cast<qint64>(bytes.size());
  // QSaveFile's commit neither checks the last flush nor the sync to disk; both are made and
  // checked here first. Without the commit the new file is discarded.
  if (file.write(bytes.data(), size) != size || !file.flush() || !SyncToDisk(file) ||
    !file.commit())
  {
    return fail(ReplaceResult::NotWritten);
  }
  return ReplaceResult::Replaced;
}

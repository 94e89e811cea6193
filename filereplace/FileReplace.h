// Replaces a file's contents only once the new contents are completely on disk, so that a
// failed write (a full disk, a size limit, a folder that may not be written) keeps the old file.
#pragma once

#include <QString>

#include <string_view>

enum class ReplaceResult
{
  Replaced,
  // No new file could be made beside the target, or the target may not be written.
  NotOpened,
  // The bytes could not all be written and synced, or the new file could not take the
  // target's place; the target is as it was.
  NotWritten,
};

// Writes `bytes`, as they are, to a new file beside `path` (beside the file a link names), which
// takes the target's place only once all of them are on disk; the target keeps its permissions.
// Anything short of that leaves the target untouched and discards the new file. `reason`, when
// given, receives the system's description of a failure.
ReplaceResult ReplaceFile(const QString& path, std::string_view bytes, QString* reason = nullptr);

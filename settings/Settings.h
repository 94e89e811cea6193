// The program's persistent settings: the folder of the last opened model and the remembered
// sign-in, each in its own INI file in the per-user folder <home>/Velmora/. Both files are
// owner-only (mode 0600): they are created so and lose group and other rights when read.
#pragma once

#include <QString>

// Folder of the last opened model (`GcodeFileDirPath/path`); empty when none is stored.
void loadGcodeFileDirPath(QString& path);
void saveGcodeFileDirPath(const QString& path);

// Remembered sign-in (`credentials/username`, `credentials/password`, plain text).
// Loading a missing file succeeds with two empty strings; a file that exists but cannot be
// read or parsed gives false and two empty strings.
bool loadCredentials(QString& username, QString& password);
// False when the file cannot be opened or the write did not reach it.
bool saveCredentials(QString username, QString password);

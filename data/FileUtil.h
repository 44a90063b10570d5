#pragma once
// The file utilities used with the database and the files it exports.

#include <QString>

#include <functional>

class QIODevice;

// The special folder with the given number; 35 is the common application data
// folder, here $XDG_DATA_HOME (by default ~/.local/share). NUL characters are
// removed and blanks trimmed; empty text when the number is not known.
QString SpecialFolderPath(int folderNumber);

inline constexpr int CSIDL_COMMON_APPDATA = 35;

// True when the file's modification time can be read; reports nothing.
bool FileExists(const QString &path);

// The folder that holds the program file.
QString programFolder();

// Makes the file at path with write, which returns how many items it wrote:
// written aside and renamed into place, so that a failure leaves an
// earlier file of that name as it was. Returns what write returned. Throws
// Error naming the file when it cannot be made or written.
int writeAside(const QString &path, const std::function<int(QIODevice &)> &write);

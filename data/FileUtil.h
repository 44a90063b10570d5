#pragma once
// The two file utilities used with the database.

#include <QString>

// The special folder with the given number; 35 is the common application data
// folder, here $XDG_DATA_HOME (by default ~/.local/share). NUL characters are
// removed and blanks trimmed; empty text when the number is not known.
QString SpecialFolderPath(int folderNumber);

inline constexpr int CSIDL_COMMON_APPDATA = 35;

// True when the file's modification time can be read; reports nothing.
bool FileExists(const QString &path);

// The folder that holds the program file.
QString programFolder();

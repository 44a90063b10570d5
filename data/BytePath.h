#pragma once
// File names given as bytes that are not valid UTF-8, which QString cannot
// hold: the program reaches such a file through a name of its own.

#include <QByteArray>
#include <QString>

// A path that reaches the file the bytes name, for a name given on the
// command line. Text as the locale reads it when that gives the same bytes
// back; otherwise (a name that is not valid UTF-8) a name in a private
// folder of this run: a link to the file's folder, or, when the file's own
// name is the one not valid, links to the file, its journal, its log and
// its backups folder, which is made when `database` says the file is the
// database in use. Empty bytes give empty text.
QString pathForBytes(const QByteArray &bytes, bool database = false);

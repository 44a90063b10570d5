#pragma once
// Benchmark databases: a copy of the template filled through the data layer
// with a fixed seed and realistic shapes (titles of 20 to 80 characters,
// comments of 0 to 2,000 characters with line breaks, 200 contacts, ten
// statuses of which "Closed" holds about a tenth of the issues, eight
// categories, four priorities, dates over five years).

#include <QString>

namespace BenchData {

// Makes (or reuses, when already made in this folder) a database with the
// given number of issues and returns its path. Never touches the user's data.
QString database(const QString &folder, int issues);

// An empty copy of the template in the folder.
QString emptyDatabase(const QString &folder);

} // namespace BenchData

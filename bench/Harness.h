#pragma once
// A small benchmark harness: warm-up runs, then the median of timed runs; and
// the table that compares our path with the floor measured in the same run.

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <vector>

namespace Harness {

// The wall time of one run of body, in milliseconds.
template <typename Body>
double timedMs(Body &&body)
{
    QElapsedTimer timer;
    timer.start();
    body();
    return timer.nsecsElapsed() / 1e6;
}

// The median wall time of `runs` timed runs in milliseconds, after `warmUps`
// untimed ones. setUp runs before each run, untimed.
double medianMs(const std::function<void()> &body, int runs, int warmUps = 1, const std::function<void()> &setUp = {});

// The median of `runs` runs that each measure themselves (returning their
// milliseconds, so that their set-up and tear-down stay untimed), after
// `warmUps` runs whose figures are dropped.
double medianOf(const std::function<double()> &timedRun, int runs, int warmUps = 1);

// Our path and the floor measured alternately, run by run, so that a change in
// the machine's load during the case touches both alike.
struct Pair {
    double oursMs = 0; // medians
    double floorMs = 0;
    int runs = 0;             // timed runs of each side
    double oursFastestMs = 0; // the fastest run of each side
    double floorFastestMs = 0;
};
Pair medianPair(const std::function<double()> &ours, const std::function<double()> &floor, int runs, int warmUps = 1);

// The same within a time budget, for cases so slow that a few runs take
// minutes: the first pair of runs is a warm-up when the budget allows it and
// the wanted runs after it, else it counts; then runs are added while the
// budget lasts, up to the wanted number. At least one run is always made.
Pair medianPairWithin(const std::function<double()> &ours, const std::function<double()> &floor, int runs,
                      double budgetMs);

// The median of the values (the mean of the middle two for an even count).
double median(std::vector<double> values);

// Prints one row: case, size, our median, the floor's, the ratio, the target
// ratio, and whether the target is met. A target of 0 or less means the case
// has no target at this size: the row is printed for information only.
void report(const QString &caseName, const QString &size, double oursMs, double floorMs, double targetRatio);
void report(const QString &caseName, const QString &size, const Pair &pair, double targetRatio);

// Prints a free-standing figure with its target.
void note(const QString &text);

// Prints a figure against a limit, and counts it towards allMet().
void limit(const QString &what, double value, double limitValue, const QString &unit);

// Prints the table's head.
void header();

// Prints, for every case reported at both sizes with a floor, how our time
// grew from the smaller size to the larger divided by how the floor's grew,
// against the target factor. Growth compares
// figures taken minutes apart, when other work on the machine may differ:
// it divides the fastest runs (the least disturbed) where a case has them,
// its medians where not.
void growth(int fromSize, int toSize, double targetFactor);

// Whether every reported case met its target so far.
bool allMet();

} // namespace Harness

#include "Harness.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace Harness {
namespace {
bool everyTargetMet = true;

// The figures growth divides, per case and size (fastest runs, or medians),
// and the cases in the order they were reported.
std::vector<QString> caseOrder;
std::map<std::pair<QString, QString>, double> oursForGrowth;
std::map<std::pair<QString, QString>, double> floorForGrowth;
// The cases that have a target at some size; only they are judged on growth.
std::set<QString> casesWithTarget;
} // namespace

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double medianMs(const std::function<void()> &body, int runs, int warmUps, const std::function<void()> &setUp)
{
    return medianOf(
        [&] {
            if (setUp)
                setUp();
            QElapsedTimer timer;
            timer.start();
            body();
            return timer.nsecsElapsed() / 1e6;
        },
        runs, warmUps);
}

double medianOf(const std::function<double()> &timedRun, int runs, int warmUps)
{
    for (int i = 0; i < warmUps; ++i)
        timedRun();
    std::vector<double> times;
    times.reserve(static_cast<size_t>(runs));
    for (int i = 0; i < runs; ++i)
        times.push_back(timedRun());
    return median(std::move(times));
}

namespace {

Pair pairOf(std::vector<double> oursTimes, std::vector<double> floorTimes)
{
    Pair pair;
    if (oursTimes.empty() || floorTimes.empty())
        return pair;
    pair.runs = static_cast<int>(oursTimes.size());
    pair.oursFastestMs = *std::min_element(oursTimes.begin(), oursTimes.end());
    pair.floorFastestMs = *std::min_element(floorTimes.begin(), floorTimes.end());
    pair.oursMs = median(std::move(oursTimes));
    pair.floorMs = median(std::move(floorTimes));
    return pair;
}

} // namespace

Pair medianPair(const std::function<double()> &ours, const std::function<double()> &floor, int runs, int warmUps)
{
    for (int i = 0; i < warmUps; ++i) {
        ours();
        floor();
    }
    std::vector<double> oursTimes;
    std::vector<double> floorTimes;
    for (int i = 0; i < runs; ++i) {
        // Which goes first alternates too: a cache warmed by one never always
        // favours the same side.
        if (i % 2 == 0) {
            oursTimes.push_back(ours());
            floorTimes.push_back(floor());
        } else {
            floorTimes.push_back(floor());
            oursTimes.push_back(ours());
        }
    }
    return pairOf(std::move(oursTimes), std::move(floorTimes));
}

Pair medianPairWithin(const std::function<double()> &ours, const std::function<double()> &floor, int runs,
                      double budgetMs)
{
    std::vector<double> oursTimes{ours()};
    std::vector<double> floorTimes{floor()};
    const double pairMs = oursTimes.front() + floorTimes.front();
    double spentMs = pairMs;
    if (pairMs * (runs + 1) <= budgetMs) {
        oursTimes.clear();
        floorTimes.clear();
    }
    while (static_cast<int>(oursTimes.size()) < runs && spentMs + pairMs <= budgetMs) {
        if (oursTimes.size() % 2 == 0) {
            oursTimes.push_back(ours());
            floorTimes.push_back(floor());
        } else {
            floorTimes.push_back(floor());
            oursTimes.push_back(ours());
        }
        spentMs += oursTimes.back() + floorTimes.back();
    }
    return pairOf(std::move(oursTimes), std::move(floorTimes));
}

void header()
{
    std::printf("%-44s %8s %11s %11s %7s %7s  %-4s %s\n", "case", "issues", "ours ms", "floor ms", "ratio", "target",
                "met", "runs");
    std::fflush(stdout);
}

namespace {
int runsOfNextRow = 0;
}

void report(const QString &caseName, const QString &size, const Pair &pair, double targetRatio)
{
    runsOfNextRow = pair.runs;
    report(caseName, size, pair.oursMs, pair.floorMs, targetRatio);
    oursForGrowth[{caseName, size}] = pair.oursFastestMs;
    floorForGrowth[{caseName, size}] = pair.floorFastestMs;
}

void report(const QString &caseName, const QString &size, double oursMs, double floorMs, double targetRatio)
{
    const QString runs = runsOfNextRow > 0 ? QString::number(runsOfNextRow) : QStringLiteral("-");
    runsOfNextRow = 0;
    const double ratio = floorMs > 0 ? oursMs / floorMs : 0;
    if (!oursForGrowth.count({caseName, size}) &&
        std::find(caseOrder.begin(), caseOrder.end(), caseName) == caseOrder.end())
        caseOrder.push_back(caseName);
    oursForGrowth[{caseName, size}] = oursMs;
    floorForGrowth[{caseName, size}] = floorMs;
    if (targetRatio > 0)
        casesWithTarget.insert(caseName);
    if (targetRatio <= 0) {
        std::printf("%-44s %8s %11.2f %11.2f %7.2f %7s  %-4s %s\n", qPrintable(caseName), qPrintable(size), oursMs,
                    floorMs, ratio, "-", "-", qPrintable(runs));
        std::fflush(stdout);
        return;
    }
    const bool met = floorMs > 0 && ratio <= targetRatio;
    everyTargetMet = everyTargetMet && met;
    std::printf("%-44s %8s %11.2f %11.2f %7.2f %7.2f  %-4s %s\n", qPrintable(caseName), qPrintable(size), oursMs,
                floorMs, ratio, targetRatio, met ? "yes" : "NO", qPrintable(runs));
    std::fflush(stdout);
}

void note(const QString &text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

void limit(const QString &what, double value, double limitValue, const QString &unit)
{
    const bool met = value <= limitValue;
    everyTargetMet = everyTargetMet && met;
    std::printf("%-56s %11.1f %-3s limit %9.1f %-3s  %s\n", qPrintable(what), value, qPrintable(unit), limitValue,
                qPrintable(unit), met ? "yes" : "NO");
    std::fflush(stdout);
}

void growth(int fromSize, int toSize, double targetFactor)
{
    const QString from = QString::number(fromSize);
    const QString to = QString::number(toSize);
    for (const QString &caseName : caseOrder) {
        // A case with a target at neither size is there for information;
        // so is its growth.
        if (!casesWithTarget.count(caseName))
            continue;
        const auto small = oursForGrowth.find({caseName, from});
        const auto large = oursForGrowth.find({caseName, to});
        if (small == oursForGrowth.end() || large == oursForGrowth.end() || small->second <= 0)
            continue;
        const double floorSmall = floorForGrowth[{caseName, from}];
        const double floorLarge = floorForGrowth[{caseName, to}];
        if (floorSmall <= 0 || floorLarge <= 0)
            continue;
        // Our growth judged against the floor's own: what the data makes
        // slower at the larger size counts for both.
        const double ours = large->second / small->second;
        const double floor = floorLarge / floorSmall;
        limit(QStringLiteral("growth %1 -> %2: %3 (ours %4x, floor %5x), ratio")
                  .arg(from, to, caseName.trimmed())
                  .arg(ours, 0, 'f', 1)
                  .arg(floor, 0, 'f', 1),
              ours / floor, targetFactor, QStringLiteral("x"));
    }
}

bool allMet()
{
    return everyTargetMet;
}

} // namespace Harness

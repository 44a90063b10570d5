#include "platform/ProcessRunner.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <cstring>

namespace ProcessRunner {

int startFailureResult(int systemErrorNumber)
{
    return objectErrorBase + systemErrorNumber;
}

int startErrorNumber(const QString &errorText)
{
    // The process reports the failed call and strerror's text of its error.
    const int separator = errorText.lastIndexOf(QLatin1String(": "));
    if (separator >= 0) {
        const QString reason = errorText.mid(separator + 2);
        for (int number = 1; number < 256; ++number) {
            if (reason == QString::fromLocal8Bit(std::strerror(number)))
                return number;
        }
    }
    return ENOENT;
}

} // namespace ProcessRunner

// The window style goes unused: X11 and Wayland leave a started program's
// windows to itself.
int runProgramAndWait(const QString &command, std::optional<int> /*windowStyle*/)
{
    QProcess process;
    if (QFileInfo::exists(command)) {
        process.setProgram(command); // a path, blanks and all
    } else {
        QStringList words = QProcess::splitCommand(command);
        if (words.isEmpty())
            return ProcessRunner::startFailureResult(ENOENT);
        process.setProgram(words.takeFirst());
        process.setArguments(words);
    }
    // The started program shares our output and reads nothing: no pipe can
    // fill up or leave it waiting for input.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());

    process.start();
    if (!process.waitForStarted(-1))
        return ProcessRunner::startFailureResult(ProcessRunner::startErrorNumber(process.errorString()));

    // Ask whether it has ended, let window events run, wait up to 100 ms
    // (returning early when it ends), and again.
    while (process.state() != QProcess::NotRunning) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        process.waitForFinished(100);
    }
    if (process.exitStatus() == QProcess::CrashExit)
        return 128 + process.exitCode();
    return process.exitCode();
}

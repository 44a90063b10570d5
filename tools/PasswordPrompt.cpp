#include "tools/PasswordPrompt.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace PasswordPrompt {
namespace {

QByteArray readLine()
{
    QByteArray line;
    for (int c = std::fgetc(stdin); c != EOF && c != '\n'; c = std::fgetc(stdin))
        line.append(char(c));
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// Reads a line with the terminal's echo off, and turns it on again.
QByteArray readHidden(const char *prompt)
{
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    termios saved{};
    const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const QByteArray line = readLine();
    if (terminal)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputc('\n', stderr);
    return line;
}

} // namespace

QByteArray ask(const QString &who, QString *why)
{
    if (!isatty(STDIN_FILENO)) {
        const QByteArray line = readLine();
        if (line.isEmpty())
            *why = QStringLiteral("standard input held no password for %1").arg(who);
        return line;
    }
    const QByteArray first = readHidden(qPrintable(QStringLiteral("Password for %1: ").arg(who)));
    if (first.isEmpty()) {
        *why = QStringLiteral("no password was typed");
        return first;
    }
    if (readHidden("Again, to be sure: ") != first) {
        *why = QStringLiteral("the two passwords differ");
        return QByteArray();
    }
    return first;
}

} // namespace PasswordPrompt

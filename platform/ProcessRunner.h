#pragma once
// Starting a program and waiting for it to end while the program's windows
// stay responsive.

#include <QString>

#include <optional>

namespace ProcessRunner {

// The exit code the platform reports for a process that has not ended. A
// process that has ended is known as ended whatever its exit code, 259 too.
inline constexpr int stillRunning = 259;

// The base of object-defined error numbers: a command that cannot be started
// gives the operating system's error number plus this base, always negative.
inline constexpr int objectErrorBase = -2147221504;

// The result for a command that could not be started.
int startFailureResult(int systemErrorNumber);

// The operating system's error number behind a failed start, read from the
// process's error text ("execvp: No such file or directory"); ENOENT when the
// text names none (an empty command).
int startErrorNumber(const QString &errorText);

} // namespace ProcessRunner

// Starts the command and waits for it to end, letting pending window events
// run every 100 ms. The command is the path of a program; text that names no
// existing file is read as a command line (program and arguments). Returns
// the process's exit code (128 + the signal's number for a process ended by a
// signal), or startFailureResult() when it cannot be started. Reports nothing.
// The window style is accepted for the callers' sake; on this platform a
// started program chooses its own windows.
int runProgramAndWait(const QString &command, std::optional<int> windowStyle = std::nullopt);

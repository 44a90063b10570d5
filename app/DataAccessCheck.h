#pragma once
// The start-up check that the data layer works.
//
// The data layer is linked into the program, so what can still be missing or
// broken is the SQLite library (it must initialise) and our layer over it:
// the probe opens an in-memory database through Connection and runs a query
// that uses the program's own SQL functions through a Recordset. When the
// probe fails, the user is led through the repair dialogue: the update
// package beside the program ("ADOFix64.msu" on 64-bit processors,
// "ADOFix86.msu" otherwise) runs when present, and the program ends when the
// user asks for that afterwards.

#include <QString>

#include <functional>

namespace DataAccessCheck {

inline constexpr const char *knowledgeBaseAddress = "https://support.tamberlyn.example/kb/data-access-update";

// The question, the help message and the closing question of the dialogue.
QString repairQuestion();
QString helpMessage();
QString restartQuestion();

// The package for a processor width: "ADOFix64.msu" for exactly "64",
// "ADOFix86.msu" for any other text (empty text too).
QString packageFileName(const QString &processorWidth);

// The real probe: true when the data layer works. Never throws.
bool probeDataLayer();

// Replace the probe or the processor width (tests); an empty function
// restores the real one.
void setProbe(std::function<bool()> probe);
void setProcessorWidthSource(std::function<QString()> source);

// The processor width as the platform reports it ("64" on a 64-bit
// processor, "32" on a 32-bit one, empty when it gives no answer).
QString processorWidthOf(const QString &cpuArchitecture);

} // namespace DataAccessCheck

// The processor's address width, from the running system's architecture.
QString systemProcessorWidth();

// Probes the data layer; when it fails, leads the user through the repair
// dialogue, and may end the program. Reports no failure of its own.
void checkDataAccess();

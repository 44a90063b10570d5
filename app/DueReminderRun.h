#pragma once
// One round of the day's due reminders, as the window's morning timer and
// `marrowdesk --remind` both make it: the open issues due today or before
// that were not told yet today, grouped into notices, and the log of what
// was told, which the caller keeps once the notices are out.

#include "data/DueReminders.h"

#include <QTextStream>

class Connection;

namespace DueReminderRun {

struct Round {
    QList<DueReminders::Notice> notices;
    DueReminders::SentLog log; // with this round's issues added
};

// The file that keeps what was told: in the data folder, beside the lock,
// so that every program on that folder shares it.
QString logPath();

// Reads the due issues and what was told. Throws Error.
Round prepare(Connection &connection, QDate today);

// Keeps the round as told. Throws Error.
void keep(const Round &round);

// `marrowdesk --remind`: on the database chosen as a start would choose it,
// sends the round's notices (at or after the morning time of the settings)
// and waits for the service's answers, never long. Returns the exit status.
int remindCommand(QTextStream &out, QTextStream &err);

} // namespace DueReminderRun

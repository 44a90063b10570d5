#pragma once
// What tells due issues while Marrowdesk is closed: the systemd user timer
// marrowdesk-remind.timer (installed with the package, off until turned
// on), or, where there is no systemd, an entry in the desktop's autostart
// folder that runs `marrowdesk --remind` at each login. Both run the
// program once and end; nothing stays running.

#include <QString>

namespace platform::ReminderService {

// Turns the timer on (enable --now) or off (disable --now) through
// `systemctl --user`. Returns empty text when it did, else what went wrong
// in a sentence for the user.
QString setTimer(bool on);

// The autostart entry's path in the user's autostart folder.
QString autostartPath();
// Puts the entry there (copied from the one beside the program) or takes
// it away. Throws Error.
void setAutostart(bool on);

} // namespace platform::ReminderService

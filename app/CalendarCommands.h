#pragma once
// The main window's "Export Calendar..." command: the issues with a due date,
// as listed now or all of them, to an iCalendar file (data/ICalendar.h).

class MainWindow;
class QMenu;

namespace CalendarCommands {

// Adds the command to the list's context menu.
void add(MainWindow &window, QMenu &menu);

void exportCalendar(MainWindow &window);

} // namespace CalendarCommands

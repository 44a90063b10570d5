#pragma once
// The main window's CSV commands: "Export to CSV..." writes the issues as
// listed (or all of them) to a file; "Import from CSV..." previews a file's
// issues and adds them in one go.

class MainWindow;
class QMenu;

namespace CsvCommands {

// Adds both commands to the list's context menu and to the window.
void add(MainWindow &window, QMenu &menu);

void exportIssues(MainWindow &window);
void importIssues(MainWindow &window);

} // namespace CsvCommands

#pragma once
// The main window's CSV commands: "Export to CSV..." writes the issues as
// listed (or all of them) to a file; "Import from CSV..." previews a file's
// issues and adds them in one go.

class Form1;
class QMenu;

namespace CsvCommands {

// Adds both commands to the list's context menu and to the window.
void add(Form1 &window, QMenu &menu);

void exportIssues(Form1 &window);
void importIssues(Form1 &window);

} // namespace CsvCommands

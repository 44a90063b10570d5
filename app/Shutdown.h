#pragma once
// The program's shutdown around the main window, in the numbered steps its
// error boxes show ("Form1.Form_QueryUnload").

class MainWindow;

namespace Shutdown {

// Writes the column widths and the window state in one go, closes and
// releases the shared connection, and lets pending events run. A step that
// fails is told and the next one runs.
void query(MainWindow &window);

} // namespace Shutdown

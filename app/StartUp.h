#pragma once
// The program's start-up around the main window, in the numbered steps its
// error boxes show ("Form1.Form_Load"). It runs once, before the window is
// first shown.

class MainWindow;

namespace StartUp {

// The whole start-up: the data folder and the database file, today's backup
// (or the offer to restore one when the database is damaged), the skin and
// the hand pointer, the title, the shared connection, the trash's purge, the
// ten columns with their stored widths, the remembered view, the first
// refill and the stored window state. A step that fails is told and the
// next one runs.
void run(MainWindow &window);

} // namespace StartUp

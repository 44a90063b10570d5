#pragma once
// The shared look of the program's windows.

class QWidget;

// Applies the skin file x/o.cjs beside the program to the main window (after
// giving its frames, labels, check boxes and option buttons the button-face
// colour). Without the file nothing happens.
void ApplySkin(QWidget &mainWindow);

// Gives a window and its frames, labels, check boxes and option buttons the
// button-face colour.
void ApplyWindowColors(QWidget &window);

// Sets the application title that message boxes carry.
void SetAppTitle();

#pragma once
// The shared look of the program's windows: plain surfaces in the button-face
// colour, the optional skin on the main window, the application title and
// the program icon. None of these routines reports a failure itself: a
// failure passes to the calling operation's error block.

#include <QString>

class QIcon;
class QWidget;

// Applies the skin file x/o.cjs beside the program to the main window (after
// giving its frames, labels, check boxes and option buttons the button-face
// colour). Without the file nothing happens. The skin is a Qt style sheet;
// a file that exists but cannot be read throws Error.
void ApplySkin(QWidget &mainWindow);

// Gives a window and its frames, labels, check boxes and option buttons the
// button-face colour.
void ApplyWindowColors(QWidget &window);

// Sets the application title that message boxes carry.
void SetAppTitle();

// The program icon, embedded in the program (16 to 256 pixels).
QIcon programIcon();

namespace Appearance {

// The skin file: the program's folder + "/x/o.cjs".
QString skinFilePath();

// The application title made from a product name: the last word (the last
// blank and everything after it) is removed once, and again while the text is
// longer than 40 characters. A name without a blank is kept whole, and the
// removing stops when no blank is left.
QString applicationTitleFor(const QString &productName);

// The longest application title that needs no further shortening.
inline constexpr int maxTitleLength = 40;

// True for the kinds of control that take the window's surface colour:
// frames (group boxes and plain frames), labels, check boxes, option buttons.
bool takesSurfaceColor(const QWidget &control);

} // namespace Appearance

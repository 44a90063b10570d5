#pragma once
// Windows of a fixed design size on screens too small for them: at twice the
// scale a 1920x1080 screen offers 960x540 logical pixels, less than the
// contact editor's design height. Such a window keeps its design layout
// inside a scroll area and becomes as large as the screen allows.

class QDialog;
class QSize;
class QWidget;

namespace platform {

// Fits the window into `room` (its size without the frame) by moving its
// controls, in their places and their tab order, into a scroll area. A
// window that fits, or was fitted already, is left alone.
void fitWithin(QDialog &window, const QSize &room);

// fitWithin the room its screen offers, less the window manager's frame.
void fitOnScreen(QDialog &window);

// Which part of a screen a window is centred on: all of it, or the work
// area the desktop's panels leave free.
enum class ScreenArea { Whole, WorkArea };

// Moves the window's frame to the middle of its screen's area (the primary
// screen's while the window has none). The offsets are halved in twips, so a
// window is placed alike at every scale.
void centreOnScreen(QWidget &window, ScreenArea area);

} // namespace platform

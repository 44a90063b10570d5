#pragma once
// Where the main window puts its issue list and its six buttons, in twips:
// the design arrangement of a normal window, and the one a maximized window
// grows into. Plain arithmetic on sizes; the window turns it into pixels.

#include <QRectF>

struct MainWindowLayout {
    // Design size of the client area, in twips.
    static constexpr int designWidth = 10920;
    static constexpr int designHeight = 6705;

    // Every rectangle in twips, in the window's client area.
    QRectF list;
    QRectF add, edit, sample, remove, reports, help;

    // The layout of a maximized window whose outer size is W by H twips: the
    // list takes what the two rows of buttons leave, the buttons centre under it.
    static MainWindowLayout maximized(float W, float H);
    // The design layout, to which a restore returns.
    static MainWindowLayout restored();
};

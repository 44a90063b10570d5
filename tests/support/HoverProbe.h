#pragma once
// Moves the mouse over a loaded window as a user does (through the window
// system, so enter and move events reach whatever lies under the pointer)
// and reads the pointer the window shows afterwards. A window's hover test:
//
//     void handPointer_data() { hover::addRows({{"Save", "", {"PushButton2"}, 99}, ...}); }
//     void handPointer()
//     {
//         QFETCH(bool, withFile);
//         hover::placeCursorFile(withFile);
//         ContactEditor form;
//         platform::loadForm(form);
//         hover::checkRow(form);
//     }

#include "platform/HandPointer.h"

#include <QAbstractScrollArea>
#include <QFile>
#include <QGuiApplication>
#include <QPoint>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace hover {

// The name that stands for the window's own bare surface in a list of moves.
inline const QString surface = QStringLiteral("surface");

// Puts the shipped HAND-M.CUR beside the program, or takes it away.
inline void placeCursorFile(bool present)
{
    const QString path = HandPointer::cursorFilePath();
    QFile::remove(path);
    if (present)
        QVERIFY(QFile::copy(QStringLiteral(MARROWDESK_SOURCE_DIR "/resources/HAND-M.CUR"), path));
}

// Shows a busy pointer: "window" sets the hourglass on the window,
// "application" an application-wide busy pointer; "" nothing.
inline void makeBusy(QWidget &window, const QString &how)
{
    if (how == QLatin1String("window"))
        window.setCursor(Qt::WaitCursor);
    else if (how == QLatin1String("application"))
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
}

// Takes every application-wide pointer away again.
inline void endBusy()
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

// A point of the widget where none of its controls lies, or (-1, -1).
inline QPoint bareSpot(const QWidget &widget)
{
    for (int y = 3; y < widget.height() - 2; y += 3)
        for (int x = 3; x < widget.width() - 2; x += 3)
            if (!widget.childAt(x, y))
                return QPoint(x, y);
    return QPoint(-1, -1);
}

// Moves the mouse onto a widget: its middle, or a bare spot of it when a
// control of its own lies in the middle (a window, a frame).
inline void moveOnto(QWidget &widget)
{
    QPoint spot = widget.rect().center();
    if (widget.childAt(spot))
        spot = bareSpot(widget);
    QVERIFY2(spot.x() >= 0, qPrintable(widget.objectName() + QStringLiteral(" has no bare spot")));
    QTest::mouseMove(&widget, spot);
}

// Moves onto each control in turn, found by its object name ("surface": the
// window's bare surface; a list's name: its rows), after starting outside
// the window. Returns the window's pointer state: 0 arrow, 11 busy, 99 hand;
// -1 when the window never set the convention up.
inline int stateAfter(QWidget &window, const QStringList &moves)
{
    QTest::mouseMove(&window, QPoint(-40, -40));
    for (const QString &name : moves) {
        QWidget *target = name == surface ? &window : window.findChild<QWidget *>(name);
        if (!target) {
            qWarning("no control named %s", qPrintable(name));
            return -2;
        }
        if (auto *area = qobject_cast<QAbstractScrollArea *>(target))
            target = area->viewport();
        moveOnto(*target);
    }
    const HandPointer *pointer = HandPointer::of(window);
    return pointer ? pointer->MousePointer() : -1;
}

// The pointer the window shows for a state: busy stays as it was set, the
// hand is the cursor file's image (hotspot and all) when the file was there,
// and everything else is the default arrow.
inline void verifyShown(const QWidget &window, int state, bool withFile)
{
    if (state == HandPointer::Hourglass) {
        const QCursor *overriding = QGuiApplication::overrideCursor();
        QVERIFY(overriding ? overriding->shape() == Qt::BusyCursor || overriding->shape() == Qt::WaitCursor
                           : window.cursor().shape() == Qt::WaitCursor);
    } else if (state == HandPointer::OwnImage && withFile) {
        QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(window.cursor().hotSpot(), HandPointer::loadCursorFile(HandPointer::cursorFilePath())->hotSpot());
    } else {
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }
}

// One case of a window's hover test: a busy pointer ("", "window",
// "application"), the moves, and the state expected after them.
struct Row {
    const char *name;
    const char *busy;
    QStringList moves;
    int state;
};

// Adds the columns withFile, busy, moves and state, and each row twice: with
// the cursor file beside the program and without it.
inline void addRows(const QList<Row> &rows)
{
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QString>("busy");
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<int>("state");
    for (const bool withFile : {true, false})
        for (const Row &row : rows)
            QTest::newRow(
                qPrintable(QLatin1String(withFile ? "with HAND-M.CUR: " : "without: ") + QLatin1String(row.name)))
                << withFile << QString::fromLatin1(row.busy) << row.moves << row.state;
}

// Shows the loaded window and checks the current row on it: the state after
// the moves and the pointer shown.
inline void checkRow(QWidget &window)
{
    QFETCH(bool, withFile);
    QFETCH(QString, busy);
    QFETCH(QStringList, moves);
    QFETCH(int, state);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    makeBusy(window, busy);
    const int shown = stateAfter(window, moves);
    verifyShown(window, state, withFile);
    endBusy();
    QCOMPARE(shown, state);
}

} // namespace hover

#pragma once
// The hand pointer over a window's command buttons.
//
// A window gives, in its load step, its command buttons and the surfaces
// over which the pointer returns to the default arrow:
//
//     HandPointer::apply(*this, {saveButton, cancelButton}, {this, issueList});
//
// The window then loads HAND-M.CUR from the program's folder as its own
// pointer image (when the file is there). Moving over a listed button sets
// the window's pointer to that image (the hand); moving over a listed surface
// sets it back to the default arrow. A busy pointer (Qt::WaitCursor or
// Qt::BusyCursor on the window, or as the application's override cursor) is
// never replaced. Moving onto a control that is not listed changes nothing.
//
// A surface that holds other controls (the window, a central widget, a frame
// or group box) counts only where none of its controls lies; any other
// surface (a list) counts over all its parts, header and scroll bars too.

#include <QCursor>
#include <QHash>
#include <QList>
#include <QObject>

#include <optional>

class ErrorBlock;
class QWidget;

class HandPointer : public QObject {
    Q_OBJECT
public:
    // The window pointer states, numbered as the program stores them.
    enum State { DefaultArrow = 0, Hourglass = 11, OwnImage = 99 };

    // Sets the convention up on the window, replacing an earlier set-up, and
    // loads the pointer file. Throws Error when the file exists but is not a
    // readable cursor image; the hover convention is in place even then.
    static HandPointer *apply(QWidget &window, const QList<QWidget *> &buttons, const QList<QWidget *> &arrowSurfaces);

    // The set-up every window's load runs, as steps of its error block. The
    // convention holds with or without the pointer file; only loading the
    // file can fail. So the file test runs at fileStep, and sets the
    // convention up itself when the file is missing; when the file is there,
    // the set-up with the load is a step of its own, fileStep + 2.
    static void applyInSteps(ErrorBlock &step, int fileStep, QWidget &window, const QList<QWidget *> &buttons,
                             const QList<QWidget *> &arrowSurfaces);

    // The set-up installed on the window, or nullptr.
    static HandPointer *of(const QWidget &window);

    // The pointer file: the program's folder + "/HAND-M.CUR".
    static QString cursorFilePath();

    // Reads a Windows cursor file with its hotspot. Empty when the file does
    // not exist; throws Error when it exists but cannot be read as a cursor.
    static std::optional<QCursor> loadCursorFile(const QString &path);

    // The window's pointer state: Hourglass while a busy pointer is shown,
    // otherwise the state the hover convention last set.
    int MousePointer() const;

    // True when the window has its own pointer image (the file was loaded).
    bool hasOwnImage() const { return m_ownImage.has_value(); }

    // True while the window or the application shows a busy pointer.
    static bool isBusy(const QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Target { Hand, ArrowBareSurface, ArrowWhole };

    explicit HandPointer(QWidget &window);
    void watch(QWidget *widget, Target target);
    void setMousePointer(State state);

    QWidget &m_window;
    QHash<QObject *, Target> m_targets;
    std::optional<QCursor> m_ownImage;
    State m_state = DefaultArrow;
};

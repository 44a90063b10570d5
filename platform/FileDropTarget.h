#pragma once
// Makes a whole window the place to drop files: files (or a picture)
// dropped anywhere on it, a text box included, are handed to the window's
// handler, with no control added for it. Other drops (text into a text box)
// go where they went before.

#include <QObject>

#include <functional>

class QMimeData;
class QWidget;

namespace platform {

class FileDropTarget : public QObject {
    Q_OBJECT
public:
    using Dropped = std::function<void(const QMimeData &)>;

    // Covers the window and the controls it holds now, so it is made once
    // they are built.
    FileDropTarget(QWidget *window, Dropped dropped);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    Dropped m_dropped;
};

} // namespace platform

#pragma once
// A drop-down list that also reports a double click. A plain QComboBox opens
// its list on the first press, and the open list then swallows the second
// press, so the double click is recognised in both places: on the box itself
// and on the open list when the press lands on the box within the
// double-click interval of the press that opened it.

#include <QComboBox>
#include <QElapsedTimer>

class ContactPicker : public QComboBox {
    Q_OBJECT
public:
    explicit ContactPicker(QWidget *parent = nullptr);

    void showPopup() override;

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reportDoubleClick();

    QElapsedTimer m_sincePopup;
    QObject *m_watchedPopup = nullptr;
    QObject *m_watchedViewport = nullptr;
};

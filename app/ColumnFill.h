#pragma once
// Lets one column of a list take the width the other columns leave, so that
// a wide window shows more of it instead of an empty band. The column keeps
// a width of its own (the one it was given, or the user dragged it to): it
// never shows narrower than that, and that is the width kept between runs,
// so the column is back to it in a narrower window.

#include <QObject>

class QHeaderView;
class QTreeView;

class ColumnFill : public QObject {
    Q_OBJECT
public:
    ColumnFill(QTreeView *list, int column);

    // The column's own width in pixels, and setting it (then filling again).
    int ownWidth() const { return m_ownWidth; }
    void setOwnWidth(int pixels);

    // Widens or narrows the column to fill the list's width now.
    void fill();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sectionResized(int column, int oldSize, int newSize);

    QTreeView *m_list;
    QHeaderView *m_header;
    int m_column;
    int m_ownWidth = 0;
    bool m_filling = false;
};

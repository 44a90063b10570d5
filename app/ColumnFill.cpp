#include "app/ColumnFill.h"

#include <QEvent>
#include <QHeaderView>
#include <QTreeView>

ColumnFill::ColumnFill(QTreeView *list, int column)
    : QObject(list), m_list(list), m_header(list->header()), m_column(column)
{
    m_ownWidth = m_header->sectionSize(column);
    connect(m_header, &QHeaderView::sectionResized, this, &ColumnFill::sectionResized);
    m_list->viewport()->installEventFilter(this);
}

void ColumnFill::setOwnWidth(int pixels)
{
    m_ownWidth = pixels;
    fill();
}

void ColumnFill::fill()
{
    if (m_column >= m_header->count())
        return;
    if (m_ownWidth <= 0)
        m_ownWidth = m_header->sectionSize(m_column);
    int others = 0;
    for (int column = 0; column < m_header->count(); ++column)
        if (column != m_column && !m_header->isSectionHidden(column))
            others += m_header->sectionSize(column);
    const int width = qMax(m_ownWidth, m_list->viewport()->width() - others);
    if (width == m_header->sectionSize(m_column))
        return;
    m_filling = true;
    m_header->resizeSection(m_column, width);
    m_filling = false;
}

void ColumnFill::sectionResized(int column, int, int newSize)
{
    if (m_filling)
        return;
    // The user dragged the column itself: that is its own width now.
    if (column == m_column)
        m_ownWidth = newSize;
    fill();
}

bool ColumnFill::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: the filter also sees the viewport lose its children
    // while the list is being destroyed, when it is no scroll area any more.
    if (event->type() == QEvent::Resize && watched == m_list->viewport())
        fill();
    return QObject::eventFilter(watched, event);
}

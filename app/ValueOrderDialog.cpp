#include "app/ValueOrderDialog.h"

#include "data/Error.h"
#include "data/SharedConnection.h"
#include "data/ValueOrder.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

ValueOrderDialog::ValueOrderDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("valueOrderDialog"));
    setWindowTitle(QStringLiteral("Order of Values"));
    listChoice = new QComboBox(this);
    listChoice->setObjectName(QStringLiteral("valueListChoice"));
    listChoice->setAccessibleName(QStringLiteral("List"));
    listChoice->addItems({QStringLiteral("Status"), QStringLiteral("Category"), QStringLiteral("Priority")});
    valueList = new QListWidget(this);
    valueList->setObjectName(QStringLiteral("orderedValues"));
    valueList->setAccessibleName(QStringLiteral("Values, first to last"));
    valueList->setDragDropMode(QAbstractItemView::InternalMove);
    closingNote = new QLabel(QStringLiteral("A ticked status closes an issue (\u201cClosed\u201d always does)."), this);
    closingNote->setObjectName(QStringLiteral("closingNote"));
    closingNote->setWordWrap(true);
    auto *up = new QPushButton(QStringLiteral("Move &Up"), this);
    auto *down = new QPushButton(QStringLiteral("Move &Down"), this);
    up->setObjectName(QStringLiteral("moveUp"));
    down->setObjectName(QStringLiteral("moveDown"));
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveSelected(1); });
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *moves = new QVBoxLayout;
    moves->addWidget(up);
    moves->addWidget(down);
    moves->addStretch();
    auto *middle = new QHBoxLayout;
    middle->addWidget(valueList);
    middle->addLayout(moves);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(listChoice);
    layout->addLayout(middle);
    layout->addWidget(closingNote);
    layout->addWidget(box);

    ErrorBlock step(ErrorBlock::location("OrderValues", "Load"));
    for (size_t list = 0; list < m_values.size(); ++list)
        step(100, [&] { m_values[list] = ValueOrder::arranged(sharedConnection(), ValueOrder::orderedLists[list]); });
    step(102, [&] { m_rule = IssueStatus::ClosingRule::read(sharedConnection()); });
    for (const QString &status : std::as_const(m_values[0]))
        m_closes.insert(status, m_rule.closes(status));
    connect(listChoice, &QComboBox::currentIndexChanged, this, &ValueOrderDialog::showList);
    showList(0);
}

void ValueOrderDialog::takeShownOrder()
{
    // A drag reorders the items themselves.
    if (m_shown < 0)
        return;
    QStringList values;
    for (int row = 0; row < valueList->count(); ++row) {
        values << valueList->item(row)->text();
        if (m_shown == 0)
            m_closes[values.last()] = valueList->item(row)->checkState() == Qt::Checked;
    }
    if (values != m_values[static_cast<size_t>(m_shown)]) {
        m_values[static_cast<size_t>(m_shown)] = values;
        m_changed[static_cast<size_t>(m_shown)] = true;
    }
}

void ValueOrderDialog::showList(int list)
{
    takeShownOrder();
    m_shown = -1;
    valueList->clear();
    if (list < 0 || list >= static_cast<int>(m_values.size()))
        return;
    valueList->addItems(m_values[static_cast<size_t>(list)]);
    // Statuses only: the first list.
    closingNote->setVisible(list == 0);
    for (int row = 0; list == 0 && row < valueList->count(); ++row) {
        QListWidgetItem *item = valueList->item(row);
        if (IssueStatus::isClosing(item->text()))
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
        item->setCheckState(m_closes.value(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
    m_shown = list;
}

void ValueOrderDialog::moveSelected(int by)
{
    takeShownOrder();
    const int row = valueList->currentRow();
    const int to = row + by;
    if (m_shown < 0 || row < 0 || to < 0 || to >= valueList->count())
        return;
    QStringList &values = m_values[static_cast<size_t>(m_shown)];
    values.move(row, to);
    m_changed[static_cast<size_t>(m_shown)] = true;
    valueList->insertItem(to, valueList->takeItem(row));
    valueList->setCurrentRow(to);
}

void ValueOrderDialog::save()
{
    takeShownOrder();
    for (size_t list = 0; list < m_values.size(); ++list)
        if (m_changed[list])
            ValueOrder::setOrder(sharedConnection(), ValueOrder::orderedLists[list], m_values[list]);
    QStringList closing;
    QStringList open;
    for (auto status = m_closes.cbegin(); status != m_closes.cend(); ++status)
        if (status.value() != m_rule.closes(status.key()))
            (status.value() ? closing : open) << status.key();
    if (closing.isEmpty() && open.isEmpty())
        return;
    IssueStatus::markClosing(sharedConnection(), closing, open);
    m_closingChanged = true;
}

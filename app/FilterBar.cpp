#include "app/FilterBar.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

ChoiceBox::ChoiceBox(const QString &caption, QWidget *parent) : QComboBox(parent)
{
    setAccessibleName(caption);
    setToolTip(caption);
    // Narrow while closed, so that the find box keeps its room; the open
    // list is as wide as its values.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(7);
    addItem(caption); // any value
}

QString ChoiceBox::chosen() const
{
    return currentIndex() > 0 ? currentText() : QString();
}

void ChoiceBox::showPopup()
{
    if (offered) {
        const QString keep = chosen();
        const QSignalBlocker quiet(this);
        while (count() > 1)
            removeItem(1);
        addItems(offered());
        setCurrentIndex(keep.isEmpty() ? 0 : std::max(0, findText(keep, Qt::MatchFixedString)));
    }
    QComboBox::showPopup();
}

FilterBar::FilterBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("filterBar"));
    m_findBox = new QLineEdit(this);
    m_findBox->setObjectName(QStringLiteral("findBox"));
    m_findBox->setAccessibleName(QStringLiteral("Find"));
    m_findBox->setPlaceholderText(QStringLiteral("Find (Ctrl+F)"));
    m_findBox->setClearButtonEnabled(true);
    // The clear button's own name is empty: a screen reader would say "button".
    for (QToolButton *clear : m_findBox->findChildren<QToolButton *>())
        clear->setAccessibleName(QStringLiteral("Clear the find box"));
    m_findBox->installEventFilter(this);
    m_findBox->setMinimumWidth(m_findBox->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 18);
    m_statusChoice = new ChoiceBox(QStringLiteral("Status"), this);
    m_categoryChoice = new ChoiceBox(QStringLiteral("Category"), this);
    m_priorityChoice = new ChoiceBox(QStringLiteral("Priority"), this);
    m_assigneeChoice = new ChoiceBox(QStringLiteral("Assigned To"), this);
    m_statusChoice->setObjectName(QStringLiteral("statusChoice"));
    m_categoryChoice->setObjectName(QStringLiteral("categoryChoice"));
    m_priorityChoice->setObjectName(QStringLiteral("priorityChoice"));
    m_assigneeChoice->setObjectName(QStringLiteral("assigneeChoice"));
    m_overdueOnly = new QCheckBox(QStringLiteral("O&verdue"), this);
    m_overdueOnly->setObjectName(QStringLiteral("overdueOnly"));
    m_showClosed = new QCheckBox(QStringLiteral("C&losed"), this);
    m_showClosed->setObjectName(QStringLiteral("showClosed"));
    m_showClosed->setToolTip(QStringLiteral("Show closed issues too"));
    m_showClosed->setAccessibleName(QStringLiteral("Show closed issues"));
    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("issueCounts"));
    m_closeButton = new QToolButton(this);
    m_closeButton->setText(QStringLiteral("\u00d7"));
    m_closeButton->setAccessibleName(QStringLiteral("Close the find bar"));
    m_closeButton->setToolTip(QStringLiteral("Close the find bar (the list shows every issue again)"));
    m_closeButton->setAutoRaise(true);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_findBox, 3);
    for (QWidget *widget :
         std::initializer_list<QWidget *>{m_statusChoice, m_categoryChoice, m_priorityChoice, m_assigneeChoice,
                                          m_overdueOnly, m_showClosed, m_counts, m_closeButton})
        layout->addWidget(widget);

    connect(m_findBox, &QLineEdit::textChanged, this, &FilterBar::criteriaChanged);
    for (ChoiceBox *choice : {m_statusChoice, m_categoryChoice, m_priorityChoice, m_assigneeChoice})
        connect(choice, &QComboBox::currentIndexChanged, this, &FilterBar::criteriaChanged);
    connect(m_overdueOnly, &QCheckBox::toggled, this, &FilterBar::criteriaChanged);
    connect(m_showClosed, &QCheckBox::toggled, this, &FilterBar::showClosedToggled);
    connect(m_closeButton, &QToolButton::clicked, this, &FilterBar::closeRequested);
}

IssueFilterCriteria FilterBar::criteria() const
{
    IssueFilterCriteria criteria;
    criteria.text = m_findBox->text();
    criteria.status = m_statusChoice->chosen();
    criteria.category = m_categoryChoice->chosen();
    criteria.priority = m_priorityChoice->chosen();
    criteria.assignee = m_assigneeChoice->chosen();
    criteria.overdueOnly = m_overdueOnly->isChecked();
    return criteria;
}

void FilterBar::offerValues(std::function<QStringList()> assignees, std::function<QStringList()> statuses,
                            std::function<QStringList()> categories, std::function<QStringList()> priorities)
{
    m_assigneeChoice->offered = std::move(assignees);
    m_statusChoice->offered = std::move(statuses);
    m_categoryChoice->offered = std::move(categories);
    m_priorityChoice->offered = std::move(priorities);
}

bool FilterBar::showsClosed() const
{
    return m_showClosed->isChecked();
}

void FilterBar::setShowsClosed(bool shown)
{
    m_showClosed->setChecked(shown);
}

void FilterBar::setCounts(int shown, int total)
{
    m_counts->setText(QStringLiteral("%1 of %2 issues").arg(shown).arg(total));
}

void FilterBar::focusFind()
{
    m_findBox->setFocus(Qt::ShortcutFocusReason);
    m_findBox->selectAll();
}

void FilterBar::clear()
{
    {
        // One change for the whole clearing, not one per control.
        const QSignalBlocker quiet(this);
        m_findBox->clear();
        for (ChoiceBox *choice : {m_statusChoice, m_categoryChoice, m_priorityChoice, m_assigneeChoice})
            choice->setCurrentIndex(0);
        m_overdueOnly->setChecked(false);
    }
    emit criteriaChanged();
}

bool FilterBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_findBox && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        clear();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

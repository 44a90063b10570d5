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
    findBox = new QLineEdit(this);
    findBox->setObjectName(QStringLiteral("findBox"));
    findBox->setAccessibleName(QStringLiteral("Find"));
    findBox->setPlaceholderText(QStringLiteral("Find (Ctrl+F)"));
    findBox->setClearButtonEnabled(true);
    // The clear button's own name is empty: a screen reader would say "button".
    for (QToolButton *clear : findBox->findChildren<QToolButton *>())
        clear->setAccessibleName(QStringLiteral("Clear the find box"));
    findBox->installEventFilter(this);
    findBox->setMinimumWidth(findBox->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 18);
    statusChoice = new ChoiceBox(QStringLiteral("Status"), this);
    categoryChoice = new ChoiceBox(QStringLiteral("Category"), this);
    priorityChoice = new ChoiceBox(QStringLiteral("Priority"), this);
    assigneeChoice = new ChoiceBox(QStringLiteral("Assigned To"), this);
    overdueOnly = new QCheckBox(QStringLiteral("O&verdue"), this);
    overdueOnly->setObjectName(QStringLiteral("overdueOnly"));
    showClosed = new QCheckBox(QStringLiteral("C&losed"), this);
    showClosed->setObjectName(QStringLiteral("showClosed"));
    showClosed->setToolTip(QStringLiteral("Show closed issues too"));
    showClosed->setAccessibleName(QStringLiteral("Show closed issues"));
    counts = new QLabel(this);
    counts->setObjectName(QStringLiteral("issueCounts"));
    closeButton = new QToolButton(this);
    closeButton->setText(QStringLiteral("\u00d7"));
    closeButton->setAccessibleName(QStringLiteral("Close the find bar"));
    closeButton->setToolTip(QStringLiteral("Close the find bar (the list shows every issue again)"));
    closeButton->setAutoRaise(true);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(findBox, 3);
    for (QWidget *widget :
         std::initializer_list<QWidget *>{statusChoice, categoryChoice, priorityChoice, assigneeChoice, overdueOnly,
                                          showClosed, counts, closeButton})
        layout->addWidget(widget);

    connect(findBox, &QLineEdit::textChanged, this, &FilterBar::criteriaChanged);
    for (ChoiceBox *choice : {statusChoice, categoryChoice, priorityChoice, assigneeChoice})
        connect(choice, &QComboBox::currentIndexChanged, this, &FilterBar::criteriaChanged);
    connect(overdueOnly, &QCheckBox::toggled, this, &FilterBar::criteriaChanged);
    connect(showClosed, &QCheckBox::toggled, this, &FilterBar::showClosedToggled);
    connect(closeButton, &QToolButton::clicked, this, &FilterBar::closeRequested);
}

IssueFilterCriteria FilterBar::criteria() const
{
    IssueFilterCriteria criteria;
    criteria.text = findBox->text();
    criteria.status = statusChoice->chosen();
    criteria.category = categoryChoice->chosen();
    criteria.priority = priorityChoice->chosen();
    criteria.assignee = assigneeChoice->chosen();
    criteria.overdueOnly = overdueOnly->isChecked();
    return criteria;
}

bool FilterBar::showsClosed() const
{
    return showClosed->isChecked();
}

void FilterBar::setShowsClosed(bool shown)
{
    showClosed->setChecked(shown);
}

void FilterBar::setCounts(int shown, int total)
{
    counts->setText(QStringLiteral("%1 of %2 issues").arg(shown).arg(total));
}

void FilterBar::focusFind()
{
    findBox->setFocus(Qt::ShortcutFocusReason);
    findBox->selectAll();
}

void FilterBar::clear()
{
    {
        // One change for the whole clearing, not one per control.
        const QSignalBlocker quiet(this);
        findBox->clear();
        for (ChoiceBox *choice : {statusChoice, categoryChoice, priorityChoice, assigneeChoice})
            choice->setCurrentIndex(0);
        overdueOnly->setChecked(false);
    }
    emit criteriaChanged();
}

bool FilterBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == findBox && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        clear();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

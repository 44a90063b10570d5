#include "app/FilterBar.h"

#include "app/QueryCompleter.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDate>
#include <QEvent>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTextCharFormat>
#include <QToolButton>

#include <algorithm>

namespace {

// The find box's text drawn with a wavy red line under [from, from+length):
// a line edit shows formats only for text an input method is composing, so
// the formats go in as an input method's, with no text composed.
void underline(QLineEdit *edit, int from, int length)
{
    QList<QInputMethodEvent::Attribute> attributes;
    if (length > 0) {
        QTextCharFormat wavy;
        wavy.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        wavy.setUnderlineColor(Qt::red);
        attributes << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, from - edit->cursorPosition(), length,
                                                   wavy);
    }
    QInputMethodEvent event(QString(), attributes);
    QCoreApplication::sendEvent(edit, &event);
}

const QString findTip = QStringLiteral("Find: text, or a query such as status:open cat:docs due<2026-12-31 "
                                       "(see the README)");

} // namespace

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
    m_findBox->setToolTip(findTip);
    // The saved views (app/ViewCommands): chosen here or with Ctrl+1..9.
    m_viewsButton = new QToolButton(this);
    m_viewsButton->setObjectName(QStringLiteral("viewsButton"));
    m_viewsButton->setText(QStringLiteral("Views"));
    m_viewsButton->setAccessibleName(QStringLiteral("Saved views"));
    m_viewsButton->setToolTip(QStringLiteral("Saved views: choose one (Ctrl+1 to Ctrl+9), or save the list as it is "
                                             "shown now (Ctrl+S)"));
    m_viewsButton->setPopupMode(QToolButton::InstantPopup);
    m_viewsMenu = new QMenu(m_viewsButton);
    m_viewsMenu->setObjectName(QStringLiteral("viewsMenu"));
    m_viewsButton->setMenu(m_viewsMenu);
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
    layout->addWidget(m_viewsButton);
    layout->addWidget(m_findBox, 3);
    for (QWidget *widget :
         std::initializer_list<QWidget *>{m_statusChoice, m_categoryChoice, m_priorityChoice, m_assigneeChoice,
                                          m_overdueOnly, m_showClosed, m_counts, m_closeButton})
        layout->addWidget(widget);

    connect(m_findBox, &QLineEdit::textChanged, this, &FilterBar::readQuery);
    connect(m_statusChoice, &QComboBox::currentIndexChanged, this,
            [this] { writeChoice(m_statusChoice, IssueQuery::Field::Status, "status"); });
    connect(m_categoryChoice, &QComboBox::currentIndexChanged, this,
            [this] { writeChoice(m_categoryChoice, IssueQuery::Field::Category, "category"); });
    connect(m_priorityChoice, &QComboBox::currentIndexChanged, this,
            [this] { writeChoice(m_priorityChoice, IssueQuery::Field::Priority, "priority"); });
    connect(m_assigneeChoice, &QComboBox::currentIndexChanged, this,
            [this] { writeChoice(m_assigneeChoice, IssueQuery::Field::Assignee, "assignee"); });
    connect(m_overdueOnly, &QCheckBox::toggled, this, &FilterBar::writeOverdue);
    m_completer = new QueryCompleter(m_findBox, [this](IssueQuery::Field field) {
        for (const auto &[choice, named] : choices())
            if (named == field && choice->offered)
                return choice->offered();
        return QStringList();
    });
    connect(m_showClosed, &QCheckBox::toggled, this, &FilterBar::showClosedToggled);
    connect(m_closeButton, &QToolButton::clicked, this, &FilterBar::closeRequested);
}

IssueFilterCriteria FilterBar::criteria() const
{
    IssueFilterCriteria criteria;
    criteria.text = m_readText;
    return criteria;
}

QList<std::pair<ChoiceBox *, IssueQuery::Field>> FilterBar::choices() const
{
    return {{m_statusChoice, IssueQuery::Field::Status},
            {m_categoryChoice, IssueQuery::Field::Category},
            {m_priorityChoice, IssueQuery::Field::Priority},
            {m_assigneeChoice, IssueQuery::Field::Assignee}};
}

void FilterBar::readQuery()
{
    const QString text = m_findBox->text();
    try {
        const IssueQuery::Query query = IssueQuery::Query::parse(text, QDate::currentDate());
        showProblem(nullptr);
        showQuery(query);
        if (text == m_readText)
            return;
        m_readText = text;
        m_namesMe = query.namesMe();
        emit criteriaChanged();
    } catch (const IssueQuery::Unreadable &unreadable) {
        showProblem(&unreadable);
    }
}

void FilterBar::showProblem(const IssueQuery::Unreadable *unreadable)
{
    m_problem = unreadable ? unreadable->reason() : QString();
    m_findBox->setToolTip(unreadable ? unreadable->reason() : findTip);
    m_findBox->setAccessibleDescription(m_problem);
    if (!unreadable) {
        underline(m_findBox, 0, 0);
        return;
    }
    // A fault at the very end (a quote left open) marks the last character.
    const int size = int(m_findBox->text().size());
    const int from = std::min(unreadable->position(), std::max(0, size - 1));
    underline(m_findBox, from, std::max(1, std::min(unreadable->length(), size - from)));
}

void FilterBar::showQuery(const IssueQuery::Query &query)
{
    m_showing = true;
    for (const auto &[choice, field] : choices()) {
        const std::optional<QString> value = IssueQuery::soleValue(query, field);
        int index = 0;
        if (value) {
            index = choice->findText(*value, Qt::MatchFixedString);
            if (index <= 0) {
                choice->addItem(*value);
                index = choice->count() - 1;
            }
        }
        choice->setCurrentIndex(index);
    }
    bool overdue = false;
    for (const IssueQuery::Query::Conjunct &part : query.conjuncts())
        overdue = overdue || (part.node->kind == IssueQuery::Node::Kind::Match &&
                              part.node->condition.meaning == IssueQuery::Condition::Meaning::Overdue);
    m_overdueOnly->setChecked(overdue);
    m_showing = false;
}

void FilterBar::writeChoice(ChoiceBox *choice, IssueQuery::Field field, const char *name)
{
    if (m_showing)
        return;
    const QString value = choice->chosen();
    const QString quoted = IssueQuery::quotedValue(value);
    const QString term = value.isEmpty() || quoted.isEmpty() ? QString() : QLatin1String(name) + u':' + quoted;
    m_findBox->setText(IssueQuery::withTerm(
        m_findBox->text(), QDate::currentDate(),
        [field](const IssueQuery::Node &node) {
            return node.kind == IssueQuery::Node::Kind::Match && node.condition.field == field;
        },
        term));
}

void FilterBar::writeOverdue(bool overdue)
{
    if (m_showing)
        return;
    m_findBox->setText(IssueQuery::withTerm(
        m_findBox->text(), QDate::currentDate(),
        [](const IssueQuery::Node &node) {
            return node.kind == IssueQuery::Node::Kind::Match &&
                   node.condition.meaning == IssueQuery::Condition::Meaning::Overdue;
        },
        overdue ? QStringLiteral("due:overdue") : QString()));
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

QString FilterBar::queryText() const
{
    return m_findBox->text();
}

void FilterBar::setQueryText(const QString &text)
{
    m_findBox->setText(text);
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
        // The choices follow the emptied query; one change for the whole
        // clearing, not one per control.
        const QSignalBlocker quiet(this);
        m_findBox->clear();
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

#include "app/list/IssueQueryMatch.h"

#include "data/TextCollator.h"
#include "data/sqlite/Engine.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

using IssueQuery::Condition;
using IssueQuery::Field;
using IssueQuery::Node;
using Meaning = Condition::Meaning;

bool isAscii(const QString &text)
{
    // One pass that the compiler turns into wide loads: every row's text is
    // read here while a search runs.
    const char16_t *units = reinterpret_cast<const char16_t *>(text.utf16());
    char16_t seen = 0;
    for (qsizetype i = 0, size = text.size(); i < size; ++i)
        seen |= units[i];
    return seen < 0x80;
}

// A typed text, folded once; each cell is compared with it.
class TextNeedle {
public:
    explicit TextNeedle(const QString &typed)
        : m_folded(Engine::withoutCaseAndAccents(typed)), m_ascii(isAscii(m_folded))
    {
    }

    bool foundIn(const QString &cell) const
    {
        // Most texts are plain ASCII: a case-insensitive search decides
        // them; only a text with other characters is folded first.
        if (m_ascii) {
            if (cell.contains(m_folded, Qt::CaseInsensitive))
                return true;
            if (isAscii(cell))
                return false;
        }
        return Engine::withoutCaseAndAccents(cell).contains(m_folded);
    }

private:
    QString m_folded;
    bool m_ascii;
};

// Equal to the program's one text collation, as the database's "=" is.
class SameText {
public:
    explicit SameText(const QString &value) : m_value(value), m_lower(value.toLower()), m_ascii(isAscii(value)) {}

    bool is(const QString &cell) const
    {
        // Every row's cell of a column is compared here: an ASCII value is
        // compared character by character, ASCII letters folded; only a
        // cell with other characters needs the collation (which holds
        // "Ｃｌｏｓｅｄ" equal to "Closed").
        if (m_ascii) {
            if (cell.size() == m_lower.size()) {
                const char16_t *a = reinterpret_cast<const char16_t *>(cell.utf16());
                const char16_t *b = reinterpret_cast<const char16_t *>(m_lower.utf16());
                qsizetype i = 0;
                for (const qsizetype size = cell.size(); i < size; ++i) {
                    const char16_t c = a[i] >= u'A' && a[i] <= u'Z' ? char16_t(a[i] | 0x20) : a[i];
                    if (c != b[i])
                        break;
                }
                if (i == cell.size())
                    return true;
            }
            if (isAscii(cell))
                return false;
        }
        return TextCollator::ofThisThread().equal(cell, m_value);
    }

private:
    QString m_value;
    QString m_lower; // of an ASCII value: its letters in lower case
    bool m_ascii;
};

int columnOf(Field field)
{
    switch (field) {
    case Field::Title:
        return 1;
    case Field::Assignee:
        return 2;
    case Field::Opener:
        return 3;
    case Field::Opened:
        return IssueListModel::openedDateColumn;
    case Field::Due:
        return IssueListModel::dueDateColumn;
    case Field::Status:
        return 6;
    case Field::Category:
        return 7;
    case Field::Priority:
        return 8;
    case Field::Comment:
        return 9;
    case Field::Anywhere:
    case Field::State:
    case Field::Id:
        break;
    }
    return IssueListModel::idColumn;
}

} // namespace

struct IssueQueryMatch::Step {
    Node::Kind kind = Node::Kind::All;
    Meaning meaning = Meaning::Contains;
    Field field = Field::Anywhere;
    IssueQuery::Comparison comparison = IssueQuery::Comparison::Equal;
    int column = 0;
    std::optional<TextNeedle> needle;
    std::optional<SameText> same;                                      // Is, Me; none for a Me not known
    qint64 from = IssueListModel::noDate, to = IssueListModel::noDate; // Days, Overdue: [from, to)
    qint64 number = 0;
    std::vector<Step> children;

    Step(const Node &node, const QString &me, const QDate &today)
        : kind(node.kind), meaning(node.condition.meaning), field(node.condition.field),
          comparison(node.condition.comparison), column(columnOf(node.condition.field)), number(node.condition.number)
    {
        for (const Node &child : node.children)
            children.emplace_back(child, me, today);
        // Cheap conditions first: a row they decide is never searched for
        // text. Which order the terms are tried in changes no outcome.
        std::stable_sort(children.begin(), children.end(),
                         [](const Step &a, const Step &b) { return a.cost() < b.cost(); });
        if (kind != Node::Kind::Match)
            return;
        const Condition &c = node.condition;
        if (meaning == Meaning::Contains)
            needle.emplace(c.text);
        else if (meaning == Meaning::Is)
            same.emplace(c.text);
        else if (meaning == Meaning::Me && !me.isEmpty())
            same.emplace(me);
        else if (meaning == Meaning::Overdue)
            to = IssueListModel::dayKey(today);
        else if (meaning == Meaning::Days) {
            from = c.from.isValid() ? IssueListModel::dayKey(c.from) : IssueListModel::noDate;
            to = c.to.isValid() ? IssueListModel::dayKey(c.to) : IssueListModel::noDate;
        }
    }

    // How much reading a row takes: a compare of one cell, a search in one,
    // a search in every cell.
    int cost() const
    {
        int most = 0;
        for (const Step &child : children)
            most = std::max(most, child.cost());
        if (kind != Node::Kind::Match)
            return most;
        if (meaning == Meaning::Contains)
            return field == Field::Anywhere ? 3 : 2;
        return meaning == Meaning::Is || meaning == Meaning::Me ? 1 : 0;
    }

    bool keeps(const IssueListModel::Table &table, size_t row) const
    {
        switch (kind) {
        case Node::Kind::All:
            for (const Step &child : children)
                if (!child.keeps(table, row))
                    return false;
            return true;
        case Node::Kind::Any:
            for (const Step &child : children)
                if (child.keeps(table, row))
                    return true;
            return false;
        case Node::Kind::Not:
            return !children.front().keeps(table, row);
        case Node::Kind::Match:
            break;
        }
        const IssueListModel::Row &cells = table.rows[row];
        switch (meaning) {
        case Meaning::Contains:
            if (field != Field::Anywhere)
                return needle->foundIn(cells.cells[size_t(column)]);
            for (const QString &cell : cells.cells)
                if (needle->foundIn(cell))
                    return true;
            return false;
        case Meaning::Is:
        case Meaning::Me:
            return same && same->is(cells.cells[size_t(column)]);
        case Meaning::Empty:
            if (field == Field::Due || field == Field::Opened)
                return date(table, row) == IssueListModel::noDate;
            return cells.cells[size_t(column)].isEmpty();
        case Meaning::Open:
            return !cells.closed;
        case Meaning::Closed:
            return cells.closed;
        case Meaning::Overdue: {
            const qint64 due = date(table, row);
            return !cells.closed && due != IssueListModel::noDate && due < to;
        }
        case Meaning::Days: {
            const qint64 day = date(table, row);
            return day != IssueListModel::noDate && (from == IssueListModel::noDate || day >= from) &&
                   (to == IssueListModel::noDate || day < to);
        }
        case Meaning::Number:
            if (!cells.isNumber)
                return false;
            switch (comparison) {
            case IssueQuery::Comparison::Equal:
                return cells.number == number;
            case IssueQuery::Comparison::Less:
                return cells.number < number;
            case IssueQuery::Comparison::LessOrEqual:
                return cells.number <= number;
            case IssueQuery::Comparison::Greater:
                return cells.number > number;
            case IssueQuery::Comparison::GreaterOrEqual:
                return cells.number >= number;
            }
        }
        return false;
    }

    qint64 date(const IssueListModel::Table &table, size_t row) const
    {
        return table.dates[field == Field::Opened ? 0 : 1][row];
    }
};

IssueQueryMatch::IssueQueryMatch(const IssueQuery::Query &query, const QString &me, const QDate &today)
    : m_root(std::make_unique<Step>(query.root(), me, today))
{
}

IssueQueryMatch::~IssueQueryMatch() = default;
IssueQueryMatch::IssueQueryMatch(IssueQueryMatch &&) noexcept = default;

bool IssueQueryMatch::keepsEverything() const
{
    return m_root->kind == Node::Kind::All && m_root->children.empty();
}

bool IssueQueryMatch::keeps(const IssueListModel::Table &table, size_t row) const
{
    return m_root->keeps(table, row);
}

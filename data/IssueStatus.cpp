#include "data/IssueStatus.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/Recordset.h"
#include "data/SqlText.h"
#include "data/TextCollator.h"
#include "data/Transaction.h"

namespace IssueStatus {

namespace {

// Blanks (U+0020 only) trimmed from both ends, as SQL's trim() does.
QStringView withoutBlanksAround(QStringView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == u' ')
        ++from;
    while (to > from && text.at(to - 1) == u' ')
        --to;
    return text.mid(from, to - from);
}

bool isNamed(const QString &status, const char *name)
{
    return TextCollator::ofThisThread().equal(withoutBlanksAround(status), QString::fromLatin1(name));
}

} // namespace

bool isClosing(const QString &status)
{
    return isNamed(status, closedName);
}

ClosingRule::ClosingRule(QStringList marked) : m_marked(std::move(marked)) {}

ClosingRule ClosingRule::read(Connection &connection)
{
    Recordset rs;
    rs.Open(QStringLiteral("select Status from ClosingStatuses order by Status"), connection);
    QStringList marked;
    for (int row = 0; row < rs.rowCount(); ++row)
        marked << rs.field(row, 0).toTextOrEmpty();
    return ClosingRule(std::move(marked));
}

ClosingRule ClosingRule::readOrClosedAlone(Connection &connection)
{
    try {
        return read(connection);
    } catch (const Error &) {
        return {};
    }
}

bool ClosingRule::closes(const QString &status) const
{
    if (isClosing(status))
        return true;
    if (m_marked.isEmpty())
        return false;
    const QStringView bare = withoutBlanksAround(status);
    const TextCollator &collator = TextCollator::ofThisThread();
    for (const QString &mark : m_marked)
        if (collator.equal(bare, mark))
            return true;
    return false;
}

void markClosing(Connection &connection, const QStringList &closing, const QStringList &open)
{
    for (const QString &status : open)
        if (isClosing(status))
            throw Refusal(QStringLiteral("\u201c%1\u201d always closes an issue; nothing was changed.").arg(status));
    Transaction transaction(connection);
    for (const QString &status : open)
        connection.Execute(QStringLiteral("delete from ClosingStatuses where Status = %1")
                               .arg(SqlText::literal(withoutBlanksAround(status).toString())));
    for (const QString &status : closing) {
        if (isClosing(status))
            continue;
        const QString value = SqlText::literal(withoutBlanksAround(status).toString());
        connection.Execute(QStringLiteral("insert into ClosingStatuses (Status) select %1 where not exists "
                                          "(select 1 from ClosingStatuses where Status = %1)")
                               .arg(value));
    }
    transaction.commit();
}

int reopeningChoice(const QStringList &statuses, const ClosingRule &rule)
{
    for (int i = 0; i < statuses.size(); ++i)
        if (isNamed(statuses[i], "Open") && !rule.closes(statuses[i]))
            return i;
    for (int i = 0; i < statuses.size(); ++i)
        if (!rule.closes(statuses[i]))
            return i;
    return -1;
}

std::optional<QString> closingValue(Connection &connection)
{
    Recordset rs;
    for (rs.Open(QStringLiteral("select * from Status order by Status"), connection); !rs.Eof(); rs.MoveNext()) {
        const QString value = rs.Fields(QStringLiteral("Status")).toTextOrEmpty();
        if (isClosing(value))
            return value;
    }
    return std::nullopt;
}

QString addClosedStatement()
{
    return QStringLiteral("insert into [Status] values ('%1')").arg(QLatin1String(closedName));
}

QString setStatusStatement(const QString &status, qint64 id)
{
    return QStringLiteral("update Issues set Status=") + SqlText::literal(status) + QStringLiteral(" where ID=") +
           QString::number(id);
}

} // namespace IssueStatus

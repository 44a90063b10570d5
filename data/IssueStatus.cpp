#include "data/IssueStatus.h"

#include "data/Error.h"
#include "data/Recordset.h"
#include "data/SqlText.h"
#include "data/TextCollator.h"

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

int reopeningChoice(const QStringList &statuses)
{
    for (int i = 0; i < statuses.size(); ++i)
        if (isNamed(statuses[i], "Open"))
            return i;
    for (int i = 0; i < statuses.size(); ++i)
        if (!isClosing(statuses[i]))
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

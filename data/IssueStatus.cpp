#include "data/IssueStatus.h"

#include "data/Error.h"
#include "data/Recordset.h"
#include "data/SqlText.h"

namespace IssueStatus {

bool isClosing(const QString &status)
{
    // As the views decide it: blanks (only) trimmed, ASCII letters compared
    // without regard to case, as SQLite's trim() and upper() do.
    qsizetype from = 0;
    qsizetype to = status.size();
    while (from < to && status.at(from) == u' ')
        ++from;
    while (to > from && status.at(to - 1) == u' ')
        --to;
    const QLatin1String closed(closedName);
    if (to - from != closed.size())
        return false;
    for (qsizetype i = 0; i < closed.size(); ++i) {
        const char16_t c = status.at(from + i).unicode();
        const char16_t lower = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        if (lower != char16_t(QChar::toLower(closed.at(i).unicode())))
            return false;
    }
    return true;
}

int reopeningChoice(const QStringList &statuses)
{
    for (int i = 0; i < statuses.size(); ++i)
        if (statuses[i].trimmed().compare(QLatin1String("Open"), Qt::CaseInsensitive) == 0)
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

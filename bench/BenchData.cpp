#include "BenchData.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/SqlText.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace BenchData {
namespace {

const char *const words[] = {"printer", "jam",     "login",  "fails",  "report", "slow",    "server", "backup",
                             "invoice", "missing", "update", "screen", "crash",  "network", "email",  "password",
                             "upgrade", "license", "export", "import", "error",  "timeout", "queue",  "paper"};

QString sentence(QRandomGenerator &random, int minLength, int maxLength)
{
    const int target = random.bounded(minLength, maxLength + 1);
    QString text;
    while (text.size() < target) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += QLatin1String(words[random.bounded(int(std::size(words)))]);
    }
    text.truncate(target);
    text[0] = text[0].toUpper();
    return text;
}

QString comment(QRandomGenerator &random)
{
    const int target = random.bounded(0, 2001);
    QString text;
    while (text.size() < target) {
        text += sentence(random, 20, 90);
        text += random.bounded(4) == 0 ? QStringLiteral(".\r\n") : QStringLiteral(". ");
    }
    text.truncate(target);
    return text;
}

QString templatePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/dbBlank.mdb");
}

} // namespace

QString emptyDatabase(const QString &folder)
{
    const QString path = folder + QStringLiteral("/empty.mdb");
    if (!QFileInfo::exists(path) && !QFile::copy(templatePath(), path))
        qFatal("cannot copy %s", qPrintable(templatePath()));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

QString database(const QString &folder, int issues)
{
    const QString path = folder + QStringLiteral("/issues-%1.mdb").arg(issues);
    if (QFileInfo::exists(path))
        return path;
    const QString building = path + QStringLiteral(".building");
    QFile::remove(building);
    if (!QFile::copy(templatePath(), building))
        qFatal("cannot copy %s", qPrintable(templatePath()));
    QFile::setPermissions(building, QFile::ReadOwner | QFile::WriteOwner);

    QRandomGenerator random(20211231);
    Connection connection;
    connection.Open(ConnectionText::dataSource(building));
    connection.Execute(QStringLiteral("begin"));
    for (int c = 0; c < 200; ++c)
        connection.Execute(QStringLiteral("insert into Contacts ([First Name],[Last Name],[E-mail Address],Company) "
                                          "values ('%1','%2','person%3@example.org','%4')")
                               .arg(sentence(random, 3, 9), sentence(random, 4, 12))
                               .arg(c)
                               .arg(sentence(random, 5, 20)));
    const QStringList statuses = {QStringLiteral("Closed"),  QStringLiteral("New"),     QStringLiteral("Open"),
                                  QStringLiteral("Waiting"), QStringLiteral("Testing"), QStringLiteral("Review"),
                                  QStringLiteral("Blocked"), QStringLiteral("Planned"), QStringLiteral("Deferred"),
                                  QStringLiteral("Reopened")};
    for (const QString &status : statuses)
        connection.Execute(QStringLiteral("insert into [Status] values ('%1')").arg(status));
    for (int k = 0; k < 8; ++k)
        connection.Execute(QStringLiteral("insert into [Categories] values ('Category %1')").arg(k + 1));
    const QStringList priorities = {QStringLiteral("Urgent"), QStringLiteral("High"), QStringLiteral("Normal"),
                                    QStringLiteral("Low")};
    for (const QString &priority : priorities)
        connection.Execute(QStringLiteral("insert into [Priorities] values ('%1')").arg(priority));

    const QDate start(2021, 1, 1);
    for (int i = 0; i < issues; ++i) {
        // "Closed" holds about a tenth; the other nine share the rest.
        const QString status = random.bounded(10) == 0 ? statuses[0] : statuses[1 + random.bounded(9)];
        const QDate opened = start.addDays(random.bounded(5 * 365));
        const QString due = random.bounded(5) == 0
                                ? QStringLiteral("null")
                                : QStringLiteral("'%1'").arg(opened.addDays(random.bounded(90)).toString(Qt::ISODate));
        connection.Execute(
            QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,"
                           "Comment,[Due Date]) values ('%1',%2,%3,'%4','%5','Category %6','%7','%8',%9)")
                .arg(SqlText::doubled(sentence(random, 20, 80)))
                .arg(1 + random.bounded(200))
                .arg(1 + random.bounded(200))
                .arg(opened.toString(Qt::ISODate), status)
                .arg(1 + random.bounded(8))
                .arg(priorities[random.bounded(4)], SqlText::doubled(comment(random)), due));
        if (i % 5000 == 4999) {
            connection.Execute(QStringLiteral("commit"));
            connection.Execute(QStringLiteral("begin"));
        }
    }
    connection.Execute(QStringLiteral("commit"));
    connection.Close();
    if (!QFile::rename(building, path))
        qFatal("cannot store %s", qPrintable(path));
    return path;
}

} // namespace BenchData

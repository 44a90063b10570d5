// A build without server support (MARROWDESK_WITH_POSTGRES off, no libpq):
// a connection string that names a server is still told apart from a file,
// so that the user learns why it cannot be opened, and the listener for
// others' changes stays silent, as it does on a file.

#include "data/ChangeListener.h"
#include "data/Connection.h"
#include "data/Error.h"

std::unique_ptr<Session> openServerSession(const QString &target)
{
    Q_UNUSED(target)
    throw Refusal(QStringLiteral("The connection string names a database server, but this build of Marrowdesk has "
                                 "no server support: it opens database files only. Use a build with server support, "
                                 "or name a file with \"data source=\"."));
}

bool ConnectionText::namesServer(const QString &connectionString)
{
    // libpq's own parser is not at hand: a URI, or key=value pairs whose
    // first key is one libpq knows.
    const QString trimmed = connectionString.trimmed();
    if (trimmed.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
        trimmed.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive))
        return true;
    if (trimmed.contains(QLatin1String("data source"), Qt::CaseInsensitive))
        return false;
    static const QStringList keys = {QStringLiteral("host"),    QStringLiteral("hostaddr"), QStringLiteral("port"),
                                     QStringLiteral("dbname"),  QStringLiteral("user"),     QStringLiteral("password"),
                                     QStringLiteral("service"), QStringLiteral("sslmode")};
    const QString firstKey = trimmed.section(QLatin1Char('='), 0, 0).trimmed().toLower();
    return trimmed.contains(QLatin1Char('=')) && keys.contains(firstKey);
}

ChangeListener::ChangeListener(const Connection &, QObject *parent) : QObject(parent) {}

ChangeListener::~ChangeListener() = default;

const QStringList &ChangeListener::tables()
{
    static const QStringList all = {QStringLiteral("Issues"),     QStringLiteral("Contacts"),
                                    QStringLiteral("Status"),     QStringLiteral("Categories"),
                                    QStringLiteral("Priorities"), QStringLiteral("Notes")};
    return all;
}

#include "TestServer.h"

#include "data/postgres/PgSchema.h"
#include "data/postgres/PgSession.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace TestServer {
namespace {

QString withKey(const QString &target, const QString &key, const QString &value)
{
    QString changed = target;
    return changed.replace(QRegularExpression(key + QStringLiteral("=\\S+")), key + QLatin1Char('=') + value);
}

QString withDatabase(const QString &target, const QString &name)
{
    return withKey(target, QStringLiteral("dbname"), name);
}

QString newName()
{
    static int made = 0;
    return QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
}

} // namespace

QString adminTarget()
{
    QFile file(qEnvironmentVariable("MARROWDESK_TEST_SERVER"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("No PostgreSQL test server: MARROWDESK_TEST_SERVER names no readable file (run the tests with ctest, "
               "which starts the server)");
    return QString::fromUtf8(file.readAll()).trimmed();
}

QString emptyDatabase()
{
    const QString name = newName();
    PgSession(adminTarget()).execute(QStringLiteral("CREATE DATABASE %1").arg(name));
    return withDatabase(adminTarget(), name);
}

QString freshDatabase()
{
    // Made once per test program, then copied by the server, which is fast.
    static const QString templateName = [] {
        const QString name = newName();
        PgSession admin(adminTarget());
        admin.execute(QStringLiteral("CREATE DATABASE %1").arg(name));
        PgSession made(withDatabase(adminTarget(), name));
        PgSchema::create(made);
        return name;
    }();
    const QString name = newName();
    PgSession(adminTarget()).execute(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(name, templateName));
    return withDatabase(adminTarget(), name);
}

QString asRole(const QString &target, const QString &role)
{
    return withKey(target, QStringLiteral("user"), role);
}

PrivateCluster::PrivateCluster()
{
    if (!script(QStringLiteral("start")))
        return;
    QFile targetFile(m_folder.filePath(QStringLiteral("target")));
    if (!targetFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("server.sh wrote no target");
        return;
    }
    m_target = QString::fromUtf8(targetFile.readAll()).trimmed();
    PgSession session(m_target);
    PgSchema::create(session);
}

PrivateCluster::~PrivateCluster()
{
    script(QStringLiteral("stop"));
}

bool PrivateCluster::restart(const QString &mode)
{
    return script(QStringLiteral("restart"), mode);
}

bool PrivateCluster::halt()
{
    return script(QStringLiteral("halt"));
}

bool PrivateCluster::resume()
{
    return script(QStringLiteral("resume"));
}

bool PrivateCluster::script(const QString &verb, const QString &mode)
{
    QProcess run;
    QStringList arguments{verb, m_folder.path()};
    if (!mode.isEmpty())
        arguments << mode;
    run.start(QStringLiteral(MARROWDESK_SOURCE_DIR "/tests/pg/server.sh"), arguments);
    if (!run.waitForFinished(120000) || run.exitCode() != 0) {
        m_error = QStringLiteral("server.sh %1: %2").arg(verb, QString::fromUtf8(run.readAllStandardError()));
        return false;
    }
    return true;
}

} // namespace TestServer

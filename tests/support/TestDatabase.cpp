#include "TestDatabase.h"

#include "data/Connection.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

TestDatabase::TestDatabase()
{
    const QString target = path();
    if (!QFile::copy(templatePath(), target))
        qFatal("cannot copy the template %s", qPrintable(templatePath()));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
}

QString TestDatabase::path() const
{
    return m_folder.filePath(QStringLiteral("dbData.mdb"));
}

QString TestDatabase::connectionString() const
{
    return QStringLiteral("provider=microsoft.jet.oledb.4.0;") + ConnectionText::dataSource(path()) +
           QStringLiteral(";JET OLEDB:Database Password=");
}

void TestDatabase::open(Connection &connection) const
{
    connection.Open(connectionString());
}

QString TestDatabase::templatePath()
{
    return QStringLiteral(MARROWDESK_BIN_DIR "/dbBlank.mdb");
}

void installTemplateBesideProgram()
{
    // Always afresh: a copy left by an earlier build may hold an older schema.
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/dbBlank.mdb");
    QFile::remove(beside);
    QFile::copy(TestDatabase::templatePath(), beside);
}

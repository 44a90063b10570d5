// marrowdesk-mktemplate SCHEMA OUTPUT: runs the schema script on a new
// database, upgrades it to the newest schema version, and puts it at OUTPUT,
// replacing an earlier build's file whole.

#include "data/Error.h"
#include "data/SchemaUpgrade.h"
#include "data/sqlite/SqliteSession.h"

#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: marrowdesk-mktemplate SCHEMA.sql OUTPUT.mdb\n");
        return 2;
    }
    QFile schemaFile(QFile::decodeName(argv[1]));
    if (!schemaFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray schema = schemaFile.readAll();
    const QString output = QFile::decodeName(argv[2]);
    const QString building = output + QStringLiteral(".building");
    QFile::remove(building);
    try {
        const auto file = SqliteSession::create(building);
        file->runScript(schema);
        // The template has the schema's newest version, made by the same
        // steps that upgrade an older file.
        SchemaUpgrade::upgrade(*file);
    } catch (const Error &error) {
        std::fprintf(stderr, "%s\n", error.what());
        QFile::remove(building);
        return 1;
    }
    QFile::remove(output);
    if (!QFile::rename(building, output)) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

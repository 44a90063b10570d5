#pragma once
// A fresh copy of the built template in a temporary folder, for tests.

#include <QString>
#include <QTemporaryDir>

class Connection;

class TestDatabase {
public:
    TestDatabase();

    // The copy's path, and a connection string naming it.
    QString path() const;
    QString connectionString() const;

    // Opens a connection on the copy.
    void open(Connection &connection) const;

    // The template the build made.
    static QString templatePath();

private:
    QTemporaryDir m_folder;
};

// Puts the built template where start-up looks for it: beside the test
// executable. Tests of start-up need it there.
void installTemplateBesideProgram();

#pragma once
// The trash's own statements on either engine (data/Trash.cpp): plain
// SQLite text on a file, where the group is bound to ?1; on the server the
// same text runs through the program's dialect with the group (a number)
// written in, since the trash's tables and columns are the same there.

#include "data/Connection.h"
#include "data/PreparedStatement.h"
#include "data/Recordset.h"

#include <optional>

#include <sqlite3.h>

namespace Trash {

// One statement, run or stepped row by row; the group, when not 0, is bound
// to ?1.
class Statement {
public:
    Statement(Connection &connection, const QString &sql, qint64 group = 0) : m_connection(connection)
    {
        if (connection.server()) {
            m_serverText = QString(sql).replace(QLatin1String("?1"), QString::number(group));
            return;
        }
        m_prepared.emplace(connection.handle(), sql, connection.fileName());
        if (group != 0)
            sqlite3_bind_int64(m_prepared->handle(), 1, group);
    }
    bool next()
    {
        if (m_prepared)
            return m_prepared->step();
        if (m_rows.State() == 0)
            m_rows.Open(m_serverText, m_connection);
        else
            m_rows.MoveNext();
        return !m_rows.Eof();
    }
    void run()
    {
        if (m_prepared)
            m_prepared->runToEnd();
        else
            m_connection.Execute(m_serverText);
    }
    qint64 integer(int column) const
    {
        return m_prepared ? sqlite3_column_int64(m_prepared->handle(), column) : m_rows.field(column).toInteger();
    }
    bool isNull(int column) const
    {
        return m_prepared ? sqlite3_column_type(m_prepared->handle(), column) == SQLITE_NULL
                          : m_rows.field(column).isNull();
    }
    QString text(int column) const
    {
        if (!m_prepared)
            return m_rows.field(column).toTextOrEmpty();
        sqlite3_stmt *s = m_prepared->handle();
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, column)),
                                 sqlite3_column_bytes(s, column));
    }

private:
    Connection &m_connection;
    std::optional<PreparedStatement> m_prepared;
    QString m_serverText;
    Recordset m_rows;
};

} // namespace Trash

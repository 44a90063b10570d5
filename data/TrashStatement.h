#pragma once
// The trash's own statements (data/Trash.cpp), on either engine: the
// program's dialect, with the group (a number) written in for ?1, since the
// trash's tables and columns are the same on both.

#include "data/Connection.h"
#include "data/Recordset.h"

namespace Trash {

// One statement, run or read row by row.
class Statement {
public:
    Statement(Connection &connection, const QString &sql, qint64 group = 0)
        : m_connection(connection), m_text(QString(sql).replace(QLatin1String("?1"), QString::number(group)))
    {
    }
    bool next()
    {
        if (m_rows.State() == 0)
            m_rows.Open(m_text, m_connection);
        else
            m_rows.MoveNext();
        return !m_rows.Eof();
    }
    int run() { return m_connection.Execute(m_text); }
    qint64 integer(int column) const { return m_rows.field(column).toInteger(); }
    bool isNull(int column) const { return m_rows.field(column).isNull(); }
    QString text(int column) const { return m_rows.field(column).toTextOrEmpty(); }

private:
    Connection &m_connection;
    QString m_text;
    Recordset m_rows;
};

} // namespace Trash

#pragma once
// A static, read-only snapshot of a query's rows: Open runs the query and
// holds all its rows, positioned on the first.

#include "data/Session.h"
#include "data/Value.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class Connection;

class Recordset : private RowSink {
public:
    // The cursor and lock kinds the program passes; only static read-only exists.
    enum CursorType { adOpenStatic = 3 };
    enum LockType { adLockReadOnly = 1 };

    // Runs the query (the program's dialect) on the connection. Throws Error.
    void Open(const QString &query, Connection &connection, CursorType cursor = adOpenStatic,
              LockType lock = adLockReadOnly);

    // Runs a query with placeholders $1, $2 ... in the dialect both engines
    // share, untranslated (Session::query). Throws Error.
    void Open(const QString &query, const QStringList &parameters, Connection &connection);

    // True when there is no current row: at once for an empty result, and
    // for a recordset that is not open. (Named Eof: EOF is a C macro.)
    bool Eof() const { return m_current >= m_rowCount; }

    // The current row's value of a column, matched without regard to case.
    // Throws when the column does not exist or there is no current row.
    const Value &Fields(const QString &name) const;

    void MoveNext();
    void Close();

    // 0 when closed, 1 when open.
    int State() const { return m_open ? 1 : 0; }

    // The position of a column, matched without regard to case; -1 when the
    // result has no such column. Readers of many rows look a name up once.
    int columnIndex(const QString &name) const { return columnOf(name); }

    // Column access by position, for tools that print whole results.
    int fieldCount() const { return static_cast<int>(m_names.size()); }
    const QString &fieldName(int column) const { return m_names[column]; }
    const Value &field(int column) const;
    // Any row's value by position, for readers that visit rows out of order.
    // Throws when the row does not exist.
    const Value &field(int row, int column) const;
    int rowCount() const { return m_rowCount; }

private:
    void fill(Connection &connection, const std::function<void(Session &)> &read);
    void columns(const QStringList &names) override;
    void value(Value value) override;
    int columnOf(const QString &name) const;

    QStringList m_names;
    // The column of a name as the query spells it; other spellings are found
    // by a case-insensitive scan of m_names.
    QHash<QString, int> m_columnByName;
    // The values row after row, in blocks of a fixed size: a result of many
    // rows grows block by block and never moves the values it already holds.
    static constexpr size_t valuesPerBlock = 4096;
    const Value &valueAt(size_t index) const { return m_blocks[index / valuesPerBlock][index % valuesPerBlock]; }
    void append(Value value);
    std::vector<std::vector<Value>> m_blocks;
    size_t m_valueCount = 0;
    int m_rowCount = 0;
    int m_current = 0;
    bool m_open = false;
};

#include "data/Recordset.h"

#include "data/Connection.h"
#include "data/Error.h"

void Recordset::Open(const QString &query, const QStringList &parameters, Connection &connection)
{
    fill(connection, [&](Session &session) { session.query(query, parameters, *this); });
}

void Recordset::Open(const QString &query, Connection &connection, CursorType, LockType)
{
    fill(connection, [&](Session &session) { session.query(session.translate(query), *this); });
}

void Recordset::fill(Connection &connection, const std::function<void(Session &)> &read)
{
    Close();
    Session *session = connection.session();
    if (!session)
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
    try {
        read(*session);
    } catch (...) {
        Close();
        throw;
    }
    if (const qsizetype columns = m_names.size())
        m_rowCount = int(m_valueCount / size_t(columns));
    m_open = true;
}

void Recordset::columns(const QStringList &names)
{
    m_names = names;
    // Inserted last to first, so that of two equal names the first wins.
    for (qsizetype c = names.size() - 1; c >= 0; --c)
        m_columnByName.insert(m_names[c], int(c));
}

void Recordset::value(Value value)
{
    append(std::move(value));
}

const Value &Recordset::Fields(const QString &name) const
{
    const int column = columnOf(name);
    if (column < 0)
        throw Error(QStringLiteral("The column \"%1\" is not in the result of the query.").arg(name));
    return field(column);
}

int Recordset::columnOf(const QString &name) const
{
    const auto exact = m_columnByName.constFind(name);
    if (exact != m_columnByName.constEnd())
        return exact.value();
    for (int c = 0; c < m_names.size(); ++c)
        if (m_names[c].compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

const Value &Recordset::field(int column) const
{
    if (Eof())
        throw Error(QStringLiteral("There is no current row: the query has no more rows."));
    return valueAt(static_cast<size_t>(m_current) * m_names.size() + column);
}

const Value &Recordset::field(int row, int column) const
{
    if (row < 0 || row >= m_rowCount)
        throw Error(QStringLiteral("The query has no row %1.").arg(row + 1));
    return valueAt(static_cast<size_t>(row) * m_names.size() + column);
}

void Recordset::append(Value value)
{
    if (m_blocks.empty() || m_blocks.back().size() == valuesPerBlock) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(valuesPerBlock);
    }
    m_blocks.back().push_back(std::move(value));
    ++m_valueCount;
}

void Recordset::MoveNext()
{
    if (Eof())
        throw Error(QStringLiteral("There is no current row to move on from: the query has no more rows."));
    ++m_current;
}

void Recordset::Close()
{
    m_names.clear();
    m_columnByName.clear();
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_valueCount = 0;
    m_rowCount = 0;
    m_current = 0;
    m_open = false;
}

#include "data/Recordset.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Error.h"
#include "data/JetSql.h"
#include "data/PreparedStatement.h"
#include "data/postgres/PgSession.h"

#include <sqlite3.h>

namespace {

bool isDateColumn(const char *declaredType)
{
    return declaredType && QByteArray(declaredType).toUpper().contains("DATE");
}

QString columnText(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
}

Value readValue(sqlite3_stmt *statement, int column, bool dateColumn)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return Value();
    case SQLITE_INTEGER:
        return Value(static_cast<qint64>(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(statement, column));
    default:
        break;
    }
    QString text = columnText(statement, column);
    if (dateColumn) {
        if (const auto date = DateText::fromIso(text)) {
            if (const QDate *plain = std::get_if<QDate>(&*date))
                return Value(*plain);
            return Value(std::get<QDateTime>(*date));
        }
    }
    return Value(std::move(text));
}

} // namespace

void Recordset::Open(const QString &query, Connection &connection, CursorType, LockType)
{
    Close();
    if (!connection.State())
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
    if (PgSession *server = connection.server()) {
        openOnServer(*server, query);
        return;
    }
    PreparedStatement prepared(connection.handle(), JetSql::toSqlite(query), connection.fileName());
    sqlite3_stmt *statement = prepared.handle();
    try {
        // The columns are read after the first step: when the schema changed
        // since the prepare (another program redefined a view), SQLite
        // prepares the statement again inside that step, and only then do
        // names, count and declared types match the values it delivers.
        bool row = prepared.step();
        const int columns = sqlite3_column_count(statement);
        std::vector<bool> dateColumns(columns);
        for (int c = 0; c < columns; ++c) {
            m_names.append(QString::fromUtf8(sqlite3_column_name(statement, c)));
            dateColumns[c] = isDateColumn(sqlite3_column_decltype(statement, c));
        }
        // Inserted last to first, so that of two equal names the first wins.
        for (int c = columns - 1; c >= 0; --c)
            m_columnByName.insert(m_names[c], c);
        for (; row; row = prepared.step()) {
            for (int c = 0; c < columns; ++c)
                append(readValue(statement, c, dateColumns[c]));
            ++m_rowCount;
        }
    } catch (...) {
        Close();
        throw;
    }
    m_open = true;
}

void Recordset::openOnServer(PgSession &server, const QString &query)
{
    const PgResult result = server.query(JetSql::toPostgres(query));
    const int columns = result.columnCount();
    for (int c = 0; c < columns; ++c)
        m_names.append(result.columnName(c));
    for (int c = columns - 1; c >= 0; --c)
        m_columnByName.insert(m_names[c], c);
    for (int row = 0; row < result.rowCount(); ++row) {
        for (int c = 0; c < columns; ++c)
            append(result.value(row, c));
        ++m_rowCount;
    }
    m_open = true;
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
    m_rowCount = 0;
    m_current = 0;
    m_open = false;
}

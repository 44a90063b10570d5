#include "data/postgres/PgSession.h"

#include <QDateTime>

#include <libpq-fe.h>

namespace {

// Type OIDs of the server's built-in types (pg_type.dat); they never change.
enum : Oid {
    boolOid = 16,
    int8Oid = 20,
    int2Oid = 21,
    int4Oid = 23,
    oidOid = 26,
    float4Oid = 700,
    float8Oid = 701,
    dateOid = 1082,
    timestampOid = 1114,
    timestampTzOid = 1184,
    numericOid = 1700,
};

// The digits at text[from, from + count), or -1 when any is not a digit.
int digits(const char *text, int from, int count)
{
    int number = 0;
    for (int i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

Value dateTimeValue(const char *text, int length)
{
    // The session's DateStyle is ISO: "2021-08-31 14:05:00", perhaps with
    // fractions of a second and, for timestamptz, a zone. Read by hand: a
    // list of 100,000 issues holds 200,000 of them, and QDateTime's format
    // parser would take longer than the server to send them.
    const QDate date = length >= 19 && text[4] == '-' && text[7] == '-' && text[10] == ' '
                           ? QDate(digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2))
                           : QDate();
    const QTime time = date.isValid() ? QTime(digits(text, 11, 2), digits(text, 14, 2), digits(text, 17, 2)) : QTime();
    if (!time.isValid())
        return Value(QString::fromUtf8(text, length));
    if (time == QTime(0, 0))
        return Value(date);
    return Value(QDateTime(date, time));
}

} // namespace

PgResult::PgResult(pg_result *result) : m_result(result), m_types(new unsigned int[PQnfields(result)])
{
    for (int c = 0; c < PQnfields(result); ++c)
        m_types[c] = PQftype(result, c);
}

PgResult::~PgResult()
{
    PQclear(m_result);
}

PgResult::PgResult(PgResult &&other) noexcept : m_result(other.m_result), m_types(std::move(other.m_types))
{
    other.m_result = nullptr;
}

int PgResult::rowCount() const
{
    return PQntuples(m_result);
}

int PgResult::columnCount() const
{
    return PQnfields(m_result);
}

QString PgResult::columnName(int column) const
{
    return QString::fromUtf8(PQfname(m_result, column));
}

Value PgResult::value(int row, int column) const
{
    if (PQgetisnull(m_result, row, column))
        return Value();
    const char *text = PQgetvalue(m_result, row, column);
    const int length = PQgetlength(m_result, row, column);
    switch (m_types[column]) {
    case boolOid:
        return Value(static_cast<qint64>(text[0] == 't' ? 1 : 0));
    case int2Oid:
    case int4Oid:
    case int8Oid:
    case oidOid:
        return Value(QByteArray::fromRawData(text, length).toLongLong());
    case float4Oid:
    case float8Oid:
        return Value(QByteArray::fromRawData(text, length).toDouble());
    case numericOid: {
        const QByteArray number = QByteArray::fromRawData(text, length);
        bool whole = false;
        const qint64 integer = number.toLongLong(&whole);
        return whole ? Value(integer) : Value(number.toDouble());
    }
    case dateOid:
        return Value(QDate::fromString(QString::fromLatin1(text, length), Qt::ISODate));
    case timestampOid:
    case timestampTzOid:
        return dateTimeValue(text, length);
    default:
        return Value(QString::fromUtf8(text, length));
    }
}

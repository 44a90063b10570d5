#pragma once
// One cell of a query result: null, integer, real, text, date or date-time.

#include <QDate>
#include <QDateTime>
#include <QString>

#include <variant>

class Value {
public:
    enum class Type { Null, Integer, Real, Text, Date, DateTime };

    Value() = default;
    explicit Value(qint64 integer) : m_data(integer) {}
    explicit Value(double real) : m_data(real) {}
    explicit Value(QString text) : m_data(std::move(text)) {}
    explicit Value(QDate date) : m_data(date) {}
    explicit Value(QDateTime dateTime) : m_data(std::move(dateTime)) {}

    Type type() const { return static_cast<Type>(m_data.index()); }
    bool isNull() const { return type() == Type::Null; }

    // The plain conversion to text: fails with "Invalid use of Null" on null.
    // Dates give the short date form, with the time of day only when there is one.
    QString toText() const;

    // The appending conversion: null becomes empty text, never fails.
    QString toTextOrEmpty() const;

    // The value as a whole number; fails on null and on text that is not a number.
    qint64 toInteger() const;

    // The date part of a date or date-time, or of text in a date form; fails otherwise.
    QDate toDate() const;

    // The raw alternatives, for code that sorts or measures values.
    const QString *text() const { return std::get_if<QString>(&m_data); }
    const QDate *date() const { return std::get_if<QDate>(&m_data); }
    const QDateTime *dateTime() const { return std::get_if<QDateTime>(&m_data); }

    bool operator==(const Value &other) const = default;

private:
    std::variant<std::monostate, qint64, double, QString, QDate, QDateTime> m_data;
};

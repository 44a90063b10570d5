#include "data/Value.h"

#include "data/DateText.h"
#include "data/Error.h"

QString Value::toText() const
{
    switch (type()) {
    case Type::Null:
        throw Error(QStringLiteral("Invalid use of Null"));
    case Type::Integer:
        return QString::number(std::get<qint64>(m_data));
    case Type::Real:
        return QString::number(std::get<double>(m_data), 'g', QLocale::FloatingPointShortest);
    case Type::Text:
        return std::get<QString>(m_data);
    case Type::Date:
        return DateText::toText(std::get<QDate>(m_data));
    case Type::DateTime:
        return DateText::toText(std::get<QDateTime>(m_data));
    }
    return {};
}

QString Value::toTextOrEmpty() const
{
    return isNull() ? QString() : toText();
}

qint64 Value::toInteger() const
{
    switch (type()) {
    case Type::Null:
        throw Error(QStringLiteral("Invalid use of Null"));
    case Type::Integer:
        return std::get<qint64>(m_data);
    case Type::Real:
        return qRound64(std::get<double>(m_data));
    case Type::Text: {
        bool ok = false;
        const qint64 number = std::get<QString>(m_data).trimmed().toLongLong(&ok);
        if (ok)
            return number;
        break;
    }
    default:
        break;
    }
    throw Error(QStringLiteral("Type mismatch: \"%1\" is not a whole number.").arg(toText()));
}

QDate Value::toDate() const
{
    switch (type()) {
    case Type::Null:
        throw Error(QStringLiteral("Invalid use of Null"));
    case Type::Date:
        return std::get<QDate>(m_data);
    case Type::DateTime:
        return std::get<QDateTime>(m_data).date();
    case Type::Text:
        if (const auto parsed = DateText::parse(std::get<QString>(m_data))) {
            if (const QDate *date = std::get_if<QDate>(&*parsed))
                return *date;
            return std::get<QDateTime>(*parsed).date();
        }
        break;
    default:
        break;
    }
    throw Error(QStringLiteral("Type mismatch: \"%1\" is not a date.").arg(toText()));
}

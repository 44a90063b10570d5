#pragma once
// The one kind of failure the program reports: a description fit to show a
// user. The error block shows it; nothing else inspects it.

#include <QByteArray>
#include <QString>

#include <exception>

class Error : public std::exception {
public:
    explicit Error(QString description) : m_description(std::move(description)), m_utf8(m_description.toUtf8()) {}

    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

// A refusal caused by the user's input or by the state of the data (a value
// already in its list, a record deleted meanwhile, the file busy in another
// program, a full disk), not by a fault of the program. Its description says
// what happened and what to do; it is shown as a plain message.
class Refusal : public Error {
public:
    using Error::Error;
};

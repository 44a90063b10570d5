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

#include "data/ChangeSource.h"

#include "data/Connection.h"

namespace ChangeSource {
namespace {

QString &processSource()
{
    static QString source = QString::fromLatin1(unnamed);
    return source;
}

} // namespace

void setForProcess(const QString &source)
{
    processSource() = source;
}

QString forProcess()
{
    return processSource();
}

Scope::Scope(Connection &connection, const QString &source)
    : m_connection(connection), m_before(connection.changeSource())
{
    m_connection.setChangeSource(source);
}

Scope::~Scope()
{
    try {
        m_connection.setChangeSource(m_before);
    } catch (...) {
        // A server gone meanwhile: the reconnect names the source again.
    }
}

} // namespace ChangeSource

#include "platform/ErrorBlock.h"

#include "platform/Dialogs.h"

QString ErrorBlock::message(const QString &description, const QString &location, int stepNumber)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(stepNumber) +
           QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") +
           QLatin1String(supportAddress);
}

QString ErrorBlock::location(const char *window, const char *operation)
{
    return QStringLiteral("in Pellucid2021/08/31.%1.%2 ").arg(QLatin1String(window), QLatin1String(operation));
}

namespace {
// The outermost block alive on the user-interface thread: the command.
ErrorBlock *runningCommand = nullptr;
} // namespace

ErrorBlock::ErrorBlock(QString location) : m_location(std::move(location))
{
    if (!runningCommand)
        runningCommand = this;
    m_command = runningCommand;
}

ErrorBlock::~ErrorBlock()
{
    if (runningCommand == this)
        runningCommand = nullptr;
}

ErrorBlock::NewCommands::NewCommands() : m_outer(runningCommand)
{
    runningCommand = nullptr;
}

ErrorBlock::NewCommands::~NewCommands()
{
    runningCommand = m_outer;
}

bool ErrorBlock::firstShowing(const QString &description)
{
    QSet<QString> &shown = m_command->m_shown;
    if (shown.contains(description))
        return false;
    shown.insert(description);
    return true;
}

void ErrorBlock::refuse(const QString &description)
{
    ++m_failures;
    if (firstShowing(description))
        platform::msgBox(description);
}

void ErrorBlock::report(const QString &description)
{
    ++m_failures;
    if (!firstShowing(description))
        return;
    platform::dialogs().message(message(description, m_location, m_step), QStringLiteral("Application Error"),
                                platform::Buttons::Ok, platform::Icon::Warning);
}

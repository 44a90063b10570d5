#include "data/ErrorBlock.h"

#include "platform/Dialogs.h"

QString ErrorBlock::message(const QString &description, const QString &location, int stepNumber)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(stepNumber) +
           QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") +
           QLatin1String(supportAddress);
}

void ErrorBlock::report(const QString &description)
{
    ++m_failures;
    platform::dialogs().message(message(description, m_location, m_step), QStringLiteral("Application Error"),
                                platform::Buttons::Ok, platform::Icon::Warning);
}

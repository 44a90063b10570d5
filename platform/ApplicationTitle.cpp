#include "platform/ApplicationTitle.h"

#include <QCoreApplication>

namespace platform {
namespace {
QString &storedTitle()
{
    static QString title = QString::fromLatin1(productName);
    return title;
}
} // namespace

QString applicationTitle()
{
    return storedTitle();
}

void setApplicationTitle(const QString &title)
{
    storedTitle() = title;
    if (QCoreApplication::instance())
        QCoreApplication::setApplicationName(title);
}

} // namespace platform

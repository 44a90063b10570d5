#include "platform/Controls.h"

#include "platform/AccessKeys.h"

#include <QLabel>
#include <QPushButton>

namespace platform {

QPushButton *makeButton(QWidget &window, const QString &designName, const QString &caption, QChar accessKey,
                        const QRect &where)
{
    return placed(new QPushButton(withAccessKey(caption, accessKey), &window), designName, caption, where);
}

QLabel *makeCaption(QWidget &window, const QString &designName, const QString &caption, QChar accessKey,
                    const QRect &where)
{
    return placed(new QLabel(withAccessKey(caption, accessKey), &window), designName, caption, where);
}

} // namespace platform

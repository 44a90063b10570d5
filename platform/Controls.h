#pragma once
// How every window makes its controls. Each control keeps its design name
// as its objectName (tests and accessibility tools find it by that), its
// caption without the access-key mark as its accessible name, and its place
// as designed (converted from twips by the caller, see Twips.h).

#include <QRect>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace platform {

// Names and places a control the window made, and returns it. An empty
// place leaves the geometry to a layout applied later.
template <typename Control>
Control *placed(Control *control, const QString &designName, const QString &accessibleName, const QRect &where = {})
{
    control->setObjectName(designName);
    control->setAccessibleName(accessibleName);
    if (!where.isNull())
        control->setGeometry(where);
    return control;
}

// A command button of the window, its caption showing the access key (a
// null key: none).
QPushButton *makeButton(QWidget &window, const QString &designName, const QString &caption, QChar accessKey,
                        const QRect &where = {});

// A caption of the window, showing the access key that reaches its buddy.
QLabel *makeCaption(QWidget &window, const QString &designName, const QString &caption, QChar accessKey,
                    const QRect &where = {});

} // namespace platform

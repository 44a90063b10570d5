#include "platform/Appearance.h"

#include "data/Error.h"
#include "data/FileUtil.h"
#include "platform/ApplicationTitle.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

namespace {

// The platform's button-face colour, in every colour group.
void paintWithButtonFace(QWidget &widget)
{
    const QPalette system = QApplication::palette();
    QPalette palette = widget.palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, QPalette::Window, system.brush(group, QPalette::Button));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

bool isExactly(const QWidget &widget, const QMetaObject &kind)
{
    return widget.metaObject() == &kind;
}

// Plain containers whose controls belong to the window: group boxes, plain
// frames and plain widgets (a main window's central widget). Other controls
// (lists, date pickers, drop-down lists) keep their inner parts as they are.
bool holdsControls(const QWidget &widget)
{
    return qobject_cast<const QGroupBox *>(&widget) || isExactly(widget, QFrame::staticMetaObject) ||
           isExactly(widget, QWidget::staticMetaObject);
}

void colourControlsIn(QWidget &container)
{
    const auto children = container.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        if (child->isWindow())
            continue;
        if (Appearance::takesSurfaceColor(*child))
            paintWithButtonFace(*child);
        if (holdsControls(*child))
            colourControlsIn(*child);
    }
}

} // namespace

namespace Appearance {

QString skinFilePath()
{
    return programFolder() + QStringLiteral("/x/o.cjs");
}

QString applicationTitleFor(const QString &productName)
{
    QString title = productName;
    do {
        const int lastBlank = title.lastIndexOf(QLatin1Char(' '));
        if (lastBlank < 0)
            break; // no last word left to remove: keep what remains
        title.truncate(lastBlank);
    } while (title.size() > maxTitleLength);
    return title;
}

bool takesSurfaceColor(const QWidget &control)
{
    return qobject_cast<const QGroupBox *>(&control) || isExactly(control, QFrame::staticMetaObject) ||
           qobject_cast<const QLabel *>(&control) || qobject_cast<const QCheckBox *>(&control) ||
           qobject_cast<const QRadioButton *>(&control);
}

} // namespace Appearance

void ApplyWindowColors(QWidget &window)
{
    paintWithButtonFace(window);
    colourControlsIn(window);
}

void ApplySkin(QWidget &mainWindow)
{
    const QString path = Appearance::skinFilePath();
    if (!QFileInfo(path).isFile())
        return; // no skin: the window keeps the colours it was designed with

    ApplyWindowColors(mainWindow);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Error(QStringLiteral("The skin file \"%1\" cannot be read: %2.").arg(path, file.errorString()));
    const QString styleSheet = QString::fromUtf8(file.readAll());
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("The skin file \"%1\" cannot be read: %2.").arg(path, file.errorString()));
    mainWindow.setStyleSheet(styleSheet);
}

void SetAppTitle()
{
    platform::setApplicationTitle(Appearance::applicationTitleFor(QString::fromLatin1(platform::productName)));
}

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/marrowdesk/icons/marrowdesk-%1.png").arg(size), QSize(size, size));
    return icon;
}

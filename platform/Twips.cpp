#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace platform {

double logicalDpi()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInch();
    return 96.0;
}

int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips * logicalDpi() / twipsPerInch));
}

double pixelsToTwips(int pixels)
{
    return pixels * twipsPerInch / logicalDpi();
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

} // namespace platform

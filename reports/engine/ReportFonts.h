#pragma once
// The one conversion from a layout's font to a Qt font. Report pages are
// drawn in twips, so the font's pixel size is its size in twips (20 to the
// point); the painter's scale then maps it onto any device.

#include "reports/engine/ReportLayout.h"

#include <QFont>

QFont reportQFont(const ReportFont &font);

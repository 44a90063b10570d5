#include "reports/engine/ReportLayout.h"

QStringList ReportLayout::columns() const
{
    QStringList names;
    for (const ReportSection &section : sections)
        for (const ReportControl &control : section.controls)
            if (control.kind == ReportControl::Kind::TextBox && !names.contains(control.column, Qt::CaseInsensitive))
                names.append(control.column);
    return names;
}

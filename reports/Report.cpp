#include "reports/Report.h"

#include "data/Error.h"
#include "data/Recordset.h"
#include "platform/Dialogs.h"
#include "reports/ReportPreview.h"
#include "reports/engine/ReportData.h"

Report::Report(ReportLayout layout) : m_layout(std::move(layout)) {}

void Report::setDataSource(Recordset &result)
{
    if (!result.State())
        throw Error(QStringLiteral("The report has no data: its query result is not open."));
    m_source = &result;
}

void Report::Show(QWidget *owner)
{
    if (!m_source || !m_source->State())
        throw Error(QStringLiteral("The report has no data: its query result is not open."));
    ReportData rows = ReportData::fromRecordset(*m_source, m_layout.columns());
    ReportPreview preview(m_layout, std::move(rows), ReportPaper::forLocale(m_layout.orientation), owner);
    platform::dialogs().showModal(preview);
}

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

void Report::setColumnById(const QString &column, QHash<qint64, QString> textById, const QString &otherwise)
{
    m_columnById = ColumnById{column, std::move(textById), otherwise};
}

ReportData Report::readRows() const
{
    if (!m_source || !m_source->State())
        throw Error(QStringLiteral("The report has no data: its query result is not open."));
    const QStringList columns = m_layout.columns();
    if (!m_columnById)
        return ReportData::fromRecordset(*m_source, columns);
    // The result's columns first, with the ID that finds each row's text.
    QStringList read = columns;
    read.removeIf([&](const QString &name) { return name.compare(m_columnById->column, Qt::CaseInsensitive) == 0; });
    read.append(QStringLiteral("ID"));
    const ReportData plain = ReportData::fromRecordset(*m_source, read);
    const int idColumn = static_cast<int>(read.size()) - 1;
    ReportData rows(columns);
    QStringList texts;
    for (int row = 0; row < plain.rowCount(); ++row) {
        texts.clear();
        for (const QString &name : columns) {
            const int from = plain.columnIndex(name);
            texts.append(
                name.compare(m_columnById->column, Qt::CaseInsensitive) == 0
                    ? m_columnById->textById.value(plain.cell(row, idColumn).toLongLong(), m_columnById->otherwise)
                    : plain.cell(row, from));
        }
        rows.appendRow(texts);
    }
    return rows;
}

void Report::Show(QWidget *owner)
{
    ReportData rows = readRows();
    ReportPreview preview(m_layout, std::move(rows), ReportPaper::forLocale(m_layout.orientation), owner);
    platform::dialogs().showModal(preview);
}

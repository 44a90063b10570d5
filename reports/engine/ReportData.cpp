#include "reports/engine/ReportData.h"

#include "data/Error.h"
#include "data/Recordset.h"

ReportData ReportData::fromRecordset(Recordset &recordset, const QStringList &columns)
{
    std::vector<int> sourceColumn;
    sourceColumn.reserve(columns.size());
    for (const QString &name : columns) {
        int found = -1;
        for (int c = 0; c < recordset.fieldCount() && found < 0; ++c)
            if (recordset.fieldName(c).compare(name, Qt::CaseInsensitive) == 0)
                found = c;
        if (found < 0)
            throw Error(QStringLiteral("The column \"%1\" is not in the result of the query.").arg(name));
        sourceColumn.push_back(found);
    }

    ReportData data(columns);
    data.m_cells.reserve(static_cast<size_t>(recordset.rowCount()) * columns.size());
    while (!recordset.Eof()) {
        for (const int c : sourceColumn)
            data.m_cells.push_back(recordset.field(c).toTextOrEmpty());
        recordset.MoveNext();
    }
    return data;
}

int ReportData::columnIndex(const QString &name) const
{
    for (int c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

void ReportData::appendRow(const QStringList &texts)
{
    for (int c = 0; c < m_columns.size(); ++c)
        m_cells.push_back(c < texts.size() ? texts[c] : QString());
}

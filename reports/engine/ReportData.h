#pragma once
// The rows a report prints: for each row, the text of each column a layout
// names, converted once when the rows are read.

#include <QString>
#include <QStringList>

#include <vector>

class Recordset;

class ReportData {
public:
    ReportData() = default;
    explicit ReportData(QStringList columns) : m_columns(std::move(columns)) {}

    // Reads the rows of an open recordset from its current row to its end,
    // keeping only the named columns. A null prints as empty text, a date in
    // the short date form (with the time of day only when there is one),
    // anything else as its plain value. Throws Error when a column is not in
    // the result.
    static ReportData fromRecordset(Recordset &recordset, const QStringList &columns);

    const QStringList &columns() const { return m_columns; }
    int rowCount() const { return m_columns.isEmpty() ? 0 : static_cast<int>(m_cells.size() / m_columns.size()); }

    // The index of a column, matched without regard to case; -1 when absent.
    int columnIndex(const QString &name) const;

    const QString &cell(int row, int column) const
    {
        return m_cells[static_cast<size_t>(row) * m_columns.size() + column];
    }

    // Appends one row; the texts are in the order of columns().
    void appendRow(const QStringList &texts);

private:
    QStringList m_columns;
    std::vector<QString> m_cells; // row after row
};

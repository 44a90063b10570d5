#pragma once
// One report: a layout instance bound to a query result, with its title,
// caption and orientation, shown in a modal preview.

#include "reports/engine/ReportLayout.h"

#include <QHash>
#include <QPageLayout>
#include <QString>

#include <optional>

class QWidget;
class Recordset;
class ReportData;

class Report {
public:
    explicit Report(ReportLayout layout);

    const ReportLayout &layout() const { return m_layout; }

    // Binds an open result; its rows are read when the report is shown.
    // Throws Error when the result is not open.
    void setDataSource(Recordset &result);

    // A column the result lacks, its text given per issue ID (the result's
    // "ID" column); an issue without one prints `otherwise`.
    void setColumnById(const QString &column, QHash<qint64, QString> textById, const QString &otherwise = QString());

    // The bound rows as the layout prints them. Throws Error as Show does.
    ReportData readRows() const;

    // The title: the first control of the report header.
    ReportControl &titleLabel() { return m_layout.titleLabel(); }

    // The preview window's caption.
    QString caption() const { return m_layout.caption; }
    void setCaption(const QString &caption) { m_layout.caption = caption; }

    void setOrientation(QPageLayout::Orientation orientation) { m_layout.orientation = orientation; }

    // Reads the bound rows and shows the preview, modal over the owner,
    // returning when the user closes it. Throws Error without a bound, open
    // result, or when a text box names a column the result lacks.
    void Show(QWidget *owner);

private:
    ReportLayout m_layout;
    Recordset *m_source = nullptr;
    struct ColumnById {
        QString column;
        QHash<qint64, QString> textById;
        QString otherwise;
    };
    std::optional<ColumnById> m_columnById;
};

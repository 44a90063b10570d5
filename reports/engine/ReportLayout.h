#pragma once
// A banded report layout as plain data: five sections in page order, each
// with a height and its controls. All positions and sizes are in twips
// (1440 to the inch), left and top within the section.

#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

struct ReportFont {
    QString family;
    double pointSize = 8.25;
    bool bold = false;
    bool italic = false;

    bool operator==(const ReportFont &other) const = default;
};

struct ReportControl {
    enum class Kind { Label, TextBox };

    QString name;
    Kind kind = Kind::Label;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 240;
    ReportFont font;
    QString caption; // labels: the text shown
    QString column;  // text boxes: the column of the bound rows shown
    bool canGrow = false;
};

struct ReportSection {
    QString name;
    int height = 0;
    std::vector<ReportControl> controls;
};

struct ReportLayout {
    // The sections in page order.
    enum SectionIndex { ReportHeader = 0, PageHeader, Detail, PageFooter, ReportFooter, SectionCount };

    QString name;
    QString caption; // the preview window's title
    int reportWidth = 0;
    int leftMargin = 1440;
    int rightMargin = 1440;
    int topMargin = 1440;
    int bottomMargin = 1440;
    QPageLayout::Orientation orientation = QPageLayout::Landscape;
    std::array<ReportSection, SectionCount> sections;

    // The title: the first control of the first section.
    ReportControl &titleLabel() { return sections[ReportHeader].controls.front(); }
    const ReportControl &titleLabel() const { return sections[ReportHeader].controls.front(); }

    // Every column a text box names, each once, in the order of first use.
    QStringList columns() const;
};

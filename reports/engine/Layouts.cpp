#include "reports/engine/Layouts.h"

namespace {

// Sections the layouts leave empty take this height.
constexpr int defaultEmptySectionHeight = 0;

ReportFont titleFont()
{
    return {QStringLiteral("Arial"), 15.75, true, true};
}

ReportFont labelFont()
{
    return {QStringLiteral("Arial"), 8.25, true, false};
}

ReportFont textBoxFont()
{
    return {QStringLiteral("Arial"), 8.25, false, false};
}

ReportControl label(const char *name, int left, int top, int width, const char *caption)
{
    ReportControl control;
    control.name = QLatin1String(name);
    control.kind = ReportControl::Kind::Label;
    control.left = left;
    control.top = top;
    control.width = width;
    control.font = labelFont();
    control.caption = QLatin1String(caption);
    return control;
}

ReportControl textBox(const char *name, int left, int top, int width, const char *column)
{
    ReportControl control;
    control.name = QLatin1String(name);
    control.kind = ReportControl::Kind::TextBox;
    control.left = left;
    control.top = top;
    control.width = width;
    control.font = textBoxFont();
    control.column = QLatin1String(column);
    return control;
}

// One column of a table layout: its heading in the page header, its box in the detail.
struct TableColumn {
    int left;
    int headingWidth;
    int boxWidth;
    const char *heading;
    const char *headingLabel;
    const char *box;
    const char *column;
};

// The frame every layout shares: the title in the report header, five sections.
ReportLayout frame(const char *name, const char *title, int pageHeader, int detail, int reportFooter)
{
    ReportLayout layout;
    layout.name = QLatin1String(name);
    layout.caption = QLatin1String(title);
    layout.reportWidth = 11961;

    ReportControl titleLabel;
    titleLabel.name = QStringLiteral("Label1");
    titleLabel.kind = ReportControl::Kind::Label;
    titleLabel.left = 144;
    titleLabel.top = 0;
    titleLabel.width = 4032;
    titleLabel.height = 432;
    titleLabel.font = titleFont();
    titleLabel.caption = QLatin1String(title);

    layout.sections[ReportLayout::ReportHeader] = {QStringLiteral("Section4"), 435, {titleLabel}};
    layout.sections[ReportLayout::PageHeader] = {QStringLiteral("Section2"), pageHeader, {}};
    layout.sections[ReportLayout::Detail] = {QStringLiteral("Section1"), detail, {}};
    layout.sections[ReportLayout::PageFooter] = {QStringLiteral("Section3"), defaultEmptySectionHeight, {}};
    layout.sections[ReportLayout::ReportFooter] = {QStringLiteral("Section5"), reportFooter, {}};
    return layout;
}

template <size_t N>
ReportLayout table(const char *name, const char *title, int pageHeader, int detail, int reportFooter,
                   const TableColumn (&columns)[N])
{
    ReportLayout layout = frame(name, title, pageHeader, detail, reportFooter);
    for (const TableColumn &column : columns) {
        layout.sections[ReportLayout::PageHeader].controls.push_back(
            label(column.headingLabel, column.left, 0, column.headingWidth, column.heading));
        layout.sections[ReportLayout::Detail].controls.push_back(
            textBox(column.box, column.left, 0, column.boxWidth, column.column));
    }
    return layout;
}

// The fields of one issue in the Issue Details block, the comment last.
std::vector<ReportControl> issueDetailsControls()
{
    ReportControl comment = textBox("Text10", 0, 1728, 9930, "Comment");
    comment.height = 288;
    comment.canGrow = true;
    return {
        label("Label11", 0, 0, 720, "Issue:"),
        textBox("Text1", 720, 0, 720, "ID"),
        textBox("Text2", 1440, 0, 9936, "Title"),
        label("Label4", 0, 432, 1440, "Assigned To:"),
        textBox("Text7", 1440, 432, 1440, "Assigned To Name"),
        label("Label6", 4176, 432, 1020, "Status:"),
        textBox("Text3", 5616, 432, 1005, "Status"),
        label("Label9", 0, 720, 1440, "Opened By:"),
        textBox("Text8", 1440, 720, 1440, "Opened By Name"),
        label("Label7", 4176, 720, 1440, "Category:"),
        textBox("Text6", 5616, 720, 1440, "Category"),
        label("Label10", 0, 1008, 1305, "Opened Date:"),
        textBox("Text9", 1440, 1008, 1305, "Opened Date"),
        label("Label5", 4176, 1008, 1440, "Priority:"),
        textBox("Text5", 5616, 1008, 1440, "Priority"),
        label("Label8", 4176, 1296, 1140, "Due Date:"),
        textBox("Text4", 5616, 1296, 1155, "Due Date"),
        comment,
    };
}

} // namespace

ReportLayout rptOpenIssues()
{
    static const TableColumn columns[] = {
        {0, 720, 720, "ID", "Label2", "Text1", "ID"},
        {720, 2016, 2016, "Title", "Label3", "Text2", "Title"},
        {2736, 1440, 1440, "Assigned To", "Label4", "Text7", "Assigned To Name"},
        {4176, 1440, 1440, "Priority", "Label5", "Text5", "Priority"},
        {5616, 1008, 1005, "Status", "Label6", "Text3", "Status"},
        {6624, 1440, 1440, "Category", "Label7", "Text6", "Category"},
        {8064, 1152, 1161, "Due Date", "Label8", "Text4", "Due Date"},
        {9216, 1440, 1440, "Opened By", "Label9", "Text8", "Opened By Name"},
        {10656, 1296, 1305, "Opened Date", "Label10", "Text9", "Opened Date"},
    };
    return table("rptOpenIssues", "Open Issues", 330, 360, 570, columns);
}

ReportLayout rptIssuesByStatus()
{
    static const TableColumn columns[] = {
        {0, 1020, 1005, "Status", "Label6", "Text3", "Status"},
        {1008, 1140, 1155, "Due Date", "Label8", "Text4", "Due Date"},
        {2160, 2730, 2730, "Title", "Label3", "Text2", "Title"},
        {4896, 1440, 1440, "Assigned To", "Label4", "Text7", "Assigned To Name"},
        {6336, 1440, 1440, "Priority", "Label5", "Text5", "Priority"},
        {7776, 1440, 1440, "Category", "Label2", "Text1", "Category"},
        {9216, 1440, 1440, "Opened By", "Label9", "Text8", "Opened By Name"},
        {10656, 1296, 1305, "Opened Date", "Label10", "Text9", "Opened Date"},
    };
    return table("rptIssuesByStatus", "Issues By Status", 300, 270, defaultEmptySectionHeight, columns);
}

ReportLayout rptIssuesByCategory()
{
    static const TableColumn columns[] = {
        {0, 1440, 1440, "Category", "Label2", "Text1", "Category"},
        {1440, 1440, 1440, "Assigned To", "Label4", "Text7", "Assigned To Name"},
        {2880, 2736, 2736, "Title", "Label3", "Text2", "Title"},
        {5616, 1008, 1005, "Status", "Label6", "Text3", "Status"},
        {6624, 1140, 1155, "Due Date", "Label8", "Text4", "Due Date"},
        {7776, 1440, 1440, "Priority", "Label5", "Text5", "Priority"},
        {9216, 1440, 1440, "Opened By", "Label9", "Text8", "Opened By Name"},
        {10656, 1296, 1305, "Opened Date", "Label10", "Text9", "Opened Date"},
    };
    return table("rptIssuesByCategory", "Issues By Category", 270, 300, defaultEmptySectionHeight, columns);
}

ReportLayout rptIssuesByAssigned()
{
    static const TableColumn columns[] = {
        {0, 1440, 1440, "Assigned To", "Label4", "Text7", "Assigned To Name"},
        {1440, 1020, 1005, "Status", "Label6", "Text3", "Status"},
        {2448, 2730, 2730, "Title", "Label3", "Text2", "Title"},
        {5184, 1140, 1155, "Due Date", "Label8", "Text4", "Due Date"},
        {6336, 1440, 1440, "Priority", "Label5", "Text5", "Priority"},
        {7776, 1440, 1440, "Category", "Label2", "Text1", "Category"},
        {9216, 1440, 1440, "Opened By", "Label9", "Text8", "Opened By Name"},
        {10656, 1296, 1305, "Opened Date", "Label10", "Text9", "Opened Date"},
    };
    return table("rptIssuesByAssigned", "Issues By Assigned To", 270, 255, defaultEmptySectionHeight, columns);
}

ReportLayout rptIssueDetails()
{
    ReportLayout layout = frame("rptIssueDetails", "Issues Details", defaultEmptySectionHeight, 2130, 570);
    layout.sections[ReportLayout::Detail].controls = issueDetailsControls();
    return layout;
}

ReportLayout rptIssueActivity()
{
    // Below the fields and the comment as Issue Details places them: the
    // heading, then the activity at the comment's width.
    ReportLayout layout = frame("rptIssueActivity", "Issue Activity", defaultEmptySectionHeight, 2706, 570);
    std::vector<ReportControl> &controls = layout.sections[ReportLayout::Detail].controls;
    controls = issueDetailsControls();
    controls.back().canGrow = false;
    controls.push_back(label("Label12", 0, 2016, 1440, "Activity:"));
    ReportControl activity = textBox("Text11", 0, 2304, 9930, "Activity");
    activity.height = 288;
    activity.canGrow = true;
    controls.push_back(activity);
    return layout;
}

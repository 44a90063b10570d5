#include "reports/ReportChooser.h"

#include "data/Attachments.h"
#include "data/Error.h"
#include "data/Recordset.h"
#include "data/ReportQueries.h"
#include "data/SharedConnection.h"
#include "platform/Appearance.h"
#include "platform/Controls.h"
#include "platform/ErrorBlock.h"
#include "platform/HandPointer.h"
#include "platform/ScreenFit.h"
#include "platform/Twips.h"
#include "reports/IssueActivity.h"
#include "reports/Report.h"
#include "reports/engine/Layouts.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <memory>

namespace {

QString location(const char *operation)
{
    return ErrorBlock::location("Form4", operation);
}

// What each item of the list previews.
struct ReportChoice {
    const char *item;
    ReportQueries::Rows rows;
    ReportLayout (*layout)();
    bool closedIssues;     // the open-issues layout retitled "Closed Issues"
    bool activity = false; // each issue's history in words beside its fields
};

const ReportChoice reportChoices[] = {
    {"Open Issues", ReportQueries::Rows::OpenByTitle, rptOpenIssues, false},
    {"Issues by Categories", ReportQueries::Rows::OpenByCategory, rptIssuesByCategory, false},
    {"Issues by Status", ReportQueries::Rows::OpenByStatus, rptIssuesByStatus, false},
    {"Issues by Assigned To", ReportQueries::Rows::OpenByAssignedTo, rptIssuesByAssigned, false},
    {"Issue Details", ReportQueries::Rows::OpenByTitle, rptIssueDetails, false},
    {"Closed Issues", ReportQueries::Rows::ClosedByTitle, rptOpenIssues, true},
    {"Issue Activity", ReportQueries::Rows::OpenByTitle, rptIssueActivity, false, true},
};

// The first item whose text is exactly the chosen text; none for no choice.
const ReportChoice *choiceFor(const QString &text)
{
    for (const ReportChoice &choice : reportChoices)
        if (text == QLatin1String(choice.item))
            return &choice;
    return nullptr;
}

// A step that needs the report or the result fails, with a message, when
// making it failed.
template <typename T>
T &need(const std::unique_ptr<T> &made)
{
    if (!made)
        throw Error(QStringLiteral("The report or its query result could not be created."));
    return *made;
}

// Client area and controls, in twips.
constexpr int clientWidth = 8040;
constexpr int clientHeight = 1080;
constexpr int comboHeight = 315;

} // namespace

ReportChooser::ReportChooser(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Reports"));
    setAccessibleName(QStringLiteral("Reports"));
    // A fixed single border: no maximise, no minimise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    QFont windowFont(QStringLiteral("Arial"));
    windowFont.setPointSizeF(9);
    windowFont.setBold(true);
    setFont(windowFont);
    QFont buttonFont = windowFont;
    buttonFont.setPointSizeF(11.25);

    const QString reportType = QStringLiteral("Report Type:");
    reportTypeCaption = platform::makeCaption(*this, QStringLiteral("Label1"), reportType, u'T',
                                              platform::twipsRect(120, 165, 1065, 225));
    reportPicker = platform::placed(new QComboBox(this), QStringLiteral("Combo1"), reportType,
                                    platform::twipsRect(1320, 120, 6600, comboHeight));
    reportPicker->setEditable(false);
    // With its buddy the caption shows its access key underlined, not as '&'.
    reportTypeCaption->setBuddy(reportPicker);
    // The caption in bold Arial is a few pixels wider than its designed box:
    // the box grows to the right, into the gap before the list, rather than
    // cut off the colon.
    reportTypeCaption->resize(std::max(reportTypeCaption->width(), reportTypeCaption->sizeHint().width()),
                              reportTypeCaption->height());

    previewButton = platform::makeButton(*this, QStringLiteral("PushButton1"), QStringLiteral("Print Preview"), u'P',
                                         platform::twipsRect(120, 570, 3840, 405));
    previewButton->setFont(buttonFont);
    // Enter previews unless another button has the keyboard; Escape cancels.
    previewButton->setDefault(true);

    cancelButton = platform::makeButton(*this, QStringLiteral("PushButton2"), QStringLiteral("Cancel"), u'C',
                                        platform::twipsRect(4080, 570, 3840, 405));
    cancelButton->setFont(buttonFont);

    // Tab order: the list, "Cancel", "Print Preview"; the focus starts in the list.
    setTabOrder(reportPicker, cancelButton);
    setTabOrder(cancelButton, previewButton);
    reportPicker->setFocus();

    setFixedSize(platform::twipsToPixels(clientWidth), platform::twipsToPixels(clientHeight));

    connect(previewButton, &QPushButton::clicked, this, &ReportChooser::preview);
    connect(cancelButton, &QPushButton::clicked, this, &ReportChooser::cancel);
}

ReportChooser::~ReportChooser() = default;

// Steps: 100 colours, 102 icon, 104 pointer-file test, 106 pointer load,
// 108 to 120 the seven items, one step each.
void ReportChooser::load()
{
    ErrorBlock step(location("Form_Load"));
    step(100, [&] { ApplyWindowColors(*this); });
    step(102, [&] { setWindowIcon(QApplication::windowIcon()); });
    // The hand over "Print Preview" and "Cancel", the arrow over the bare window.
    HandPointer::applyInSteps(step, 104, *this, {previewButton, cancelButton}, {this});
    int number = 108;
    for (const ReportChoice &choice : reportChoices) {
        step(number, [&] { reportPicker->addItem(QLatin1String(choice.item)); });
        number += 2;
    }
    reportPicker->setCurrentIndex(-1);
    reportPicker->setFocus();
}

// Steps: 100 matching the chosen item (no match: nothing happens), 102
// creating the result, 104 opening it, 106 creating the report, 108 binding
// the result (and the issues' activity, for Issue Activity), 110 the closed-issues test, 112 the title, 114 the caption, 116
// landscape, 118 the modal preview, 120 closing the result, 122 releasing the
// report. A step whose predecessor failed runs all the same and may report
// its own failure; the command always reaches its end.
void ReportChooser::preview()
{
    ErrorBlock step(location("PushButton1_Click"));
    const ReportChoice *choice = nullptr;
    step(100, [&] { choice = choiceFor(reportPicker->currentText()); });
    if (!choice)
        return;
    std::unique_ptr<Recordset> result;
    std::unique_ptr<Report> report;
    step(102, [&] { result = std::make_unique<Recordset>(); });
    step(104, [&] { ReportQueries::open(need(result), sharedConnection(), choice->rows); });
    step(106, [&] { report = std::make_unique<Report>(choice->layout()); });
    step(108, [&] {
        need(report).setDataSource(need(result));
        if (choice->activity)
            need(report).setColumnById(
                QLatin1String(IssueActivity::column),
                IssueActivity::wordsByIssue(sharedConnection(), ReportQueries::openIssuesActivity(sharedConnection()),
                                            Attachments::byIssue(sharedConnection())),
                QLatin1String(IssueActivity::noActivity));
    });
    bool retitle = false;
    step(110, [&] { retitle = choice->closedIssues; });
    if (retitle) {
        step(112, [&] { need(report).titleLabel().caption = QStringLiteral("Closed Issues"); });
        step(114, [&] { need(report).setCaption(QStringLiteral("Closed Issues")); });
    }
    step(116, [&] { need(report).setOrientation(QPageLayout::Landscape); });
    step(118, [&] { need(report).Show(this); });
    step(120, [&] { need(result).Close(); });
    step(122, [&] { report.reset(); });
}

void ReportChooser::cancel()
{
    ErrorBlock step(location("PushButton2_Click"));
    step(100, [&] { reject(); });
}

void ReportChooser::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    platform::centreOnScreen(*this, platform::ScreenArea::WorkArea);
}

#include "app/CsvDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using IssueExchange::Field;

namespace {

// Lists at most this many names or refusals; the rest are counted.
constexpr int shownAtMost = 200;

QString listed(const QStringList &items)
{
    QString text = items.mid(0, shownAtMost).join(QLatin1String("\n  "));
    if (items.size() > shownAtMost)
        text += QStringLiteral("\n  ... and %1 more").arg(items.size() - shownAtMost);
    return QLatin1String("  ") + text;
}

} // namespace

CsvExportDialog::CsvExportDialog(int listedCount, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CsvExport"));
    setWindowTitle(QStringLiteral("Export to CSV"));
    auto *layout = new QVBoxLayout(this);
    m_listedButton = new QRadioButton(QStringLiteral("The issues as &listed (%1)").arg(listedCount), this);
    m_allButton = new QRadioButton(QStringLiteral("&All issues, open and closed"), this);
    m_byteOrderMarkBox =
        new QCheckBox(QStringLiteral("Start with a &byte-order mark (for spreadsheet programs)"), this);
    m_activityBox = new QCheckBox(QStringLiteral("Also write their &notes and history to a second file"), this);
    m_activityBox->setObjectName(QStringLiteral("activityBox"));
    m_activityBox->setToolTip(QStringLiteral("Beside the issues' file, under its name with \"-activity\" added"));
    m_listedButton->setChecked(true);
    m_byteOrderMarkBox->setChecked(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Export..."));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_listedButton);
    layout->addWidget(m_allButton);
    layout->addWidget(m_byteOrderMarkBox);
    layout->addWidget(m_activityBox);
    layout->addWidget(buttons);
}

bool CsvExportDialog::allIssues() const
{
    return m_allButton->isChecked();
}

bool CsvExportDialog::byteOrderMark() const
{
    return m_byteOrderMarkBox->isChecked();
}

bool CsvExportDialog::withActivity() const
{
    return m_activityBox->isChecked();
}

CsvImportDialog::CsvImportDialog(IssueExchange::FilePlan file, Replan replan, QWidget *parent)
    : QDialog(parent), m_replan(std::move(replan)), m_mapping(std::move(file.mapping)), m_plan(std::move(file.plan))
{
    setObjectName(QStringLiteral("CsvImport"));
    setWindowTitle(QStringLiteral("Import from CSV"));
    resize(720, 560);
    const QStringList &headings = file.headings;
    m_mapping.resize(headings.size());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("How the file's columns fill the issue fields:"), this));
    m_columns = new QTableWidget(static_cast<int>(headings.size()), 2, this);
    m_columns->setObjectName(QStringLiteral("columnMapping"));
    m_columns->setAccessibleName(QStringLiteral("How the file's columns fill the issue fields"));
    m_columns->setHorizontalHeaderLabels({QStringLiteral("Column in the file"), QStringLiteral("Imported as")});
    m_columns->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_columns->verticalHeader()->hide();
    for (int column = 0; column < headings.size(); ++column) {
        auto *heading = new QTableWidgetItem(headings[column]);
        heading->setFlags(Qt::ItemIsEnabled);
        m_columns->setItem(column, 0, heading);
        auto *picker = new QComboBox(m_columns);
        picker->setObjectName(QStringLiteral("fieldPicker%1").arg(column));
        picker->setAccessibleName(QStringLiteral("Column %1 imported as").arg(headings[column]));
        picker->addItem(QStringLiteral("(not imported)"));
        for (int f = 0; f < IssueExchange::fieldCount; ++f)
            if (static_cast<Field>(f) != Field::Id)
                picker->addItem(IssueExchange::caption(static_cast<Field>(f)), f);
        connect(picker, &QComboBox::currentIndexChanged, this, [this, column, picker] {
            const QVariant data = picker->currentData();
            choose(column, data.isValid() ? std::optional<Field>(static_cast<Field>(data.toInt())) : std::nullopt);
        });
        m_columns->setCellWidget(column, 1, picker);
        m_pickers.append(picker);
    }
    showMapping();
    layout->addWidget(m_columns, 1);
    // Shown only when rows match issues already there (a file imported
    // before): skipping them is the default, so a second import adds nothing twice.
    m_skipMatching = new QCheckBox(this);
    m_skipMatching->setObjectName(QStringLiteral("skipMatching"));
    m_skipMatching->setChecked(true);
    connect(m_skipMatching, &QCheckBox::toggled, this, &CsvImportDialog::chooseMatching);
    layout->addWidget(m_skipMatching);
    layout->addWidget(new QLabel(QStringLiteral("What the import would do:"), this));
    m_summary = new QPlainTextEdit(this);
    m_summary->setObjectName(QStringLiteral("planSummary"));
    m_summary->setAccessibleName(QStringLiteral("What the import would do"));
    m_summary->setReadOnly(true);
    layout->addWidget(m_summary, 2);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Import"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);
    showPlan();
}

CsvImportDialog::~CsvImportDialog() = default;

bool CsvImportDialog::skipsMatching() const
{
    return m_skipMatching->isChecked();
}

void CsvImportDialog::setSkipsMatching(bool skip)
{
    m_skipMatching->setChecked(skip);
}

void CsvImportDialog::setColumnField(int column, std::optional<Field> field)
{
    QComboBox *picker = m_pickers.value(column);
    if (!picker)
        return;
    picker->setCurrentIndex(field ? picker->findData(static_cast<int>(*field)) : 0);
}

void CsvImportDialog::choose(int column, std::optional<Field> field)
{
    IssueExchange::Mapping mapping = m_mapping;
    mapping[column] = field;
    // A field is filled from one column: another that filled it before is
    // left out now.
    for (int other = 0; other < mapping.size(); ++other)
        if (other != column && field && mapping[other] == field)
            mapping[other] = std::nullopt;
    if (std::optional<IssueExchange::Plan> plan = m_replan(mapping, matching())) {
        m_mapping = std::move(mapping);
        m_plan = std::move(*plan);
    }
    showMapping();
    showPlan();
}

void CsvImportDialog::chooseMatching(bool skip)
{
    if (std::optional<IssueExchange::Plan> plan = m_replan(m_mapping, matching())) {
        m_plan = std::move(*plan);
    } else {
        const QSignalBlocker quiet(m_skipMatching);
        m_skipMatching->setChecked(!skip);
    }
    showPlan();
}

IssueExchange::Matching CsvImportDialog::matching() const
{
    return m_skipMatching->isChecked() ? IssueExchange::Matching::Skip : IssueExchange::Matching::Import;
}

void CsvImportDialog::showMapping()
{
    for (int column = 0; column < m_pickers.size(); ++column) {
        const QSignalBlocker quiet(m_pickers[column]);
        const std::optional<Field> field = m_mapping.value(column);
        m_pickers[column]->setCurrentIndex(field ? m_pickers[column]->findData(static_cast<int>(*field)) : 0);
    }
}

void CsvImportDialog::showPlan()
{
    const qsizetype matching = m_plan.matchingLines.size();
    m_skipMatching->setVisible(matching > 0);
    m_skipMatching->setText(
        QStringLiteral("&Skip the %1 rows that match issues already there (same title, opened date and opener)")
            .arg(matching));
    m_summary->setPlainText(summary());
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!m_plan.issues.isEmpty());
}

QString CsvImportDialog::summary() const
{
    QStringList parts;
    parts.append(QStringLiteral("%1 issues would be imported.").arg(m_plan.issues.size()));
    if (!m_plan.matchingLines.isEmpty()) {
        QStringList lines;
        for (const int line : m_plan.matchingLines.mid(0, shownAtMost))
            lines.append(QString::number(line));
        if (m_plan.matchingLines.size() > shownAtMost)
            lines.append(QStringLiteral("... and %1 more").arg(m_plan.matchingLines.size() - shownAtMost));
        parts.append(QStringLiteral("%1 rows match issues already there (same title, opened date and opener) and "
                                    "would be %2: lines %3.")
                         .arg(m_plan.matchingLines.size())
                         .arg(skipsMatching() ? QStringLiteral("skipped") : QStringLiteral("imported again"),
                              lines.join(QStringLiteral(", "))));
    }
    if (!m_plan.newContacts.isEmpty()) {
        QStringList names;
        for (const IssueExchange::NewContact &contact : m_plan.newContacts)
            names.append(QString(contact.firstName + QLatin1Char(' ') + contact.lastName).trimmed() +
                         (contact.email.isEmpty() ? QString() : QStringLiteral(" <%1>").arg(contact.email)));
        parts.append(QStringLiteral("New contacts (%1):\n%2").arg(names.size()).arg(listed(names)));
    }
    const auto values = [&](const QString &what, const QStringList &list) {
        if (!list.isEmpty())
            parts.append(QStringLiteral("New %1 (%2):\n%3").arg(what).arg(list.size()).arg(listed(list)));
    };
    values(QStringLiteral("statuses"), m_plan.newStatuses);
    values(QStringLiteral("categories"), m_plan.newCategories);
    values(QStringLiteral("priorities"), m_plan.newPriorities);
    if (!m_plan.refusals.isEmpty()) {
        QStringList rows;
        for (const IssueExchange::Refusal &refusal : m_plan.refusals)
            rows.append(QStringLiteral("Line %1: %2").arg(refusal.line).arg(refusal.reason));
        parts.append(QStringLiteral("Rows refused (%1), not imported:\n%2").arg(rows.size()).arg(listed(rows)));
    }
    return parts.join(QLatin1String("\n\n"));
}

CsvReadProgress::CsvReadProgress(const QString &path, QWidget *parent)
    : m_dialog(std::make_unique<QProgressDialog>(QStringLiteral("Reading \"%1\"...").arg(path),
                                                 QStringLiteral("Cancel"), 0, 1000, parent))
{
    m_dialog->setWindowTitle(QStringLiteral("Import from CSV"));
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(500);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
}

CsvReadProgress::~CsvReadProgress() = default;

bool CsvReadProgress::report(qint64 done, qint64 total)
{
    // A modal progress window lets events through as its value moves.
    m_dialog->setValue(total > 0 ? static_cast<int>(std::min<qint64>(done * 1000 / total, 999)) : 0);
    return !m_dialog->wasCanceled();
}

#pragma once
// The two dialogs of CSV exchange. Each collects choices and shows what
// they would do; the caller does it (see CsvCommands.h).

#include "data/IssueExchange.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QPlainTextEdit;
class QProgressDialog;
class QRadioButton;
class QTableWidget;

// Which issues to export (those listed, or all), whether the file starts
// with the byte-order mark spreadsheet programs look for, and whether their
// notes and history go to a second file beside it.
class CsvExportDialog : public QDialog {
    Q_OBJECT
public:
    explicit CsvExportDialog(int listedCount, QWidget *parent = nullptr);

    bool allIssues() const;
    bool byteOrderMark() const;
    bool withActivity() const;

private:
    QRadioButton *m_listedButton = nullptr;
    QRadioButton *m_allButton = nullptr;
    QCheckBox *m_byteOrderMarkBox = nullptr;
    QCheckBox *m_activityBox = nullptr;
};

// The import preview: per column of the file the field it fills
// (changeable), and what the import would do: the issues it adds, the
// contacts and list values it makes, the rows it refuses and why, and the
// rows that match issues already there, which it skips unless told not to.
// A changed column or choice about those rows reads the file again through
// replan, which gives nothing when the user cancels it or it fails; the
// choice is then taken back.
class CsvImportDialog : public QDialog {
    Q_OBJECT
public:
    using Replan =
        std::function<std::optional<IssueExchange::Plan>(const IssueExchange::Mapping &, IssueExchange::Matching)>;

    // The file's plan skips the rows that match issues already there.
    CsvImportDialog(IssueExchange::FilePlan file, Replan replan, QWidget *parent = nullptr);
    ~CsvImportDialog() override;

    const IssueExchange::Mapping &mapping() const { return m_mapping; }
    // Makes a column fill a field (or nothing), as a choice in its picker
    // does; a column that filled that field before is left out.
    void setColumnField(int column, std::optional<IssueExchange::Field> field);
    const IssueExchange::Plan &plan() const { return m_plan; }

    // The summary of the plan, as shown.
    QString summary() const;

    // Whether rows that match issues already there are left out (the default).
    bool skipsMatching() const;
    void setSkipsMatching(bool skip);

private:
    void choose(int column, std::optional<IssueExchange::Field> field);
    void chooseMatching(bool skip);
    IssueExchange::Matching matching() const;
    void showMapping();
    void showPlan();

    Replan m_replan;
    IssueExchange::Mapping m_mapping;
    IssueExchange::Plan m_plan;
    QTableWidget *m_columns = nullptr;
    QList<QComboBox *> m_pickers;
    QPlainTextEdit *m_summary = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QCheckBox *m_skipMatching = nullptr;
};

// Shows how far reading and planning a file has come, with Cancel; appears
// only when it takes longer than a moment.
class CsvReadProgress {
public:
    CsvReadProgress(const QString &path, QWidget *parent);
    ~CsvReadProgress();
    CsvReadProgress(const CsvReadProgress &) = delete;
    CsvReadProgress &operator=(const CsvReadProgress &) = delete;

    // Shows the bytes read of all; false once the user chose Cancel.
    bool report(qint64 done, qint64 total);

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};

#pragma once
// The report chooser: picks one of six reports and previews it.

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

class ReportChooser : public QDialog {
    Q_OBJECT
public:
    explicit ReportChooser(QWidget *parent = nullptr);
    ~ReportChooser() override;

    QLabel *reportTypeCaption = nullptr;  // "Report Type:"
    QComboBox *reportPicker = nullptr;    // the report to preview
    QPushButton *previewButton = nullptr; // "Print Preview"
    QPushButton *cancelButton = nullptr;  // "Cancel"

public slots:
    void load();
    void preview();
    void cancel();

protected:
    void showEvent(QShowEvent *event) override;
};

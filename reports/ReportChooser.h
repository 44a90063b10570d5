#pragma once
// The report chooser: picks one of six reports and previews it.

#include "platform/Dialogs.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

class ReportChooser : public QDialog, public platform::LoadsOnShow {
    Q_OBJECT
public:
    explicit ReportChooser(QWidget *parent = nullptr);
    ~ReportChooser() override;

public slots:
    void load() override;
    void preview();
    void cancel();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *reportTypeCaption = nullptr;  // "Report Type:"
    QComboBox *reportPicker = nullptr;    // the report to preview
    QPushButton *previewButton = nullptr; // "Print Preview"
    QPushButton *cancelButton = nullptr;  // "Cancel"
};

#pragma once
// The report chooser: picks one of six reports and previews it.

#include <QDialog>
#include <QString>


class QComboBox;
class QLabel;
class QPushButton;

class Form4 : public QDialog {
    Q_OBJECT
public:
    explicit Form4(QWidget *parent = nullptr);
    ~Form4() override;

    QLabel *Label1 = nullptr;        // "Report Type:"
    QComboBox *Combo1 = nullptr;     // the report to preview
    QPushButton *PushButton1 = nullptr; // "Print Preview"
    QPushButton *PushButton2 = nullptr; // "Cancel"

public slots:
    void Form_Load();
    void PushButton1_Click();
    void PushButton2_Click();

protected:
    void showEvent(QShowEvent *event) override;
};

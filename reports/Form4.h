#pragma once
// The report chooser: picks one of six reports and previews it.

#include <QDialog>

class Form4 : public QDialog {
    Q_OBJECT
public:
    explicit Form4(QWidget *parent = nullptr);
    ~Form4() override;

public slots:
    void Form_Load();
};

#pragma once
// The issue editor: the modal window that adds a new issue (m_ID empty) or
// edits the issue whose ID is m_ID.

#include <QDialog>
#include <QString>

class Form2 : public QDialog {
    Q_OBJECT
public:
    explicit Form2(QWidget *parent = nullptr);
    ~Form2() override;

    // Set by the caller before showing: empty for a new issue, else the ID.
    QString m_ID;

public slots:
    void Form_Load();
};

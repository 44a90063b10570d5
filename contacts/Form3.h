#pragma once
// The contact editor: the modal window that adds a new contact (m_ID empty)
// or edits the contact whose ID is m_ID.

#include <QDialog>
#include <QString>

class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(QWidget *parent = nullptr);
    ~Form3() override;

    // Set by the caller before showing: empty for a new contact, else the ID.
    QString m_ID;

public slots:
    void Form_Load();
};

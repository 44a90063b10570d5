#pragma once
// A date the user types or picks: a text box that reads the locale's short
// date form (four- or two-digit years, ISO 8601 too, an optional time of day)
// and a button that opens a calendar. Alt+Down and F4 open the calendar from
// the keyboard. An empty box is a missing date.
//
// The field remembers the value it was given. While the box still shows that
// value, sqlValue() hands it back exactly, time of day and seconds included,
// so a form saved without changes writes back what it loaded.

#include "data/DateText.h"

#include <QWidget>

#include <optional>

class QCalendarWidget;
class QLineEdit;
class QToolButton;

class DateField : public QWidget {
    Q_OBJECT
public:
    explicit DateField(QWidget *parent = nullptr);

    // Shows a date (no time of day) and takes it as the remembered value.
    void setDate(const QDate &date);

    // Shows a stored value, or an empty box for a missing one, and takes it
    // as the remembered value.
    void setValue(const std::optional<DateText::DateValue> &value);

    // The date part of what the box shows; invalid when the box is empty or
    // does not hold a date.
    QDate date() const;

    // The text in the box, as typed.
    QString text() const;
    void setText(const QString &text);

    // True when the box holds a date or is empty; false for any other text.
    bool isAcceptable() const;

    // The value to write into a statement: the remembered value while the
    // box still shows it, else the typed date in the short date form; nothing
    // for an empty box. Throws Error when the text is not a date.
    std::optional<QString> sqlValue() const;

    // How dates are typed in the current locale, for messages: 8/31/2021.
    static QString example();

    QLineEdit *lineEdit() const { return m_edit; }

public slots:
    void showCalendar();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showValue(const std::optional<DateText::DateValue> &value);
    void takeCalendarDate(const QDate &date);

    QLineEdit *m_edit;
    QToolButton *m_calendarButton;
    QCalendarWidget *m_calendar = nullptr;

    std::optional<DateText::DateValue> m_remembered;
    QString m_rememberedText;
};

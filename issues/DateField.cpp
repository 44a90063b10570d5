#include "issues/DateField.h"

#include "data/Error.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace {

QString shortText(const DateText::DateValue &value)
{
    return std::visit([](const auto &dateOrTime) { return DateText::toText(dateOrTime); }, value);
}

// The text a statement carries for a value: the short date form, which the
// database reads back as the same value, or ISO 8601 where the short form
// would lose something (the seconds of a time of day).
QString statementText(const DateText::DateValue &value)
{
    const QString text = shortText(value);
    if (DateText::parse(text) == value)
        return text;
    return DateText::toIso(value);
}

bool opensCalendar(const QKeyEvent &key)
{
    return key.key() == Qt::Key_F4 || (key.key() == Qt::Key_Down && (key.modifiers() & Qt::AltModifier));
}

} // namespace

DateField::DateField(QWidget *parent) : QWidget(parent)
{
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("dateText"));
    m_edit->installEventFilter(this);
    m_calendarButton = new QToolButton(this);
    m_calendarButton->setObjectName(QStringLiteral("calendarButton"));
    m_calendarButton->setArrowType(Qt::DownArrow);
    m_calendarButton->setFocusPolicy(Qt::NoFocus);
    m_calendarButton->setAccessibleName(QStringLiteral("Open calendar"));
    m_calendarButton->setToolTip(QStringLiteral("Choose a date (Alt+Down)"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_calendarButton);
    setFocusProxy(m_edit);
    setFocusPolicy(Qt::StrongFocus);

    connect(m_calendarButton, &QToolButton::clicked, this, &DateField::showCalendar);
}

void DateField::setDate(const QDate &date)
{
    setValue(date.isValid() ? std::optional<DateText::DateValue>(date) : std::nullopt);
}

void DateField::setValue(const std::optional<DateText::DateValue> &value)
{
    m_remembered = value;
    showValue(value);
    m_rememberedText = m_edit->text();
}

void DateField::showValue(const std::optional<DateText::DateValue> &value)
{
    m_edit->setText(value ? shortText(*value) : QString());
    m_edit->setCursorPosition(0);
}

QDate DateField::date() const
{
    const auto value = DateText::parse(m_edit->text());
    if (!value)
        return QDate();
    if (const QDate *plain = std::get_if<QDate>(&*value))
        return *plain;
    return std::get<QDateTime>(*value).date();
}

QString DateField::text() const
{
    return m_edit->text();
}

void DateField::setText(const QString &text)
{
    m_edit->setText(text);
}

bool DateField::isAcceptable() const
{
    return m_edit->text().trimmed().isEmpty() || DateText::parse(m_edit->text()).has_value();
}

std::optional<QString> DateField::sqlValue() const
{
    if (m_edit->text() == m_rememberedText)
        return m_remembered ? std::optional<QString>(statementText(*m_remembered)) : std::nullopt;
    if (m_edit->text().trimmed().isEmpty())
        return std::nullopt;
    const auto typed = DateText::parse(m_edit->text());
    if (!typed)
        throw Error(QStringLiteral("\"%1\" is not a date. Type dates like %2.").arg(m_edit->text(), example()));
    return statementText(*typed);
}

QString DateField::example()
{
    return DateText::toText(QDate(2021, 8, 31));
}

void DateField::showCalendar()
{
    if (!m_calendar) {
        m_calendar = new QCalendarWidget(this);
        m_calendar->setWindowFlags(Qt::Popup);
        m_calendar->setObjectName(QStringLiteral("calendar"));
        // Every date the data layer stores, not QCalendarWidget's default range.
        m_calendar->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
        m_calendar->installEventFilter(this);
        connect(m_calendar, &QCalendarWidget::clicked, this, &DateField::takeCalendarDate);
        connect(m_calendar, &QCalendarWidget::activated, this, &DateField::takeCalendarDate);
    }
    const QDate shown = date();
    m_calendar->setSelectedDate(shown.isValid() ? shown : QDate::currentDate());
    m_calendar->adjustSize();
    m_calendar->move(mapToGlobal(QPoint(0, height())));
    m_calendar->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void DateField::takeCalendarDate(const QDate &date)
{
    if (m_calendar)
        m_calendar->hide();
    // The calendar picks a day: a time of day the field held is not kept.
    m_edit->setText(DateText::toText(date));
    m_edit->setFocus(Qt::PopupFocusReason);
}

bool DateField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::KeyPress && opensCalendar(*static_cast<QKeyEvent *>(event))) {
            showCalendar();
            return true;
        }
        // A click into the box selects its whole text, as a tab into it does,
        // so that typing replaces the date instead of splicing into it.
        if (event->type() == QEvent::FocusIn && static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason)
            QTimer::singleShot(0, m_edit, &QLineEdit::selectAll);
    } else if (watched == m_calendar && event->type() == QEvent::KeyPress) {
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            m_calendar->hide();
            m_edit->setFocus(Qt::PopupFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

#include "app/QueryMe.h"

#include "data/IssueQuerySql.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const QString meKey = QStringLiteral("QueryMeContact");

} // namespace

QString QueryMe::name(Connection &connection)
{
    if (!m_known.isEmpty())
        return m_known;
    const qint64 chosen = platform::readSetting(meKey, QStringLiteral("0")).toLongLong();
    m_known = IssueQuerySql::meName(connection, chosen);
    if (!m_known.isEmpty() || m_asked)
        return m_known;
    m_asked = true;
    const auto contacts = IssueQuerySql::contactChoices(connection);
    if (contacts.isEmpty())
        return QString();
    QDialog ask(m_parent);
    ask.setObjectName(QStringLiteral("queryMeDialog"));
    ask.setWindowTitle(QStringLiteral("Who Are You?"));
    auto *layout = new QVBoxLayout(&ask);
    auto *label = new QLabel(QStringLiteral("The query says \u201cme\u201d. Which contact are you?"), &ask);
    auto *picker = new QComboBox(&ask);
    picker->setObjectName(QStringLiteral("meContact"));
    picker->setAccessibleName(QStringLiteral("Contact"));
    label->setBuddy(picker);
    for (const auto &[id, name] : contacts)
        picker->addItem(name, id);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(picker);
    layout->addWidget(buttons);
    platform::dialogs().showModal(ask);
    if (ask.result() != QDialog::Accepted || picker->currentIndex() < 0)
        return QString();
    const qint64 id = picker->currentData().toLongLong();
    platform::saveSetting(meKey, QString::number(id));
    m_known = IssueQuerySql::meName(connection, id);
    return m_known;
}

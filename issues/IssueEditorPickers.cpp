// The issue editor's pickers: both contact pickers from one read of the
// contacts, namesakes told apart, and the three value lists. A refilled
// picker has no choice, so that Save asks for one again.

#include "issues/IssueEditor.h"

#include "data/ContactQueries.h"
#include "data/ContactSql.h"
#include "data/HeldRecordset.h"
#include "data/SharedConnection.h"
#include "issues/ContactPicker.h"
#include "platform/ErrorBlock.h"

#include <QComboBox>
#include <QSet>

namespace {

// How contacts of alike names (letter case and blanks aside) are told apart
// in the pickers: by company, else by e-mail address, each only where no
// namesake shares it, else by ID.
QString namesakeDetail(qint64 id, const ContactQueries::Details &own, const QList<ContactQueries::Details> &namesakes)
{
    const auto unique = [&](QString ContactQueries::Details::*member) {
        const QString &mine = own.*member;
        if (mine.trimmed().isEmpty())
            return false;
        int sharing = 0;
        for (const ContactQueries::Details &other : namesakes)
            sharing += (other.*member).compare(mine, Qt::CaseInsensitive) == 0;
        return sharing == 1;
    };
    if (unique(&ContactQueries::Details::company))
        return own.company;
    if (unique(&ContactQueries::Details::email))
        return own.email;
    return QStringLiteral("ID %1").arg(id);
}

// Adds an item without choosing it: a refilled picker offers its items
// with none chosen, so that Save asks for a choice again.
void addUnchosen(QComboBox *picker, const QString &text)
{
    picker->addItem(text);
    picker->setCurrentIndex(-1);
}

} // namespace

void IssueEditor::loadContacts()
{
    ErrorBlock step(location("LoadContacts"));
    step(100, [&] { contactIds = QList<qint64>(); });
    step(102, [&] { assignedToPicker->clear(); });
    step(104, [&] { openedByPicker->clear(); });
    HeldRecordset rs;
    step(106, [&] { rs.create(); });
    step(108, [&] {
        rs->Open(ContactSql::namesQuery(), sharedConnection(), Recordset::adOpenStatic, Recordset::adLockReadOnly);
    });
    for (;;) {
        bool more = false;
        step(110, [&] { more = !rs->Eof(); });
        if (!more)
            break;
        // A row goes into the ID list and both pickers, or nowhere: a
        // contact left out of one of them would pair every later name with
        // the wrong ID.
        const bool idAdded = step(112, [&] { contactIds.append(rs->Fields(QStringLiteral("ID")).toInteger()); });
        const bool firstAdded =
            step(114, [&] { addUnchosen(assignedToPicker, rs->Fields(QStringLiteral("ContactName")).toText()); });
        const bool secondAdded =
            step(116, [&] { addUnchosen(openedByPicker, rs->Fields(QStringLiteral("ContactName")).toText()); });
        if (!(idAdded && firstAdded && secondAdded)) {
            if (idAdded)
                contactIds.removeLast();
            if (firstAdded)
                assignedToPicker->removeItem(assignedToPicker->count() - 1);
            if (secondAdded)
                openedByPicker->removeItem(openedByPicker->count() - 1);
        }
        step(118, [&] { rs->MoveNext(); });
    }
    step(120, [&] { rs->Close(); });
    step(122, [&] { labelNamesakes(); });
}

void IssueEditor::labelNamesakes()
{
    QHash<QString, QList<int>> itemsByName;
    for (int item = 0; item < assignedToPicker->count(); ++item)
        itemsByName[assignedToPicker->itemText(item).simplified().toCaseFolded()].append(item);
    QList<qint64> ids;
    for (const QList<int> &items : std::as_const(itemsByName))
        if (items.size() > 1)
            for (const int item : items)
                ids.append(contactIds.at(item));
    if (ids.isEmpty())
        return;
    const QHash<qint64, ContactQueries::Details> details = ContactQueries::details(sharedConnection(), ids);
    for (const QList<int> &items : std::as_const(itemsByName)) {
        if (items.size() < 2)
            continue;
        QList<ContactQueries::Details> namesakes;
        for (const int item : items)
            namesakes.append(details.value(contactIds.at(item)));
        for (const int item : items) {
            const qint64 id = contactIds.at(item);
            const QString label = QStringLiteral("%1 (%2)").arg(assignedToPicker->itemText(item),
                                                                namesakeDetail(id, details.value(id), namesakes));
            assignedToPicker->setItemText(item, label);
            openedByPicker->setItemText(item, label);
        }
    }
}

void IssueEditor::reloadContactsKeepingChoices(ContactPicker *newContactPicker)
{
    const int assigned = assignedToPicker->currentIndex();
    const int opener = openedByPicker->currentIndex();
    const qint64 assignedId = assigned >= 0 ? contactIds.value(assigned) : -1;
    const qint64 openerId = opener >= 0 ? contactIds.value(opener) : -1;
    const QSet<qint64> known(contactIds.cbegin(), contactIds.cend());
    loadContacts();
    assignedToPicker->setCurrentIndex(contactIds.indexOf(assignedId));
    openedByPicker->setCurrentIndex(contactIds.indexOf(openerId));
    if (!newContactPicker)
        return;
    // The contact the user just saved is the newest of those not listed
    // before (another user may have added some meanwhile).
    qint64 newest = -1;
    for (const qint64 id : std::as_const(contactIds))
        if (!known.contains(id))
            newest = qMax(newest, id);
    if (newest >= 0)
        newContactPicker->setCurrentIndex(contactIds.indexOf(newest));
}

void IssueEditor::fillValueList(QComboBox *picker, const QString &where, ValueListSql::List list)
{
    const QString column = ValueListSql::column(list);
    ErrorBlock step(where);
    m_loadedChoices.remove(picker);
    step(100, [&] { picker->clear(); });
    HeldRecordset rs;
    step(102, [&] { rs.create(); });
    step(104, [&] {
        rs->Open(ValueListSql::listQuery(list), sharedConnection(), Recordset::adOpenStatic, Recordset::adLockReadOnly);
    });
    for (;;) {
        bool more = false;
        step(106, [&] { more = !rs->Eof(); });
        if (!more)
            break;
        step(108, [&] { addUnchosen(picker, rs->Fields(column).toText()); });
        step(110, [&] { rs->MoveNext(); });
    }
    step(112, [&] { rs->Close(); });
}

void IssueEditor::loadStatuses()
{
    fillValueList(statusPicker, location("LoadStatus"), ValueListSql::List::Status);
}

void IssueEditor::loadCategories()
{
    fillValueList(categoryPicker, location("LoadCategories"), ValueListSql::List::Category);
}

void IssueEditor::loadPriorities()
{
    fillValueList(priorityPicker, location("LoadPriorities"), ValueListSql::List::Priority);
}

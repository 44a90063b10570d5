#include "contacts/ContactEditor.h"

#include "data/Connection.h"
#include "data/ContactSql.h"
#include "data/Error.h"
#include "data/HeldRecordset.h"
#include "data/RecordStore.h"
#include "data/SharedConnection.h"
#include "platform/Appearance.h"
#include "platform/ChangedMeanwhile.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "platform/HandPointer.h"
#include "platform/RecordSave.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <limits>

namespace {

QString location(const char *operation)
{
    return ErrorBlock::location("Form3", operation);
}

// One contact box: its caption, its column in Contacts, and where it stands
// (twips; the caption stands captionGap above the box).
struct BoxLayout {
    const char *caption;
    const char *column;
    int left, top, width, height, captionGap;
    char accessKey; // unique in the window
};

constexpr BoxLayout boxLayout[ContactSql::boxCount] = {
    {"Firstname", "First Name", 120, 375, 2640, 345, 255, 'F'},
    {"Lastname", "Last Name", 3000, 375, 2640, 345, 255, 't'},
    {"Job Title", "Job Title", 120, 1095, 2640, 345, 255, 'J'},
    {"Company", "Company", 3000, 1095, 2640, 345, 255, 'C'},
    {"Business Phone", "Business Phone", 120, 1935, 2640, 345, 255, 'B'},
    {"Home Phone", "Home Phone", 3000, 1935, 2640, 345, 255, 'H'},
    {"Mobile Phone", "Mobile Phone", 120, 2655, 2640, 345, 255, 'M'},
    {"Fax Number", "Fax Number", 3000, 2655, 2640, 345, 255, 'x'},
    {"Address", "Address", 120, 3375, 5520, 345, 255, 'A'},
    {"City", "City", 120, 4095, 1440, 345, 255, 'i'},
    {"State", "State", 1680, 4110, 720, 345, 255, 'S'},
    {"Postal Code", "ZIP", 2520, 4095, 1440, 345, 255, 'P'},
    {"Country", "Country", 4080, 4095, 1560, 345, 255, 'o'},
    {"Email Address", "E-mail Address", 120, 4815, 2640, 345, 255, 'E'},
    {"Webpage", "Web Page", 3000, 4815, 2640, 345, 255, 'W'},
    {"Notes", "Notes", 120, 5520, 5520, 1425, 240, 'N'},
};

// The eight columns of both issue lists: header, width in twips, the column
// of [Open Issues] shown, and whether a missing value simply shows empty.
struct IssueColumn {
    const char *header;
    int width;
    const char *source;
    bool missingShowsEmpty;
};

constexpr IssueColumn issueColumns[8] = {
    {"Title", 2000, "Title", false},
    {"Priority", 1500, "Priority", false},
    {"Category", 1500, "Category", false},
    {"Assigned To", 1200, "Assigned To Name", false},
    {"Status", 1500, "Status", false},
    {"Due Date", 1200, "Due Date", true},
    {"Opened By", 1200, "Opened By Name", false},
    {"Opened Date", 1200, "Opened Date", true}, // stored empty by an older version
};

QFont boldArial(qreal pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

QTreeWidget *makeIssueList(QGroupBox *frame, const char *name)
{
    auto *list = new QTreeWidget(frame);
    list->setObjectName(QLatin1String(name));
    list->setAccessibleName(frame->title());
    list->setGeometry(platform::twipsRect(240, 360, 5040, 2775));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setAllColumnsShowFocus(true);
    list->header()->setSectionsClickable(false);
    list->header()->setStretchLastSection(false);
    list->setColumnCount(0);
    return list;
}

} // namespace

ContactEditor::ContactEditor(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Contacts"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(boldArial(9));
    setFixedSize(platform::twipsToPixels(11400), platform::twipsToPixels(7605));

    QWidget *previous = nullptr;
    for (int box = 0; box < ContactSql::boxCount; ++box) {
        const BoxLayout &at = boxLayout[box];
        const QString caption = QLatin1String(at.caption);
        QWidget *editor;
        if (box < 15) {
            auto *line = new QLineEdit(this);
            // No length limit of the window's own: QLineEdit would otherwise
            // cut every text, typed or loaded, at 32767 characters.
            line->setMaxLength(std::numeric_limits<int>::max());
            m_lineBoxes[box] = line;
            editor = line;
        } else {
            m_notesBox = new QPlainTextEdit(this);
            m_notesBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            m_notesBox->setTabChangesFocus(true);
            editor = m_notesBox;
        }
        platform::placed(editor, QStringLiteral("Text%1").arg(box + 1), caption,
                         platform::twipsRect(at.left, at.top, at.width, at.height));
        QLabel *label =
            platform::makeCaption(*this, QStringLiteral("Label1_%1").arg(box), caption, QLatin1Char(at.accessKey),
                                  platform::twipsRect(at.left, at.top - at.captionGap, at.width, at.captionGap));
        label->setBuddy(editor);
        m_captions[box] = label;

        if (previous)
            setTabOrder(previous, editor);
        previous = editor;
    }

    const QString openIssues = QStringLiteral("Open Issues");
    m_openedIssuesFrame = platform::placed(new QGroupBox(openIssues, this), QStringLiteral("Frame1"), openIssues,
                                           platform::twipsRect(5760, 240, 5520, 3315));
    m_openedIssuesList = makeIssueList(m_openedIssuesFrame, "ListView1");

    const QString assignedIssues = QStringLiteral("Assigned Issues");
    m_assignedIssuesFrame = platform::placed(new QGroupBox(assignedIssues, this), QStringLiteral("Frame2"),
                                             assignedIssues, platform::twipsRect(5760, 3660, 5520, 3315));
    m_assignedIssuesList = makeIssueList(m_assignedIssuesFrame, "ListView2");

    auto makeButton = [this](const char *name, const char *caption, int left, char accessKey) {
        QPushButton *button = platform::makeButton(*this, QLatin1String(name), QLatin1String(caption),
                                                   QLatin1Char(accessKey), platform::twipsRect(left, 7080, 5520, 405));
        button->setFont(boldArial(11.25));
        return button;
    };
    m_saveButton = makeButton("PushButton2", "Save", 120, 'v');
    m_cancelButton = makeButton("PushButton1", "Cancel", 5760, 'l');
    // Enter presses the button that has the keyboard, and Save otherwise;
    // Escape cancels, as in any dialog.
    m_saveButton->setDefault(true);
    connect(m_saveButton, &QPushButton::clicked, this, &ContactEditor::save);
    connect(m_cancelButton, &QPushButton::clicked, this, &ContactEditor::cancel);

    setTabOrder(previous, m_saveButton);
    setTabOrder(m_saveButton, m_cancelButton);
    setTabOrder(m_cancelButton, m_openedIssuesList);
    setTabOrder(m_openedIssuesList, m_assignedIssuesList);
    firstNameBox()->setFocus(Qt::OtherFocusReason);
}

ContactEditor::~ContactEditor() = default;

QString ContactEditor::contactGoneMessage()
{
    return QStringLiteral("This contact no longer exists: it was deleted while you were editing it. "
                          "Copy what you need, then press Cancel.");
}

qint64 ContactEditor::contactNumber() const
{
    return RecordStore::idOf(contactId, QStringLiteral("contact"));
}

QString ContactEditor::shownText(int box) const
{
    return box < 15 ? m_lineBoxes[box]->text() : platform::boxText(*m_notesBox);
}

QStringList ContactEditor::boxTexts() const
{
    QStringList texts;
    for (int box = 0; box < ContactSql::boxCount; ++box)
        texts.append(shownText(box));
    return texts;
}

QList<std::optional<QString>> ContactEditor::boxValues() const
{
    QList<std::optional<QString>> values;
    for (int box = 0; box < ContactSql::boxCount; ++box) {
        values.append(m_state.valueToSave(box, shownText(box)));
    }
    return values;
}

void ContactEditor::loadBox(int box, const std::optional<QString> &value)
{
    const QString text = value.value_or(QString());
    if (box < 15) {
        m_lineBoxes[box]->setText(text);
        // Show a long value from its start, as it is read, not from its end.
        m_lineBoxes[box]->setCursorPosition(0);
    } else {
        m_notesBox->setPlainText(text);
    }
    m_state.setLoaded(box, value, shownText(box));
}

bool ContactEditor::hasUnsavedChanges() const
{
    for (int box = 0; box < ContactSql::boxCount; ++box)
        if (m_state.isEdited(box, shownText(box)))
            return true;
    return false;
}

void ContactEditor::reject()
{
    if (hasUnsavedChanges() && !platform::confirmDiscard(QStringLiteral("contact")))
        return;
    QDialog::reject();
}

// A window is loaded afresh each time it is shown: whatever an earlier
// showing left in the boxes and lists goes.
void ContactEditor::clearEntries()
{
    for (QLineEdit *line : m_lineBoxes)
        line->clear();
    m_notesBox->clear();
    m_state.clear();
    m_openedIssuesList->clear();
    m_assignedIssuesList->clear();
}

void ContactEditor::load()
{
    ErrorBlock step(location("Form_Load"));
    clearEntries();
    step(100, [&] { ApplyWindowColors(*this); });
    step(102, [&] { setWindowIcon(QApplication::windowIcon()); });
    // The hand over "Save" and "Cancel"; the arrow over the two issue lists
    // and their frames (the bare window is not one of them).
    HandPointer::applyInSteps(step, 104, *this, {m_saveButton, m_cancelButton},
                              {m_openedIssuesList, m_assignedIssuesList, m_openedIssuesFrame, m_assignedIssuesFrame});

    // The eight headers of each list, then their widths.
    int number = 108;
    for (QTreeWidget *list : {m_openedIssuesList, m_assignedIssuesList}) {
        for (int column = 0; column < 8; ++column, number += 2) {
            step(number, [&] {
                if (list->columnCount() <= column)
                    list->setColumnCount(column + 1);
                list->headerItem()->setText(column, QLatin1String(issueColumns[column].header));
            });
        }
        for (int column = 0; column < 8; ++column, number += 2)
            step(number, [&] { list->setColumnWidth(column, platform::twipsToPixels(issueColumns[column].width)); });
    }

    bool editing = false;
    step(172, [&] { editing = !contactId.isEmpty(); });
    if (editing) {
        step(174, [&] { loadContact(); });
        step(176, [&] { loadOpenedIssues(); });
        step(178, [&] { loadAssignedIssues(); });
    }
    firstNameBox()->setFocus(Qt::OtherFocusReason);
}

void ContactEditor::loadContact()
{
    ErrorBlock step(location("LoadData"));
    HeldRecordset rs;
    step(100, [&] { rs.create(); });
    step(102, [&] {
        // The version first: a change saved between the two reads then
        // makes Save show it, instead of being overwritten unseen.
        m_stored = ConcurrentSave::readStored(sharedConnection(), ConcurrentSave::Table::Contacts, contactNumber());
        rs->Open(ContactSql::contactQuery(contactNumber()), sharedConnection());
    });
    bool empty = true;
    step(104, [&] {
        empty = !rs.exists() || rs->Eof();
        if (empty && rs.exists())
            rs->Close();
    });
    if (empty)
        return;
    // The names are read with the plain conversion: a missing name is
    // reported and its box stays empty; every other column may be missing.
    for (int box = 0; box < ContactSql::boxCount; ++box) {
        step(106 + 2 * box, [&] {
            const Value &value = rs->Fields(QLatin1String(boxLayout[box].column));
            loadBox(box, box < 2 || !value.isNull() ? std::optional<QString>(value.toText()) : std::nullopt);
        });
    }
    step(138, [&] { rs->Close(); });
}

void ContactEditor::fillIssueList(QTreeWidget &list, const QString &where, const QString &contactColumn)
{
    ErrorBlock step(where);
    step(100, [&] { list.clear(); });
    HeldRecordset rs;
    step(102, [&] { rs.create(); });
    step(104, [&] { rs->Open(ContactSql::openIssuesQuery(contactColumn, contactNumber()), sharedConnection()); });
    for (;;) {
        bool more = false;
        step(106, [&] { more = rs.exists() && !rs->Eof(); });
        if (!more)
            break;
        // The row exists before its first cell is read, so that a missing
        // title leaves an empty cell in this issue's own row.
        QTreeWidgetItem *row = nullptr;
        for (int column = 0; column < 8; ++column) {
            step(108 + 2 * column, [&] {
                if (column == 0)
                    row = new QTreeWidgetItem(&list);
                const IssueColumn &shown = issueColumns[column];
                const Value &value = rs->Fields(QLatin1String(shown.source));
                row->setText(column, shown.missingShowsEmpty ? value.toTextOrEmpty() : value.toText());
            });
        }
        // A row that cannot be left would repeat for ever.
        if (!step(124, [&] { rs->MoveNext(); }))
            break;
    }
    step(126, [&] { rs->Close(); });
}

void ContactEditor::loadOpenedIssues()
{
    fillIssueList(*m_openedIssuesList, location("LoadOpenedIssues"), QStringLiteral("Opened By"));
}

void ContactEditor::loadAssignedIssues()
{
    fillIssueList(*m_assignedIssuesList, location("LoadAssignedIssues"), QStringLiteral("Assigned To"));
}

void ContactEditor::save()
{
    ErrorBlock step(location("PushButton2_Click"));

    struct Required {
        QLineEdit *box;
        const char *message;
    };
    const Required required[2] = {{firstNameBox(), "You forgot to input first name."},
                                  {lastNameBox(), "You forgot to input last name."}};
    int number = 100;
    for (const Required &name : required) {
        bool missing = false;
        step(number, [&] { missing = name.box->text().trimmed().isEmpty(); });
        if (missing) {
            step(number + 2, [&] { platform::msgBox(QLatin1String(name.message)); });
            step(number + 4, [&] { name.box->setFocus(Qt::OtherFocusReason); });
            return;
        }
        number += 6;
    }

    platform::RecordSave record;
    record.id = contactId;
    record.updateStatement = [this] { return ContactSql::updateStatement(boxValues(), contactNumber()); };
    record.insertStatement = [this] { return ContactSql::insertStatement(boxTexts()); };
    record.write = [&record](const QString &sql) -> std::optional<int> { return record.run(sql); };
    record.goneMessage = contactGoneMessage();
    if (!contactId.isEmpty())
        record.versioned = platform::RecordSave::Versioned{
            ConcurrentSave::Table::Contacts,
            m_stored ? m_stored->version : 0,
            [this](const ConcurrentSave::ChangedMeanwhile &conflict) { resolveConflict(conflict); },
            {}};
    platform::saveAndConfirm(step, 112, *this, record);
}

void ContactEditor::resolveConflict(const ConcurrentSave::ChangedMeanwhile &conflict)
{
    platform::FieldNames names;
    names.caption = [](const QString &column) {
        for (const BoxLayout &box : boxLayout)
            if (column.compare(QLatin1String(box.column), Qt::CaseInsensitive) == 0)
                return QString::fromLatin1(box.caption);
        return column;
    };
    names.shown = [](const QString &, const Value &value) { return value.toText(); };
    const QString changes =
        platform::changesText(m_stored.value_or(ConcurrentSave::StoredRow()), conflict.current(), names);
    const auto reloadContact = [this] {
        m_state.clear();
        loadContact();
    };
    if (platform::askReloadAfterConflict(QStringLiteral("contact"), changes)) {
        reloadContact();
        return;
    }
    m_state.keepEditsOver(boxTexts(), reloadContact, [this](int box, const QString &typed) {
        if (box < 15)
            m_lineBoxes[box]->setText(typed);
        else
            m_notesBox->setPlainText(typed);
    });
}

void ContactEditor::cancel()
{
    ErrorBlock step(location("PushButton1_Click"));
    step(100, [&] { reject(); });
}

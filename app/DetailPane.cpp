#include "app/DetailPane.h"

#include "app/ActivityWords.h"
#include "app/AttachmentList.h"
#include "data/Attachments.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/SharedConnection.h"
#include "data/SqlText.h"
#include "platform/BackgroundSession.h"
#include "platform/ChangedMeanwhile.h"
#include "platform/Dialogs.h"
#include "platform/FileDropTarget.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

DetailPane::DetailPane(QWidget *parent) : QWidget(parent), m_attachmentLimit(Attachments::defaultSizeLimit)
{
    setObjectName(QStringLiteral("detailPane"));
    setAccessibleName(QStringLiteral("Detail pane"));
    m_view = new QTextBrowser(this);
    m_view->setObjectName(QStringLiteral("detailText"));
    m_view->setAccessibleName(QStringLiteral("Issue details"));
    m_view->setOpenLinks(false);
    m_view->setFont(QFont(QStringLiteral("Arial"), 9));
    connect(m_view, &QTextBrowser::anchorClicked, this, &DetailPane::openLink);

    m_noteProblem = new QLabel(this);
    m_noteProblem->setObjectName(QStringLiteral("noteProblem"));
    m_noteProblem->setWordWrap(true);
    m_noteProblem->setStyleSheet(QStringLiteral("color: #a00000;"));
    m_noteProblem->hide();

    m_noteBox = new QPlainTextEdit(this);
    m_noteBox->setObjectName(QStringLiteral("noteBox"));
    m_noteBox->setAccessibleName(QStringLiteral("New note"));
    m_noteBox->setPlaceholderText(QStringLiteral("Add a note (Ctrl+Enter adds it)"));
    m_noteBox->setFont(QFont(QStringLiteral("Arial"), 9));
    m_noteBox->setTabChangesFocus(true);
    // Three lines: the pane's room is for reading; a longer note scrolls.
    m_noteBox->setFixedHeight(m_noteBox->fontMetrics().lineSpacing() * 3 + 12);
    for (const QKeySequence &keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto *add = new QShortcut(keys, m_noteBox, nullptr, nullptr, Qt::WidgetShortcut);
        connect(add, &QShortcut::activated, this, &DetailPane::addNote);
    }
    m_addNoteButton = new QPushButton(QStringLiteral("Add &Note"), this);
    m_addNoteButton->setObjectName(QStringLiteral("addNoteButton"));
    m_addNoteButton->setAccessibleName(QStringLiteral("Add Note"));
    connect(m_addNoteButton, &QPushButton::clicked, this, &DetailPane::addNote);
    m_attachButton = new QPushButton(QStringLiteral("Attach &Files..."), this);
    m_attachButton->setObjectName(QStringLiteral("attachButton"));
    m_attachButton->setAccessibleName(QStringLiteral("Attach Files"));
    connect(m_attachButton, &QPushButton::clicked, this, &DetailPane::attachFiles);

    m_attachmentList = new AttachmentList(this);
    m_attachmentList->setFont(QFont(QStringLiteral("Arial"), 9));
    m_attachmentList->hide();
    m_attachmentList->setDragCopy([this](const Attachments::Attachment &a) { return dragCopy(a); });
    connect(m_attachmentList, &AttachmentList::openRequested, this, &DetailPane::openAttachment);
    connect(m_attachmentList, &AttachmentList::saveRequested, this, &DetailPane::saveAttachment);
    connect(m_attachmentList, &AttachmentList::removeRequested, this, &DetailPane::removeAttachment);
    // The note box pastes text as ever; elsewhere in the pane Ctrl+V attaches.
    auto *paste = new QShortcut(QKeySequence::Paste, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(paste, &QShortcut::activated, this, &DetailPane::paste);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addWidget(m_view, 1);
    column->addWidget(m_attachmentList);
    column->addWidget(m_noteProblem);
    column->addWidget(m_noteBox);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_attachButton);
    buttons->addWidget(m_addNoteButton);
    column->addLayout(buttons);
    new platform::FileDropTarget(this, [this](const QMimeData &data) { attachFrom(data); });
    showIssue(QString(), {});
}

void DetailPane::showIssue(const QString &id, const QList<DetailPaneText::Field> &fields)
{
    const bool same = id == m_issueId;
    if (same && fields == m_fields && !id.isEmpty())
        return reread();
    m_issueId = id;
    m_fields = fields;
    m_noteBox->setEnabled(!id.isEmpty());
    m_addNoteButton->setEnabled(!id.isEmpty());
    m_attachButton->setEnabled(!id.isEmpty());
    if (!same) {
        m_noteProblem->hide();
        m_everything = false;
        showAttachments({});
    }
    // The fields show at once; the notes and activity follow when read.
    // The same issue keeps its notes and activity until they are read again.
    render(same ? m_activityHtml : QString(), same);
    reread();
}

void DetailPane::reread()
{
    const quint64 generation = ++m_generation;
    const std::optional<qint64> id = SqlText::idOf(m_issueId);
    if (!id)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const bool everything = m_everything;
    const auto failed = [this, generation](const QString &description) {
        showActivity(generation, {DetailPaneText::headingHtml(QStringLiteral("Activity")) +
                                      DetailPaneText::activityHtml(description, QString()),
                                  {},
                                  {}});
    };
    if (!m_worker) {
        try {
            showActivity(generation, readActivity(sharedConnection(), *id, now, everything));
        } catch (const Error &error) {
            failed(error.description());
        }
        return;
    }
    m_worker->run(
        this,
        [this, generation, id = *id, now, everything](Connection &session) -> platform::BackgroundSession::Delivery {
            auto activity = std::make_shared<Activity>(readActivity(session, id, now, everything));
            return [this, generation, activity] { showActivity(generation, std::move(*activity)); };
        },
        failed);
}

void DetailPane::showActivity(quint64 generation, Activity activity)
{
    if (generation != m_generation)
        return;
    m_restorable = std::move(activity.restorable);
    showAttachments(std::move(activity.attachments));
    m_activityHtml = std::move(activity.html);
    render(m_activityHtml, true);
}

DetailPane::Activity DetailPane::readActivity(Connection &connection, qint64 issueId, const QDateTime &now,
                                              bool everything)
{
    Activity activity;
    const QList<IssueHistory::Note> notes = IssueHistory::notes(connection, issueId);
    const QList<IssueHistory::Entry> entries = IssueHistory::entries(connection, IssueHistory::Item::Issue, issueId);
    const qsizetype noteCount = everything ? notes.size() : std::min<qsizetype>(notes.size(), notesShown);
    const qsizetype entryCount = everything ? entries.size() : std::min<qsizetype>(entries.size(), entriesShown);
    QString &html = activity.html;
    html.reserve((noteCount + entryCount) * 240);
    activity.attachments = Attachments::list(connection, issueId);
    html += DetailPaneText::headingHtml(QStringLiteral("Notes"));
    if (notes.isEmpty())
        html += DetailPaneText::activityHtml(QStringLiteral("No notes yet."), QString());
    for (qsizetype i = 0; i < noteCount; ++i)
        html += DetailPaneText::noteHtml(notes[i].author, notes[i].added, notes[i].text, now);
    if (noteCount < notes.size())
        html += DetailPaneText::moreHtml(QStringLiteral("Show all %1 notes").arg(notes.size()));
    html += DetailPaneText::headingHtml(QStringLiteral("Activity"));
    // A contact is named as stored now, read once per contact; a date is
    // written in the short date form once per day.
    platform::FieldNames names = platform::issueFieldNames(connection);
    QHash<QString, QString> contacts;
    QHash<qint64, QString> days;
    const auto plainShown = names.shown;
    names.shown = [&contacts, &days, plainShown](const QString &column, const Value &value) {
        if (const QDate *date = value.date()) {
            const auto known = days.constFind(date->toJulianDay());
            return known != days.cend() ? *known : *days.insert(date->toJulianDay(), plainShown(column, value));
        }
        if (column != QLatin1String("Assigned To") && column != QLatin1String("Opened By"))
            return plainShown(column, value);
        const QString key = value.toTextOrEmpty();
        const auto known = contacts.constFind(key);
        return known != contacts.cend() ? *known : *contacts.insert(key, plainShown(column, value));
    };
    for (qsizetype i = 0; i < entryCount; ++i) {
        const IssueHistory::Entry &entry = entries[i];
        const bool restorable = ActivityWords::restorable(entry);
        html += DetailPaneText::activityHtml(ActivityWords::sentence(entry, names, now),
                                             restorable ? QStringLiteral("restore:%1").arg(entry.seq) : QString());
        if (restorable)
            activity.restorable.insert(entry.seq, entry);
    }
    if (entryCount < entries.size())
        html += DetailPaneText::moreHtml(QStringLiteral("Show all %1 entries").arg(entries.size()));
    return activity;
}

void DetailPane::render(const QString &activityHtml, bool samePlace)
{
    QString html;
    if (m_issueId.isEmpty())
        html = QStringLiteral("<p style=\"color:#555555\">Select an issue to see its details, notes and "
                              "activity.</p>");
    else
        html = DetailPaneText::fieldsHtml(m_fields) + activityHtml;
    QScrollBar *scroll = m_view->verticalScrollBar();
    const int place = scroll->value();
    m_view->setHtml(html);
    scroll->setValue(samePlace ? place : 0);
}

void DetailPane::openLink(const QUrl &link)
{
    if (link.scheme() == QLatin1String("more")) {
        m_everything = true;
        reread();
        return;
    }
    if (link.scheme() == QLatin1String("restore")) {
        bool ok = false;
        const qint64 seq = link.path().toLongLong(&ok);
        const auto entry = m_restorable.constFind(seq);
        if (ok && entry != m_restorable.cend())
            emit restoreRequested(*entry);
        return;
    }
    QDesktopServices::openUrl(link);
}

void DetailPane::addNote()
{
    const std::optional<qint64> id = SqlText::idOf(m_issueId);
    if (!id)
        return;
    try {
        IssueHistory::addNote(sharedConnection(), *id, m_noteBox->toPlainText());
    } catch (const Error &error) {
        // The text stays in the box, to add again or copy elsewhere.
        m_noteProblem->setText(error.description());
        m_noteProblem->show();
        return;
    }
    m_noteProblem->hide();
    m_noteBox->clear();
    emit noteAdded(*id);
    reread();
}

void DetailPane::showProblem(const QString &text)
{
    m_noteProblem->setText(text);
    m_noteProblem->show();
}

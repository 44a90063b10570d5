#include "app/DetailPane.h"

#include "app/ActivityWords.h"
#include "data/Attachments.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/SharedConnection.h"
#include "data/SqlText.h"
#include "platform/BackgroundSession.h"
#include "platform/ChangedMeanwhile.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressDialog>
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

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addWidget(m_view, 1);
    column->addWidget(m_noteProblem);
    column->addWidget(m_noteBox);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_attachButton);
    buttons->addWidget(m_addNoteButton);
    column->addLayout(buttons);
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
    m_attachmentNames = std::move(activity.attachments);
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
    const QList<Attachments::Attachment> attached = Attachments::list(connection, issueId);
    if (!attached.isEmpty()) {
        html += DetailPaneText::headingHtml(QStringLiteral("Attachments"));
        for (const Attachments::Attachment &a : attached) {
            html += DetailPaneText::attachmentHtml(a.name,
                                                   QStringLiteral("%1, %2, added by %3 %4")
                                                       .arg(QLocale().formattedDataSize(a.size), a.type,
                                                            a.addedBy.isEmpty() ? QStringLiteral("someone") : a.addedBy,
                                                            DetailPaneText::ago(a.added.toLocalTime(), now)),
                                                   QStringLiteral("save:%1").arg(a.id));
            activity.attachments.insert(a.id, a.name);
        }
    }
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
    if (link.scheme() == QLatin1String("save")) {
        bool ok = false;
        const qint64 id = link.path().toLongLong(&ok);
        if (ok && m_attachmentNames.contains(id))
            saveAttachment(id);
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

void DetailPane::attachFiles()
{
    const std::optional<qint64> id = SqlText::idOf(m_issueId);
    if (!id)
        return;
    const QStringList paths =
        platform::dialogs().openFileNames(QStringLiteral("Attach Files"), QStringLiteral("All files (*)"));
    QStringList problems;
    for (const QString &path : paths) {
        QProgressDialog progress(QStringLiteral("Attaching %1...").arg(QFileInfo(path).fileName()),
                                 QStringLiteral("Cancel"), 0, 1000, this);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        const auto step = [&progress](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
            QApplication::processEvents();
            return !progress.wasCanceled();
        };
        try {
            Attachments::add(sharedConnection(), *id, path, step, m_attachmentLimit);
        } catch (const Error &error) {
            problems << error.description();
        }
    }
    if (problems.isEmpty())
        m_noteProblem->hide();
    else
        showProblem(problems.join(QLatin1Char('\n')));
    if (!paths.isEmpty())
        reread();
}

void DetailPane::saveAttachment(qint64 id)
{
    const QString path =
        platform::saveFileName(QStringLiteral("Save Attachment As"),
                               Attachments::safeFileName(m_attachmentNames.value(id)), QStringLiteral("All files (*)"));
    if (path.isEmpty())
        return;
    try {
        Attachments::extract(sharedConnection(), id, path);
        m_noteProblem->hide();
    } catch (const Error &error) {
        showProblem(error.description());
    }
}

#include "app/QueryCompleter.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QStringListModel>

QueryCompleter::QueryCompleter(QLineEdit *edit, std::function<QStringList(IssueQuery::Field)> values)
    : QObject(edit), m_edit(edit), m_completer(new QCompleter(this)), m_offers(new QStringListModel(this)),
      m_values(std::move(values))
{
    m_completer->setModel(m_offers);
    m_completer->setWidget(edit);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    // Typed text only: completing a text a program set would fight the choices.
    connect(edit, &QLineEdit::textEdited, this, &QueryCompleter::offer);
    connect(m_completer, qOverload<const QString &>(&QCompleter::activated), this, &QueryCompleter::insert);
}

int QueryCompleter::wordStart() const
{
    const QString text = m_edit->text();
    int start = m_edit->cursorPosition();
    while (start > 0 && !text[start - 1].isSpace() && text[start - 1] != u'(' && text[start - 1] != u')')
        --start;
    if (start < m_edit->cursorPosition() && text[start] == u'-')
        ++start;
    return start;
}

void QueryCompleter::offer()
{
    const int start = wordStart();
    const QString word = m_edit->text().mid(start, m_edit->cursorPosition() - start);
    const qsizetype colon = word.indexOf(u':');
    QStringList offers;
    if (colon < 0) {
        if (word.isEmpty()) {
            m_completer->popup()->hide();
            return;
        }
        for (const QString &name : IssueQuery::allFieldNames())
            offers << name + u':';
    } else {
        const QString name = word.left(colon);
        const std::optional<IssueQuery::Field> field = IssueQuery::fieldNamed(name);
        if (!field) {
            m_completer->popup()->hide();
            return;
        }
        QStringList values = IssueQuery::valueWordsOf(*field);
        for (const QString &value : m_values(*field))
            if (const QString quoted = IssueQuery::quotedValue(value); !quoted.isEmpty())
                values << quoted;
        values.removeDuplicates();
        for (const QString &value : values)
            offers << name + u':' + value;
    }
    m_offers->setStringList(offers);
    m_completer->setCompletionPrefix(word);
    if (m_completer->completionCount() == 0 ||
        (m_completer->completionCount() == 1 &&
         m_completer->currentCompletion().compare(word, Qt::CaseInsensitive) == 0)) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->complete();
}

void QueryCompleter::insert(const QString &completion)
{
    const int start = wordStart();
    QString text = m_edit->text();
    const int end = m_edit->cursorPosition();
    // A value ends the term; a field name waits for its value.
    const QString inserted = completion.endsWith(u':') ? completion : completion + u' ';
    text.replace(start, end - start, inserted);
    m_edit->setText(text);
    m_edit->setCursorPosition(start + int(inserted.size()));
}

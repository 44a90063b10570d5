#include "platform/EditorState.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace platform {

void EditorState::clear()
{
    m_fields.clear();
}

void EditorState::setLoaded(int field, const std::optional<QString> &stored, const QString &shown)
{
    if (field >= m_fields.size())
        m_fields.resize(field + 1);
    m_fields[field] = Loaded{stored, shown};
}

void EditorState::setLoadedAsShown(const QStringList &shown)
{
    for (int field = 0; field < shown.size(); ++field) {
        const bool kept = field < m_fields.size() && m_fields[field] && m_fields[field]->shown == shown[field];
        if (!kept)
            setLoaded(field, shown[field], shown[field]);
    }
}

bool EditorState::isEdited(int field, const QString &shown) const
{
    const bool loaded = field < m_fields.size() && m_fields[field];
    return shown != (loaded ? m_fields[field]->shown : QString());
}

std::optional<QString> EditorState::valueToSave(int field, const QString &shown) const
{
    if (field < m_fields.size() && m_fields[field] && m_fields[field]->shown == shown)
        return m_fields[field]->stored;
    return shown;
}

void EditorState::keepEditsOver(const QStringList &mine, const std::function<void()> &reload,
                                const std::function<void(int field, const QString &text)> &putBack)
{
    QList<bool> edited;
    for (int field = 0; field < mine.size(); ++field)
        edited.append(isEdited(field, mine[field]));
    reload();
    for (int field = 0; field < mine.size(); ++field)
        if (edited[field])
            putBack(field, mine[field]);
}

QString boxText(const QPlainTextEdit &box)
{
    QString text = box.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace platform

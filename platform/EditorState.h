#pragma once
// What an editor loaded into its fields and what each field showed then.
//
// A field cannot always show its stored value as it is: a box shows a
// missing value as empty text and turns every kind of line break into its
// own. So an editor remembers both, and then:
// - Save writes a field the user left as it was shown back exactly as it
//   was stored (valueToSave), so a save without a change changes nothing;
// - Cancel asks only when a field shows something else (isEdited);
// - Keep Editing after a save refused because someone else saved the record
//   reloads their version and puts back only what the user changed
//   (keepEditsOver): Save writes every field, so a field the user never
//   touched must show their version, or keeping one's edits would undo
//   theirs.
// Fields are numbered by the editor, from 0.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QPlainTextEdit;

namespace platform {

class EditorState {
public:
    // Forgets every field: each counts as loaded empty, as in a new record.
    void clear();

    // The field was loaded from stored (none when missing) and now shows
    // shown.
    void setLoaded(int field, const std::optional<QString> &stored, const QString &shown);

    // Each field counts as loaded as it shows now (shown, in field order).
    // A field loaded by setLoaded and still showing the same text keeps
    // its stored value; any other stores what it shows.
    void setLoadedAsShown(const QStringList &shown);

    // Whether the field shows other text than it showed when loaded.
    bool isEdited(int field, const QString &shown) const;

    // What Save writes for the field: its stored value while it shows what
    // it showed when loaded, else what it shows.
    std::optional<QString> valueToSave(int field, const QString &shown) const;

    // Keep Editing: notes which fields of mine (every field as shown now,
    // in field order) the user edited, lets reload show the stored record
    // (reload loads this state afresh), then hands each edited field's text
    // to putBack, in field order.
    void keepEditsOver(const QStringList &mine, const std::function<void()> &reload,
                       const std::function<void(int field, const QString &text)> &putBack);

private:
    struct Loaded {
        std::optional<QString> stored;
        QString shown;
    };
    QList<std::optional<Loaded>> m_fields;
};

// The text of a multi-line box with every line break as '\n' and nothing
// else changed (QPlainTextEdit::toPlainText would also turn no-break spaces
// into plain ones, rewriting what the user never touched).
QString boxText(const QPlainTextEdit &box);

} // namespace platform

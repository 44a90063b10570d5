#pragma once
// Closing an issue: an issue is closed when its status, blanks around it
// ignored, is "Closed" or a status the team marked as closing ("Done",
// "Won't fix"; table ClosingStatuses), compared by the program's text
// collation (data/TextCollator.h: "CLOSED", "Ｃｌｏｓｅｄ", and "Closed" with
// a soft hyphen inside close too). The views [Open Issues] and [Closed
// Issues] and the history's "closed" and "reopened" follow the same rule,
// on a file as on a server.

#include <QString>
#include <QStringList>

#include <optional>

class Connection;

namespace IssueStatus {

// The status a new "Closed" value is written as; it always closes.
inline constexpr const char *closedName = "Closed";

// Whether the status is "Closed" itself, which closes an issue whatever
// else is marked.
bool isClosing(const QString &status);

// Which statuses close an issue: "Closed" and those marked. One rule is
// read once and asked many times; it is a plain value, safe to copy to
// another thread (each thread compares with its own collator).
class ClosingRule {
public:
    // "Closed" alone, as in a database that marks nothing.
    ClosingRule() = default;
    explicit ClosingRule(QStringList marked);

    // The rule the database keeps. Throws Error (a read-only file of an
    // older schema has no marks: readOrClosedAlone).
    static ClosingRule read(Connection &connection);
    // The same, or "Closed" alone when the marks cannot be read: for what
    // only shows the rule and must still show.
    static ClosingRule readOrClosedAlone(Connection &connection);

    bool closes(const QString &status) const;
    // The marked statuses besides "Closed", as stored (blanks around taken off).
    const QStringList &marked() const { return m_marked; }

private:
    QStringList m_marked;
};

// Marks the statuses in closing as closing an issue and those in open as
// not, in one transaction; a status not named keeps its mark, and "Closed"
// cannot be unmarked (Refusal, nothing changed). Throws Error.
void markClosing(Connection &connection, const QStringList &closing, const QStringList &open);

// The status a reopened issue starts on, as an index into the status list:
// "Open" (to the same collation) when the list has it, else the first status that
// does not close an issue; -1 when every status closes one.
int reopeningChoice(const QStringList &statuses, const ClosingRule &rule);

// The value of the status list that is "Closed", as the list spells
// it, or nothing when the list has none. Throws Error.
std::optional<QString> closingValue(Connection &connection);

// "insert into [Status] values ('Closed')".
QString addClosedStatement();

// "update Issues set Status='...' where ID=" and the ID.
QString setStatusStatement(const QString &status, qint64 id);

} // namespace IssueStatus

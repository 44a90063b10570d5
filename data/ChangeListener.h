#pragma once
// News of changes other users saved on the team's server, for lists that
// refresh themselves. The schema's statement triggers notify the channel
// marrowdesk_changes with the changed table's name when a change commits;
// this listener holds its own session on the server (the program's
// Connection stays free for statements), waits for those notifications on
// the event loop, and emits one changed() per notification.
//
// Its connects are driven by the socket, never blocking the event loop.
// When the connection is lost it emits connectionLost() once, tries again
// every second (ever less often, up to every 30 s, while attempts hang on a
// host that does not answer, each up to the connect timeout of
// ServerWaits), and when the server is back emits
// reconnected() and then changed() for every table, since what happened
// meanwhile was not heard.
// On a database file it does nothing and never emits.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

class Connection;
class Session;
class QSocketNotifier;
class QTimer;
struct pg_conn;

class ChangeListener : public QObject {
    Q_OBJECT
public:
    // Listens on the server the connection is open on (which must outlive
    // the listener); on a file, or a closed connection, stays silent. A server that cannot be reached now
    // counts as lost: connectionLost() follows from the event loop.
    explicit ChangeListener(const Connection &connection, QObject *parent = nullptr);
    ~ChangeListener() override;

    // Every table whose changes are announced.
    static const QStringList &tables();

    // How long to wait between attempts to reach a lost server.
    static constexpr int retryMilliseconds = 1000;
    // Attempts that keep failing slowly (a host that does not answer) come
    // ever less often, down to this; those refused at once stay at the first.
    static constexpr int longestRetryMilliseconds = 30000;
    static constexpr int quickAttemptMilliseconds = 200;

signals:
    // A change to the table (Issues, Contacts, Status, Categories,
    // Priorities, or an issue's Notes) was committed by some session, this program's own too.
    // by is the account that made it, as the trash records it (the same as
    // Session::account() when it was this user, in any of their windows),
    // or empty when unknown (a database whose notifications predate it, or
    // the changes missed while the server was away).
    void changed(const QString &table, const QString &by);
    void connectionLost();
    void reconnected();
    // The listener's session listens, from now on (first, and after each
    // reconnect): changes committed before were not heard.
    void listening();

private:
    enum class Phase { Closed, Connecting, Subscribing, Listening };

    void openSession();
    void watch(bool forWriting);
    void advance();
    void subscribed();
    void attemptFailed();
    void closeSession();
    void readNotifications();
    void lose();
    void retry();

    QString m_target;
    const Session *m_program = nullptr; // the connection's session
    pg_conn *m_connection = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_retry = nullptr;
    QTimer *m_deadline = nullptr; // of the attempt under way
    QElapsedTimer m_attempt;
    Phase m_phase = Phase::Closed;
    bool m_lost = false;
};

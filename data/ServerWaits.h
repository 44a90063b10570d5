#pragma once
// How long the program lets the team's server keep it waiting, and who
// keeps the windows alive meanwhile.
//
// The limits are the user's settings; the program passes them in at
// start-up (setLimits) and every later session takes them. A session that
// waits on the server (a statement, a connect, a reconnect) never blocks in
// the server's library: it waits on the socket in short slices and asks the
// hook between them whether to go on, so the user interface can paint and
// offer Cancel. Without a hook (tools, tests) the wait runs to its limit.

#include "data/Error.h"

#include <QString>

namespace ServerWaits {

struct Limits {
    // The longest wait of a statement behind another session's lock, and
    // the longest any statement runs, before it is refused with a message.
    int lockMilliseconds = 5000;
    int statementMilliseconds = 30000;
    // The longest a connection attempt may take, unless the server's
    // address names its own connect_timeout.
    int connectSeconds = 10;
};

void setLimits(const Limits &limits);
const Limits &limits();

// The longest one slice of a wait lasts before the hook is asked again.
constexpr int sliceMilliseconds = 10;

class Hook {
public:
    virtual ~Hook() = default;
    // Called every slice while a wait lasts. what says what is waited for
    // ("Connecting to ...", "Waiting for the database server ..."),
    // elapsed how long it has lasted. Returns false when the user asked to
    // stop waiting; called on after that while the stopped statement ends,
    // so the windows keep painting.
    virtual bool waiting(const QString &what, qint64 elapsedMilliseconds) = 0;
    // Called once when a wait that called waiting() has ended.
    virtual void ended() = 0;
};

// The hook in force on the calling thread (null when none); the caller
// keeps ownership. Waits on other threads never call it.
void setHook(Hook *hook);
Hook *hook();

// Whether a session of this thread waits on the server right now. While it does, code
// driven by the event loop (a timer, a socket) must not start a statement:
// the connection is taken until the wait ends.
bool inProgress();

// Counts a wait in progress for inProgress(), and ends the hook's part of
// it, from construction to destruction.
class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;
    // Asks the hook; false when the user stopped the wait.
    bool proceed(const QString &what, qint64 elapsedMilliseconds);

private:
    bool m_asked = false;
};

// While one of these lives, the program's statements wait behind another
// user's lock for as long as the statement limit allows, for a user who
// chose to wait.
class UnlimitedLockWait {
public:
    UnlimitedLockWait();
    ~UnlimitedLockWait();
    UnlimitedLockWait(const UnlimitedLockWait &) = delete;
    UnlimitedLockWait &operator=(const UnlimitedLockWait &) = delete;
};
bool lockWaitUnlimited();

// A statement refused because another session held a lock it needed
// longer than the lock limit.
class LockTimeout : public Refusal {
public:
    using Refusal::Refusal;
};

// A wait the user stopped: nothing of the statement was saved.
class Stopped : public Refusal {
public:
    using Refusal::Refusal;
};

} // namespace ServerWaits

#pragma once
// The windows' side of a wait on the team's server (data/ServerWaits.h):
// while a statement or a connect waits, the windows keep painting; when the
// wait lasts longer than a moment, a modal progress box says what is waited
// for and offers Cancel, which stops the wait. User input to the windows
// waits until the wait ends, so nothing is typed into a window that is
// in the middle of a save.

#include "data/ServerWaits.h"

#include <QPointer>

class QProgressDialog;

namespace platform {

class ServerWaitProgress : public ServerWaits::Hook {
public:
    ~ServerWaitProgress() override;

    // How long a wait runs before the progress box shows.
    static constexpr qint64 showAfterMilliseconds = 400;

    bool waiting(const QString &what, qint64 elapsedMilliseconds) override;
    void ended() override;

private:
    QPointer<QProgressDialog> m_box;
};

// Reads the server's limits from the settings (the group "Server": whole
// seconds in LockTimeoutSeconds, StatementTimeoutSeconds and
// ConnectTimeoutSeconds; a missing or unusable value keeps its default of
// 5, 30 and 10) and installs the progress for every wait of the program.
void followServerWaits();

} // namespace platform

#pragma once
// Attaches what a command, a drop or a paste brought to an issue, one file
// after the other, each with a progress window that can cancel it (shown
// only when a file takes a while). A file refused or cancelled stores
// nothing of itself; the others go on.

#include "platform/AttachmentSources.h"

#include <QList>
#include <QStringList>

#include <functional>

class Connection;
class QWidget;

namespace platform {

struct Attached {
    QList<qint64> ids;    // the new attachments, in order
    QStringList problems; // what was refused, one sentence each
};

// `each` is told every attachment as soon as it is stored.
Attached attachWithProgress(QWidget *parent, Connection &connection, qint64 issueId, const AttachmentSources &sources,
                            qint64 limit, const std::function<void(qint64 id)> &each = {});

} // namespace platform

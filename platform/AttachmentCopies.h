#pragma once
// Copies of attachments made to hand to the desktop: opened with the
// desktop's program for their type, or dragged out to the file manager.
// They live in one folder of this run's own, removed when the program
// ends, each read-only and never executable: opening one leaves it to the
// desktop what to do with it, as with a downloaded file, and nothing is run
// by this program.

#include "data/Attachments.h"

#include <QString>

class Connection;

namespace platform {

// The copy of the attachment, under its name made safe, made at the first
// call of this run for its content (kept by hash, so that another database
// opened in the same run never gets this one's copy). Throws Error when
// the stored content does not match its hash, Refusal when it cannot be
// written; no copy is left then.
QString attachmentCopy(Connection &connection, const Attachments::Attachment &attachment);

// Makes the copy and asks the desktop to open it. Throws as attachmentCopy,
// and Refusal when the desktop cannot open it.
void openAttachment(Connection &connection, const Attachments::Attachment &attachment);

// The folder of this run's copies, made at the first call.
QString attachmentCopiesFolder();
// Removes the folder with every copy in it; the program's end does this
// when it skips the destructors that would.
void removeAttachmentCopies();

} // namespace platform

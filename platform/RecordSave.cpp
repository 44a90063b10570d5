#include "platform/RecordSave.h"

#include "data/RecordStore.h"
#include "data/ServerWaits.h"
#include "data/SharedConnection.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QDialog>

namespace platform {
namespace {

QString lockedMessage(const RecordSave &save)
{
    const QString what = !save.versioned                                            ? QStringLiteral("record")
                         : save.versioned->table == ConcurrentSave::Table::Contacts ? QStringLiteral("contact")
                                                                                    : QStringLiteral("issue");
    return QStringLiteral("Another user is changing this %1 right now; try again").arg(what);
}

} // namespace

bool saveAndConfirm(ErrorBlock &step, int first, QDialog &window, const RecordSave &save)
{
    bool editing = false;
    step(first, [&] { editing = !save.id.isEmpty(); });
    const int build = editing ? first + 2 : first + 8;
    QString sql;
    std::optional<int> changed;
    std::optional<ConcurrentSave::ChangedMeanwhile> conflict;
    const auto write = [&] {
        try {
            changed = save.write(sql);
        } catch (const ConcurrentSave::ChangedMeanwhile &changedMeanwhile) {
            if (!save.versioned || !save.versioned->changedMeanwhile)
                throw;
            conflict.emplace(changedMeanwhile);
        }
    };
    bool gaveUp = false;
    if (!step(build, [&] { sql = editing ? save.updateStatement() : save.insertStatement(); }) ||
        !step(build + 2,
              [&] {
                  try {
                      write();
                  } catch (const ServerWaits::LockTimeout &) {
                      // Another user holds the record: nothing was written, and
                      // the user may wait for them, under the progress with Cancel.
                      gaveUp = msgBox(lockedMessage(save), Buttons::WaitOrCancel, Icon::Warning) != Answer::Yes;
                      if (gaveUp)
                          return;
                      ServerWaits::UnlimitedLockWait waiting;
                      write();
                  }
              }) ||
        gaveUp)
        return false;
    // Someone else saved the record meanwhile: the window says what they
    // changed and lets the user choose, with nothing typed lost.
    if (conflict) {
        step(build + 4, [&] { save.versioned->changedMeanwhile(*conflict); });
        return false;
    }
    if (!changed) {
        if (save.declined)
            save.declined();
        return false;
    }
    // No row changed: saying "updated" would hide that nothing was written.
    if (editing && *changed == 0) {
        step(build + 4, [&] { msgBox(save.goneMessage); });
        return false;
    }
    if (save.versioned && save.versioned->written)
        save.versioned->written();
    step(build + 4, [&] {
        msgBox(editing ? QStringLiteral("Record Successfully Updated") : QStringLiteral("Record Successfully Saved"));
    });
    step(first + 14, [&] { window.accept(); });
    return true;
}

int RecordSave::run(const QString &sql) const
{
    if (!versioned || id.isEmpty())
        return RecordStore::write(sharedConnection(), sql);
    return RecordStore::writeIfUnchanged(sharedConnection(), versioned->table, RecordStore::idOf(id),
                                         versioned->loadedVersion, sql);
}

} // namespace platform

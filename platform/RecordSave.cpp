#include "platform/RecordSave.h"

#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QDialog>

namespace platform {

bool saveAndConfirm(ErrorBlock &step, int first, QDialog &window, const RecordSave &save)
{
    bool editing = false;
    step(first, [&] { editing = !save.id.isEmpty(); });
    const int build = editing ? first + 2 : first + 8;
    QString sql;
    std::optional<int> changed;
    if (!step(build, [&] { sql = editing ? save.updateStatement() : save.insertStatement(); }) ||
        !step(build + 2, [&] { changed = save.write(sql); }))
        return false;
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
    step(build + 4, [&] {
        msgBox(editing ? QStringLiteral("Record Successfully Updated") : QStringLiteral("Record Successfully Saved"));
    });
    step(first + 14, [&] { window.accept(); });
    return true;
}

} // namespace platform

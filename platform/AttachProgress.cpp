#include "platform/AttachProgress.h"

#include "data/Attachments.h"
#include "data/Error.h"

#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QProgressDialog>

namespace platform {

Attached attachWithProgress(QWidget *parent, Connection &connection, qint64 issueId, const AttachmentSources &sources,
                            qint64 limit, const std::function<void(qint64 id)> &each)
{
    Attached outcome;
    outcome.problems = sources.refused;
    const auto attachOne = [&](const QString &name, const std::function<qint64(const Attachments::Progress &)> &add) {
        QProgressDialog progress(QStringLiteral("Attaching %1...").arg(name), QStringLiteral("Cancel"), 0, 1000,
                                 parent);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        const auto step = [&progress](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
            QApplication::processEvents();
            return !progress.wasCanceled();
        };
        try {
            outcome.ids << add(step);
            if (each)
                each(outcome.ids.last());
        } catch (const Error &error) {
            outcome.problems << error.description();
        }
    };
    for (const QString &path : sources.files)
        attachOne(QFileInfo(path).fileName(), [&](const Attachments::Progress &step) {
            return Attachments::add(connection, issueId, path, step, limit);
        });
    for (const AttachmentSources::Picture &picture : sources.pictures)
        attachOne(picture.name, [&](const Attachments::Progress &step) {
            QBuffer png;
            png.setData(picture.png);
            png.open(QIODevice::ReadOnly);
            return Attachments::add(connection, issueId, png, picture.name, step, limit);
        });
    return outcome;
}

} // namespace platform

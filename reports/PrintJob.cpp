#include "reports/PrintJob.h"

#include "data/Error.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// lp hands the file to the print system before it ends; a print system that
// does not answer in this long is reported as a failure.
constexpr int lpWaitMs = 120000;

QString sides(QPrinter::DuplexMode duplex, QPageLayout::Orientation orientation)
{
    switch (duplex) {
    case QPrinter::DuplexNone:
        break;
    case QPrinter::DuplexAuto:
        return orientation == QPageLayout::Landscape ? QStringLiteral("two-sided-short-edge")
                                                     : QStringLiteral("two-sided-long-edge");
    case QPrinter::DuplexLongSide:
        return QStringLiteral("two-sided-long-edge");
    case QPrinter::DuplexShortSide:
        return QStringLiteral("two-sided-short-edge");
    }
    return QStringLiteral("one-sided");
}

} // namespace

PrintJob PrintJob::fromPrinter(const QPrinter &printer, const QString &title)
{
    PrintJob job;
    job.title = title;
    if (printer.outputFormat() == QPrinter::PdfFormat)
        job.outputFile = printer.outputFileName();
    else
        job.printerName = printer.printerName();
    job.copies = qMax(1, printer.copyCount());
    job.collate = printer.collateCopies();
    job.duplex = printer.duplex();
    job.layout = printer.pageLayout();
    return job;
}

QStringList PrintJob::lpArguments(const QString &pdfPath) const
{
    // A name with an instance ("printer/draft") is sent to the printer itself.
    QStringList arguments{QStringLiteral("-d"), printerName.section(QLatin1Char('/'), 0, 0),
                          QStringLiteral("-t"), title,
                          QStringLiteral("-n"), QString::number(copies),
                          QStringLiteral("-o"), QStringLiteral("media=") + layout.pageSize().key(),
                          QStringLiteral("-o"), QStringLiteral("sides=") + sides(duplex, layout.orientation())};
    if (copies > 1 && collate)
        arguments << QStringLiteral("-o") << QStringLiteral("Collate=True");
    // No "landscape" option: the PDF's pages already lie across, and the
    // option would turn them a second time.
    arguments << QStringLiteral("--") << pdfPath;
    return arguments;
}

void sendWithLp(const PrintJob &job, const QString &pdfPath)
{
    QProcess lp;
    lp.start(QStringLiteral("lp"), job.lpArguments(pdfPath));
    if (!lp.waitForStarted())
        throw Error(QStringLiteral("The print system's lp command could not be started: %1").arg(lp.errorString()));
    if (!lp.waitForFinished(lpWaitMs)) {
        lp.kill();
        lp.waitForFinished();
        throw Error(QStringLiteral("The print system did not take the job."));
    }
    if (lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(lp.readAllStandardError()).trimmed();
        throw Error(said.isEmpty() ? QStringLiteral("The print system refused the job.") : said);
    }
}

bool printPages(const PrintJob &job, const ReportPages &pages, int first, int last,
                const ReportPainter::Progress &progress, const PrintSender &send)
{
    if (!job.outputFile.isEmpty())
        return ReportPainter::writePdfFile(job.outputFile, pages, first, last, job.title, progress);
    const QTemporaryDir spool(QDir(QDir::tempPath()).filePath(QStringLiteral("marrowdesk-print-XXXXXX")));
    if (!spool.isValid())
        throw Error(spool.errorString());
    const QString path = spool.filePath(QStringLiteral("report.pdf"));
    if (!ReportPainter::writePdfFile(path, pages, first, last, job.title, progress))
        return false;
    send(job, path);
    return true;
}

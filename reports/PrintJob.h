#pragma once
// Printing a report so that Cancel sends nothing. The pages are drawn into a
// finished PDF first, and only a finished one goes to the printer (or becomes
// the file the print dialog named). Qt's print engines on this platform
// cannot take a job back once its drawing began: QPrinter::abort() is refused
// by the PDF and CUPS engines, and ending the drawing, which a cancel must do
// too, hands over every page drawn so far.

#include "reports/engine/ReportPages.h"
#include "reports/engine/ReportPainter.h"

#include <QPageLayout>
#include <QPrinter>
#include <QString>

#include <functional>

struct PrintJob {
    QString printerName; // the print system's name; empty when printing to a file
    QString outputFile;  // the file the print dialog chose; empty for a printer
    QString title;
    int copies = 1;
    bool collate = true;
    QPrinter::DuplexMode duplex = QPrinter::DuplexNone;
    QPageLayout layout;

    // What the print dialog chose on that printer.
    static PrintJob fromPrinter(const QPrinter &printer, const QString &title);

    // The print system's options for the job, as lp takes them.
    QStringList lpArguments(const QString &pdfPath) const;
};

// Hands a finished PDF to the print system; throws Error when it refuses.
using PrintSender = std::function<void(const PrintJob &job, const QString &pdfPath)>;

// This platform's way: the print system's lp command.
void sendWithLp(const PrintJob &job, const QString &pdfPath);

// Draws the pages from first to last (0-based, inclusive) and, once every one
// is drawn, sends them or writes the output file. Returns false when progress
// stopped it (the user cancelled): then nothing was sent, and no output file
// was left (an earlier one stays as it was). Throws Error, saying why, when
// drawing or sending fails.
bool printPages(const PrintJob &job, const ReportPages &pages, int first, int last,
                const ReportPainter::Progress &progress, const PrintSender &send = sendWithLp);

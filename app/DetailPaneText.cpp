#include "app/DetailPaneText.h"

#include "platform/ActivityText.h"

#include <QLocale>
#include <QRegularExpression>

namespace DetailPaneText {
namespace {

QString escaped(const QString &plain)
{
    return plain.toHtmlEscaped();
}

// Escapes a stretch of text that holds no link, keeping its line breaks.
QString escapedLines(const QString &plain)
{
    QString html = escaped(plain);
    html.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    html.replace(QLatin1Char('\r'), QLatin1String("<br>"));
    return html;
}

} // namespace

QString linkified(const QString &plain)
{
    // An address ends at a blank, a quote or an angle bracket; punctuation
    // that ends a sentence after it is not part of it.
    static const QRegularExpression address(
        QStringLiteral(R"((?:https?://|www\.)[^\s<>"]+|[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(?:\.[A-Za-z0-9-]+)+)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression trailing(QStringLiteral(R"([.,;:!?)\]}']+$)"));
    QString html;
    qsizetype done = 0;
    for (QRegularExpressionMatchIterator it = address.globalMatch(plain); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString link = match.captured();
        const QRegularExpressionMatch tail = trailing.match(link);
        if (tail.hasMatch())
            link.chop(tail.capturedLength());
        if (link.isEmpty() || match.capturedStart() < done)
            continue;
        html += escapedLines(plain.mid(done, match.capturedStart() - done));
        QString target = link;
        if (link.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
            target.prepend(QLatin1String("https://"));
        else if (!link.contains(QLatin1String("://")))
            target.prepend(QLatin1String("mailto:"));
        html += QStringLiteral("<a href=\"%1\">%2</a>").arg(escaped(target), escaped(link));
        done = match.capturedStart() + link.size();
    }
    html += escapedLines(plain.mid(done));
    return html;
}

QString ago(const QDateTime &when, const QDateTime &now)
{
    // From the local dates and times, not the instants: a conversion
    // through the time zone for each of a thousand entries would cost more
    // than the rest of the pane, and an hour's error at a change of summer
    // time does not matter to "2 hours ago".
    const qint64 days = when.date().daysTo(now.date());
    const qint64 seconds =
        days * 86400 + (now.time().msecsSinceStartOfDay() - when.time().msecsSinceStartOfDay()) / 1000;
    const auto count = [](qint64 n, const char *one, const char *many) {
        return n == 1 ? QString::fromLatin1(one) : QString::fromLatin1(many).arg(n);
    };
    if (seconds < 0 || days >= 28)
        return QLocale().toString(when.date(), QLocale::ShortFormat);
    if (seconds < 60)
        return QStringLiteral("just now");
    if (seconds < 3600)
        return count(seconds / 60, "1 minute ago", "%1 minutes ago");
    if (seconds < 86400)
        return count(seconds / 3600, "1 hour ago", "%1 hours ago");
    if (days <= 1)
        return QStringLiteral("yesterday");
    return count(days, "1 day ago", "%1 days ago");
}

QString shortValue(const QString &value)
{
    return ActivityText::shortValue(value);
}

QString fieldsHtml(const QList<Field> &fields)
{
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\">");
    for (const Field &field : fields)
        html += QStringLiteral("<tr><td style=\"color:#555555;padding-right:8px\">%1</td><td>%2</td></tr>")
                    .arg(escaped(field.first), escapedLines(field.second));
    return html + QStringLiteral("</table>");
}

QString headingHtml(const QString &caption)
{
    return QStringLiteral("<h4 style=\"margin-top:12px;margin-bottom:4px\">%1</h4>").arg(escaped(caption));
}

QString noteHtml(const QString &author, const QDateTime &when, const QString &text, const QDateTime &now)
{
    return QStringLiteral("<p style=\"margin-top:6px;margin-bottom:0px;color:#555555\">%1 \u2014 %2</p>"
                          "<p style=\"margin-top:0px;margin-bottom:4px;font-weight:normal\">%3</p>")
        .arg(escaped(author), escaped(ago(when, now)), linkified(text));
}

QString activityHtml(const QString &sentence, const QString &restoreLink)
{
    QString html =
        QStringLiteral("<p style=\"margin-top:2px;margin-bottom:2px;font-weight:normal\">%1").arg(escaped(sentence));
    if (!restoreLink.isEmpty())
        html += QStringLiteral(" &nbsp;<a href=\"%1\">Restore this value</a>").arg(escaped(restoreLink));
    return html + QStringLiteral("</p>");
}

QString moreHtml(const QString &caption)
{
    return QStringLiteral("<p style=\"margin-top:4px;font-weight:normal\"><a href=\"more:all\">%1</a></p>")
        .arg(escaped(caption));
}

} // namespace DetailPaneText

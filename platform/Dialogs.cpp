#include "platform/Dialogs.h"

#include "platform/ApplicationTitle.h"
#include "platform/ErrorBlock.h"
#include "platform/ScreenFit.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include <limits>

namespace platform {
namespace {

class QtDialogs final : public Dialogs {
public:
    Answer message(const QString &text, const QString &title, Buttons buttons, Icon icon) override
    {
        return message(text, QString(), title, buttons, icon);
    }

    Answer message(const QString &text, const QString &details, const QString &title, Buttons buttons,
                   Icon icon) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(title);
        box.setTextFormat(Qt::PlainText);
        box.setText(displayText(text));
        box.setDetailedText(displayText(details));
        box.setIcon(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
        const bool question = buttons != Buttons::Ok;
        if (buttons == Buttons::RetryOrChooseDatabase) {
            QPushButton *retry = box.addButton(QStringLiteral("&Retry"), QMessageBox::AcceptRole);
            QPushButton *choose = box.addButton(QStringLiteral("&Choose Database..."), QMessageBox::ActionRole);
            QPushButton *quit = box.addButton(QStringLiteral("&Quit"), QMessageBox::RejectRole);
            box.setDefaultButton(retry);
            box.setEscapeButton(quit);
            box.exec();
            return box.clickedButton() == retry ? Answer::Yes : box.clickedButton() == choose ? Answer::No : Answer::Ok;
        }
        if (buttons == Buttons::ReloadOrKeepEditing || buttons == Buttons::WaitOrCancel) {
            const bool reloading = buttons == Buttons::ReloadOrKeepEditing;
            QPushButton *reload =
                box.addButton(reloading ? QStringLiteral("&Reload") : QStringLiteral("&Wait"), QMessageBox::AcceptRole);
            QPushButton *keep = box.addButton(reloading ? QStringLiteral("&Keep Editing") : QStringLiteral("Cancel"),
                                              QMessageBox::RejectRole);
            box.setDefaultButton(keep);
            box.setEscapeButton(keep);
            box.exec();
            return box.clickedButton() == reload ? Answer::Yes : Answer::No;
        }
        if (question) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(buttons == Buttons::YesNoDefaultNo ? QMessageBox::No : QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::No);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        const int result = box.exec();
        if (question)
            return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
        return Answer::Ok;
    }

    QString input(const QString &prompt, const QString &title, const QString &defaultText) override
    {
        QInputDialog box(QApplication::activeWindow());
        box.setWindowTitle(title);
        box.setLabelText(prompt);
        box.setInputMode(QInputDialog::TextInput);
        // No length limit of the box's own: its line would otherwise cut a
        // longer text, typed or pasted, at 32767 characters without a word.
        if (auto *line = box.findChild<QLineEdit *>())
            line->setMaxLength(std::numeric_limits<int>::max());
        box.setTextValue(defaultText);
        return box.exec() == QDialog::Accepted ? box.textValue() : QString();
    }

    void showModal(QDialog &window) override
    {
        const ErrorBlock::NewCommands ownCommands;
        loadForm(window);
        fitOnScreen(window);
        window.exec();
    }

    QString fileName(FileAction action, const QString &title, const QString &suggested, const QString &filter) override
    {
        QWidget *parent = QApplication::activeWindow();
        if (action == FileAction::Open)
            return QFileDialog::getOpenFileName(parent, title, suggested, filter);
        // With the extension as its default, the chooser adds it before it
        // asks about replacing a file, so "report" asks about "report.pdf".
        QFileDialog chooser(parent, title, suggested, filter);
        chooser.setAcceptMode(QFileDialog::AcceptSave);
        chooser.setFileMode(QFileDialog::AnyFile);
        chooser.setDefaultSuffix(filterExtensions(filter).value(0));
        chooser.selectFile(suggested);
        if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
            return QString();
        return chooser.selectedFiles().constFirst();
    }

    QStringList openFileNames(const QString &title, const QString &filter) override
    {
        return QFileDialog::getOpenFileNames(QApplication::activeWindow(), title, QString(), filter);
    }
};

Dialogs *replacementDialogs = nullptr;

} // namespace

Dialogs &dialogs()
{
    static QtDialogs real;
    return replacementDialogs ? *replacementDialogs : real;
}

void setDialogs(Dialogs *replacement)
{
    replacementDialogs = replacement;
}

void loadForm(QDialog &window)
{
    if (auto *loading = dynamic_cast<LoadsOnShow *>(&window))
        loading->load();
}

QStringList filterExtensions(const QString &filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([^\\s)*?;]+)"));
    QStringList extensions;
    for (const QRegularExpressionMatch &match : pattern.globalMatch(filter))
        extensions.append(match.captured(1));
    return extensions;
}

QString saveFileName(const QString &title, const QString &suggested, const QString &filter)
{
    const QString chosen = dialogs().fileName(FileAction::Save, title, suggested, filter);
    const QStringList extensions = filterExtensions(filter);
    if (chosen.isEmpty() || extensions.isEmpty())
        return chosen;
    for (const QString &extension : extensions)
        if (chosen.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive))
            return chosen;
    const QString path = chosen + QLatin1Char('.') + extensions.constFirst();
    if (QFileInfo::exists(path) &&
        msgBox(QStringLiteral("The file \"%1\" already exists.\r\nDo you want to replace it?")
                   .arg(QDir::toNativeSeparators(path)),
               Buttons::YesNoDefaultNo) != Answer::Yes)
        return QString();
    return path;
}

Answer msgBox(const QString &text, Buttons buttons, Icon icon)
{
    return dialogs().message(text, applicationTitle(), buttons, icon);
}

Answer msgBox(const QString &text, const QString &details, Buttons buttons, Icon icon)
{
    return dialogs().message(text, details, applicationTitle(), buttons, icon);
}

bool confirmDiscard(const QString &item)
{
    return msgBox(QStringLiteral("This %1 has changes that are not saved.\r\nDiscard them and close the window?")
                      .arg(item),
                  Buttons::YesNoDefaultNo) == Answer::Yes;
}

QString displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

} // namespace platform

#pragma once
// Every message box, input box and modal window of the program goes through
// this seam. The real implementation shows Qt dialogs; tests install a
// scripted double that records each box and answers from a script.

#include <QString>
#include <QStringList>

class QDialog;

namespace platform {

// YesNoDefaultNo: Yes and No with No the default, so that Enter never
// confirms a question whose Yes destroys something. ReloadOrKeepEditing:
// "Reload" answers Yes, "Keep Editing" (the default, and Escape) No.
// RetryOrChooseDatabase: Retry (Yes, the default), Choose Database... (No)
// and Quit (Ok, also Escape). WaitOrCancel: Wait (Yes) and Cancel (No, the
// default, and Escape).
enum class Buttons { Ok, YesNo, YesNoDefaultNo, ReloadOrKeepEditing, RetryOrChooseDatabase, WaitOrCancel };
enum class Icon { None, Warning };
enum class Answer { Ok, Yes, No };
enum class FileAction { Open, Save };

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal message box. The text is shown with every carriage return and
    // line feed as a line break.
    virtual Answer message(const QString &text, const QString &title, Buttons buttons, Icon icon) = 0;
    // The same with details that stay behind a "Show Details" button, so a
    // long account never pushes the buttons off the screen. Without a
    // button of its own, the details follow the text.
    virtual Answer message(const QString &text, const QString &details, const QString &title, Buttons buttons,
                           Icon icon)
    {
        return message(details.isEmpty() ? text : text + QStringLiteral("\r\n\r\n") + details, title, buttons, icon);
    }

    // A modal input box. Returns the typed text, or empty text when the user
    // cancels (the two cannot be told apart, by design of the callers).
    virtual QString input(const QString &prompt, const QString &title, const QString &defaultText) = 0;

    // Loads the window (runs its load slot, see loadForm), shows it modally
    // and returns when it has closed.
    virtual void showModal(QDialog &window) = 0;

    // A modal file chooser: a file to open, or a name to save under (the
    // chooser asks before replacing a file). filter is a Qt name filter
    // ("CSV files (*.csv)"). Returns the path, or empty text when the user
    // cancels.
    virtual QString fileName(FileAction action, const QString &title, const QString &suggested,
                             const QString &filter) = 0;
    // Files to open, one or more; none when the user cancels. Unless a
    // double says otherwise, the one file fileName asks for.
    virtual QStringList openFileNames(const QString &title, const QString &filter)
    {
        const QString one = fileName(FileAction::Open, title, QString(), filter);
        return one.isEmpty() ? QStringList() : QStringList{one};
    }
};

// The dialogs in force: the scripted double while a test has installed one,
// otherwise the real Qt dialogs.
Dialogs &dialogs();

// Installs a replacement (tests); nullptr restores the real dialogs. The
// caller keeps ownership.
void setDialogs(Dialogs *replacement);

// A window that fills itself when it is shown rather than when it is made,
// so that it loads after the caller has set its public variables (the ID
// to edit).
class LoadsOnShow {
public:
    virtual void load() = 0;

protected:
    ~LoadsOnShow() = default;
};

// Loads the window when it is one that LoadsOnShow. Every showModal does
// this first, so a window loads exactly when it is shown.
void loadForm(QDialog &window);

// The extensions a file name filter names, in order: "csv", "txt" for
// "CSV files (*.csv *.txt);;All files (*)".
QStringList filterExtensions(const QString &filter);

// A name to save a file under, with the filter's first extension added when
// it was typed with none of them. The chooser asks before replacing a file of
// the name it returns; when the extension is added after it, that question
// is asked here. Empty text when the user cancels the chooser or says No.
QString saveFileName(const QString &title, const QString &suggested, const QString &filter);

// A message box titled with the application title.
Answer msgBox(const QString &text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None);

// The same with details behind "Show Details".
Answer msgBox(const QString &text, const QString &details, Buttons buttons, Icon icon);

// Asks, before an editor closes without saving, whether to discard what was
// changed in it (item: "issue", "contact"). No, keep editing, is the
// default. True when the window may close.
bool confirmDiscard(const QString &item);

// Turns the program's line-break characters into what a label shows as line
// breaks: CR LF, a lone CR and a lone LF each become one line break.
QString displayText(const QString &text);

} // namespace platform

#pragma once
// A test double for the dialogs seam: records every box and answers from a
// script. Installed for its lifetime.

#include "platform/Dialogs.h"

#include <QList>
#include <QString>

#include <functional>

class ScriptedDialogs : public platform::Dialogs {
public:
    struct Box {
        QString text;
        QString title;
        platform::Buttons buttons{};
        platform::Icon icon{};
        QString details; // behind "Show Details"
    };
    struct Input {
        QString prompt;
        QString title;
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    platform::Answer message(const QString &text, const QString &title, platform::Buttons buttons,
                             platform::Icon icon) override;
    platform::Answer message(const QString &text, const QString &details, const QString &title,
                             platform::Buttons buttons, platform::Icon icon) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;
    void showModal(QDialog &window) override;
    QString fileName(platform::FileAction action, const QString &title, const QString &suggested,
                     const QString &filter) override;

    // Answers given to Yes/No boxes in order; when none is left, Yes.
    QList<platform::Answer> answers;
    // Texts returned by input boxes in order; when none is left, empty text.
    QStringList inputs;
    // Run in place of each modal window's event loop (after its Form_Load),
    // in order; when none is left, the window is closed at once (rejected).
    QList<std::function<void(QDialog &)>> modalScripts;

    // Paths returned by file choosers in order; when none is left, empty
    // text (cancelled).
    QStringList fileNames;

    QList<Box> boxes;
    QList<Input> inputBoxes;
    QStringList modalTitles;
    QStringList fileChooserTitles;

    // The boxes titled "Application Error".
    QList<Box> errorBoxes() const;
    // The plain messages: an OK button, any title but "Application Error"
    // (refusals, confirmations).
    QList<Box> plainMessages() const;
};

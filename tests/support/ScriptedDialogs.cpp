#include "ScriptedDialogs.h"

#include "platform/ErrorBlock.h"

#include <QDialog>

ScriptedDialogs::ScriptedDialogs()
{
    platform::setDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    platform::setDialogs(nullptr);
}

platform::Answer ScriptedDialogs::message(const QString &text, const QString &title, platform::Buttons buttons,
                                          platform::Icon icon)
{
    return message(text, QString(), title, buttons, icon);
}

platform::Answer ScriptedDialogs::message(const QString &text, const QString &details, const QString &title,
                                          platform::Buttons buttons, platform::Icon icon)
{
    boxes.append({text, title, buttons, icon, details});
    if (buttons == platform::Buttons::Ok)
        return platform::Answer::Ok;
    return answers.isEmpty() ? platform::Answer::Yes : answers.takeFirst();
}

QString ScriptedDialogs::input(const QString &prompt, const QString &title, const QString &)
{
    inputBoxes.append({prompt, title});
    return inputs.isEmpty() ? QString() : inputs.takeFirst();
}

void ScriptedDialogs::showModal(QDialog &window)
{
    modalTitles.append(window.windowTitle());
    const ErrorBlock::NewCommands ownCommands;
    platform::loadForm(window);
    if (modalScripts.isEmpty()) {
        window.reject();
        return;
    }
    modalScripts.takeFirst()(window);
}

QString ScriptedDialogs::fileName(platform::FileAction, const QString &title, const QString &, const QString &)
{
    fileChooserTitles.append(title);
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QList<ScriptedDialogs::Box> ScriptedDialogs::plainMessages() const
{
    QList<Box> plain;
    for (const Box &box : boxes)
        if (box.buttons == platform::Buttons::Ok && box.title != QLatin1String("Application Error"))
            plain.append(box);
    return plain;
}

QList<ScriptedDialogs::Box> ScriptedDialogs::errorBoxes() const
{
    QList<Box> errors;
    for (const Box &box : boxes)
        if (box.title == QLatin1String("Application Error"))
            errors.append(box);
    return errors;
}

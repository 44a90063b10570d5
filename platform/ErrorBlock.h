#pragma once
// The error block every guarded operation runs its numbered steps through.
//
//     ErrorBlock step(ErrorBlock::location("Form1", "ListData"));
//     step(100, [&] { model.clear(); });
//     step(102, [&] { rs.Open("select * from [Open Issues]", connection()); });
//
// A step that throws shows one warning box ("Application Error") with the
// error's description, the operation's location text and the step number,
// and the operation goes on with its next step. Steps are numbered 100, 102,
// 104 ... in the order they stand in the operation.
//
// A Refusal (the user's input or the state of the data, not a fault) is
// shown as a plain message with the program's title instead. Within one
// command (the outermost block alive, with every block it calls) a failure
// whose description was already shown is counted but not shown again: with
// the database gone, one click gives one box, not one per step.

#include "data/Error.h"

#include <QSet>
#include <QString>

#include <exception>

class ErrorBlock {
public:
    static constexpr const char *supportAddress = "support@tamberlyn.example";

    explicit ErrorBlock(QString location);

    // The location text of one operation of a window, as the box shows it:
    // location("Form2", "PushButton2_Click") is
    // "in Pellucid2021/08/31.Form2.PushButton2_Click ". Every window names
    // its operations through this, with the design's names, since users
    // quote these texts when they report a failure.
    static QString location(const char *window, const char *operation);
    ~ErrorBlock();
    ErrorBlock(const ErrorBlock &) = delete;
    ErrorBlock &operator=(const ErrorBlock &) = delete;

    // Runs one step. Returns true when it completed, false when it failed and
    // was reported.
    template <typename Body>
    bool operator()(int stepNumber, Body &&body)
    {
        m_step = stepNumber;
        try {
            body();
            return true;
        } catch (const Refusal &refusal) {
            refuse(refusal.description());
        } catch (const Error &error) {
            report(error.description());
        } catch (const std::exception &error) {
            report(QString::fromUtf8(error.what()));
        } catch (...) {
            report(QStringLiteral("An unexpected error occurred."));
        }
        return false;
    }

    // Reports a failure of the current step without an exception.
    void report(const QString &description);
    // Tells a refusal of the current step in a plain message.
    void refuse(const QString &description);

    int failures() const { return m_failures; }

    // While it lives, the blocks made start a command of their own: a modal
    // window's commands are the user's new commands, whatever opened it.
    class NewCommands {
    public:
        NewCommands();
        ~NewCommands();
        NewCommands(const NewCommands &) = delete;
        NewCommands &operator=(const NewCommands &) = delete;

    private:
        ErrorBlock *m_outer;
    };

    // The box's text: the description, CR LF, the location text, "at line ",
    // the number, two CRs, and the request to e-mail a screenshot.
    static QString message(const QString &description, const QString &location, int stepNumber);

private:
    // False when the command has shown this description already.
    bool firstShowing(const QString &description);

    QString m_location;
    ErrorBlock *m_command = nullptr; // the outermost block, this one when it is
    QSet<QString> m_shown;           // kept by the outermost block
    int m_step = 0;
    int m_failures = 0;
};

#pragma once
// The error block every guarded operation runs its numbered steps through.
//
//     ErrorBlock step("in Pellucid2021/08/31.Form1.ListData ");
//     step(100, [&] { model.clear(); });
//     step(102, [&] { rs.Open("select * from [Open Issues]", connection()); });
//
// A step that throws shows one warning box ("Application Error") with the
// error's description, the operation's location text and the step number,
// and the operation goes on with its next step. Steps are numbered 100, 102,
// 104 ... in the order they stand in the operation.

#include "data/Error.h"

#include <QString>

#include <exception>

class ErrorBlock {
public:
    static constexpr const char *supportAddress = "support@tamberlyn.example";

    explicit ErrorBlock(QString location) : m_location(std::move(location)) {}

    // Runs one step. Returns true when it completed, false when it failed and
    // was reported.
    template <typename Body>
    bool operator()(int stepNumber, Body &&body)
    {
        m_step = stepNumber;
        try {
            body();
            return true;
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

    int failures() const { return m_failures; }
    int currentStep() const { return m_step; }
    const QString &location() const { return m_location; }

    // The box's text: the description, CR LF, the location text, "at line ",
    // the number, two CRs, and the request to e-mail a screenshot.
    static QString message(const QString &description, const QString &location, int stepNumber);

private:
    QString m_location;
    int m_step = 0;
    int m_failures = 0;
};

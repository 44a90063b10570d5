#include "app/DataAccessCheck.h"

#include "data/DataLayerProbe.h"
#include "data/FileUtil.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "platform/ProcessRunner.h"
#include "platform/ProgramEnd.h"

#include <QSysInfo>

namespace DataAccessCheck {
namespace {

std::function<bool()> &probeOverride()
{
    static std::function<bool()> probe;
    return probe;
}

std::function<QString()> &widthOverride()
{
    static std::function<QString()> source;
    return source;
}

bool dataLayerWorks()
{
    try {
        return probeOverride() ? probeOverride()() : probeDataLayer();
    } catch (...) {
        return false; // a probe that fails counts as a missing data layer
    }
}

QString processorWidth()
{
    try {
        return widthOverride() ? widthOverride()() : systemProcessorWidth();
    } catch (...) {
        return QString(); // no answer: the 32-bit package is used
    }
}

} // namespace

QString repairQuestion()
{
    return QStringLiteral("Error #193: ADO is not properly installed on this computer. \r\n"
                          "You need to have it installed to use this software without error.\r\n\r\n"
                          "Would you like to repair it now?");
}

QString helpMessage()
{
    return QStringLiteral("Please check for MDAC installation.\r\n\r\n"
                          "Please check this: %1 and look for 'How to obtain this update' section and download "
                          "the appropriate update.\r\n\r\n"
                          "Please email %2 with a screenshot of this message if you have any questions.")
        .arg(QString::fromLatin1(knowledgeBaseAddress), QString::fromLatin1(ErrorBlock::supportAddress));
}

QString restartQuestion()
{
    return QStringLiteral("ADO is fixed on this computer. \r\n"
                          "You need to restart your computer and software.\r\n\r\n"
                          "Would you like to stop software now?");
}

QString packageFileName(const QString &processorWidth)
{
    return processorWidth == QLatin1String("64") ? QStringLiteral("ADOFix64.msu") : QStringLiteral("ADOFix86.msu");
}

bool probeDataLayer()
{
    return DataLayerProbe::works();
}

void setProbe(std::function<bool()> probe)
{
    probeOverride() = std::move(probe);
}

void setProcessorWidthSource(std::function<QString()> source)
{
    widthOverride() = std::move(source);
}

QString processorWidthOf(const QString &cpuArchitecture)
{
    if (cpuArchitecture.isEmpty())
        return QString();
    if (cpuArchitecture.contains(QLatin1String("64")) || cpuArchitecture == QLatin1String("s390x") ||
        cpuArchitecture == QLatin1String("sparcv9"))
        return QStringLiteral("64");
    return QStringLiteral("32");
}

} // namespace DataAccessCheck

QString systemProcessorWidth()
{
    return DataAccessCheck::processorWidthOf(QSysInfo::currentCpuArchitecture());
}

void checkDataAccess()
{
    using namespace DataAccessCheck;
    using platform::Answer;
    using platform::Buttons;

    // Every failure in here is passed over without a message.
    try {
        if (dataLayerWorks())
            return;

        if (platform::msgBox(repairQuestion(), Buttons::YesNo) == Answer::No) {
            platform::msgBox(helpMessage(), Buttons::Ok);
            return;
        }

        const QString package = programFolder() + QLatin1Char('/') + packageFileName(processorWidth());
        if (!FileExists(package))
            return;

        // Whatever the package's exit code, it ran; only a package that could
        // not be started at all has fixed nothing, and is not claimed to have.
        if (runProgramAndWait(package, 0) < 0)
            return;

        if (platform::msgBox(restartQuestion(), Buttons::YesNo) == Answer::Yes)
            platform::endProgram(0);
    } catch (...) {
    }
}

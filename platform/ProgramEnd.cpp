#include "platform/ProgramEnd.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
std::function<void(int)> &handler()
{
    static std::function<void(int)> installed;
    return installed;
}
} // namespace

void endProgramNow(int exitCode)
{
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void endProgram(int exitCode)
{
    if (handler())
        handler()(exitCode);
    else
        endProgramNow(exitCode);
}

void setEndProgramHandler(std::function<void(int)> newHandler)
{
    handler() = std::move(newHandler);
}

} // namespace platform

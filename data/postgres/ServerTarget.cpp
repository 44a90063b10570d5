#include "data/postgres/ServerTarget.h"

#include <libpq-fe.h>

#include <cstring>

namespace ServerTarget {
namespace {

// libpq's own reading of the target: URI or key=value, the same parser it
// connects with, so the program never disagrees with it about a password.
PQconninfoOption *parse(const QString &target, QString *why)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(target.trimmed().toUtf8().constData(), &error);
    if (!options && why)
        *why = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("out of memory");
    PQfreemem(error);
    return options;
}

} // namespace

bool holdsPassword(const QString &target)
{
    PQconninfoOption *options = parse(target, nullptr);
    if (!options)
        return false;
    bool found = false;
    for (const PQconninfoOption *option = options; option->keyword; ++option)
        if (std::strcmp(option->keyword, "password") == 0 && option->val && *option->val)
            found = true;
    PQconninfoFree(options);
    return found;
}

bool isReadable(const QString &target, QString *why)
{
    PQconninfoOption *options = parse(target, why);
    PQconninfoFree(options);
    return options != nullptr;
}

} // namespace ServerTarget

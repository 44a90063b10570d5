// libFuzzer target: the SQL dialect translator.
#include "FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzChecks::jetSql(data, size);
    return 0;
}

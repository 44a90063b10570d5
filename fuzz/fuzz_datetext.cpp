// libFuzzer target: reading date text.
#include "FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzChecks::dateText(data, size);
    return 0;
}

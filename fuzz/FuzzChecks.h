#pragma once
// The properties the fuzzers check on any input. The libFuzzer targets and
// the regression test over the kept corpus run the same checks.

#include <cstddef>
#include <cstdint>

namespace FuzzChecks {

// The dialect translator terminates, and text it has nothing to translate
// (no "+", "[", ORDER, First, Last) comes back unchanged. Aborts on a breach.
void jetSql(const uint8_t *data, size_t size);

// Date text that parses, in any of the five locales, turns into ISO text that
// reads back as the same value, and writes back as text that parses again to
// the same value. Aborts on a breach.
void dateText(const uint8_t *data, size_t size);

} // namespace FuzzChecks

#pragma once
// "Load Sample/Example Data": tops the contacts and the three value lists up
// to two rows each and adds three sample issues, on the shared connection,
// then refills the issue list through the given callback. A sample issue
// whose contact or value could not be read is left out, and one box says so.

#include <functional>

void LoadSampleData(const std::function<void()> &listData);

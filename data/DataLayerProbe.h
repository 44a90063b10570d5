#pragma once
// Whether the data layer works on this machine: the engine starts, a
// database opens in memory with the program's SQL functions, and a
// statement of the program's dialect runs through them ("+" joins text, a
// null joined in gives null).

namespace DataLayerProbe {

// True when all of that works. Never throws.
bool works();

} // namespace DataLayerProbe

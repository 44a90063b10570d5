#pragma once
// The start-up check that the data layer works.

// Probes the data layer; when it fails, leads the user through the repair
// dialogue, and may end the program.
void IsADOInstalled();

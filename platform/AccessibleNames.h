#pragma once
// What a screen reader is told. Every control's accessible name is its
// caption (platform/Controls.h); this makes drop-down lists keep to that:
// Qt's own interface for them on Linux gives the chosen item as the name,
// so a reader would say "High, High" where it should say "Priority, High".

namespace platform {

// Installs the interface that names a drop-down list by its caption (its
// accessibleName) and gives the chosen item as its value. Lists without an
// accessible name keep Qt's interface. Call once, before the windows are
// made; later calls do nothing.
void installAccessibleNames();

} // namespace platform

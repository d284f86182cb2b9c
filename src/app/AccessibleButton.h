#pragma once

namespace orvane {

// Qt Quick 6.4 tells a screen reader that every button is enabled: its accessible items read
// no state from `enabled`, and QML has no way to say otherwise. Installed once, before the
// first window, this gives the program's own buttons (FilledButton, PlainButton, IconButton) an
// accessible face that says "disabled" while they are, and tells the reader when that changes.
void installAccessibleButtons();

} // namespace orvane

#pragma once

namespace orvane {

// A search holds one connection per TLD at the same time, and a stock Linux session starts
// programs with a soft limit of 1,024 descriptors (macOS: 256), which a long TLD list passes:
// the checks beyond it would fail with "Out of resources". Raising the soft limit as far as the
// hard limit allows is what the limit is there for; children get the original value back, since
// programs that still use select() break with descriptors above 1,024.

// Raises this process's soft limit on open descriptors; call once, early in main(). Returns the
// limit now in force (0 where the platform has no such limit).
unsigned long long raiseOpenFileLimit();

// For a child between fork and exec: puts back the soft limit the process started with.
// Only async-signal-safe calls.
void restoreOpenFileLimitInChild();

} // namespace orvane

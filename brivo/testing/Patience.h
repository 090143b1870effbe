#pragma once

// How long a desktop test waits for what happens in its own time (a worker thread, the window
// system, a posted event) before it fails. Generous, as a loaded machine may need it; it is
// spent only when the awaited thing does not happen.
inline constexpr int kPatienceMs = 120000;

#pragma once

#include <functional>

class QWindow;

namespace orvane {

// The bridge through which the shell asks for a window to be opened, and finds the windows
// that are open: by the objects themselves, never by a title a translation could change. The
// actions are registered when a window host appears and replaced on each registration.
struct WindowOpener {
    std::function<void()> openMain;
    std::function<void()> openOnboarding;
    std::function<QWindow *()> mainWindow;    // null when none is open
    std::function<QWindow *()> welcomeWindow; // null when none is open
};

} // namespace orvane

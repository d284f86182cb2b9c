#pragma once

#include <functional>

namespace orvane {

// The bridge through which the shell asks for a window to be opened. The actions are
// registered when a window host appears and replaced on each registration.
struct WindowOpener {
    std::function<void()> openMain;
    std::function<void()> openOnboarding;
};

} // namespace orvane

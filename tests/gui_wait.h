// Waiting for what a real window shows or does, however long a busy machine
// takes, for the tests that drive the toolkit on a display.
#pragma once

#include <chrono>
#include <functional>

#include "wnd/gui.h"

// Runs the toolkit's loop until the condition holds. The five-minute bound
// only keeps a broken window from hanging the suite; no test relies on it.
inline bool RunGuiUntil(const std::function<bool()>& condition)
{
    const auto bound = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > bound)
            return false;
        PlatformRunGuiFor(50);
    }
    return true;
}

#pragma once

#include <string>

namespace platform {

/// Starts another program and runs the program's own event loop.
class Launcher {
  public:
    virtual ~Launcher() = default;
    /// Starts the program of that file name in the working folder without waiting for it; a
    /// failure to start is ignored.
    virtual void StartProgram(const std::string& fileName) = 0;
    /// Ends this program at once.
    virtual void EndProgram() = 0;
    /// Lets pending events (repaints, clicks) run once.
    virtual void ProcessEventsOnce() = 0;
};

} // namespace platform

#pragma once

#include "platform/Launcher.h"

#include <filesystem>

/// Starts programs from the working folder with QProcess and drives the Qt event loop.
class QtLauncher : public platform::Launcher {
  public:
    explicit QtLauncher(std::filesystem::path workingFolder);
    void StartProgram(const std::string& fileName) override;
    /// Leaves the running event loop; before the loop runs it only records the request, which
    /// the caller checks with EndRequested before entering the loop.
    void EndProgram() override;
    void ProcessEventsOnce() override;

    bool EndRequested() const { return m_endRequested; }

  private:
    std::filesystem::path m_workingFolder;
    bool m_endRequested = false;
};

#pragma once

#include "platform/Launcher.h"

#include <filesystem>

/// Starts programs from the working folder with QProcess and drives the Qt event loop.
class QtLauncher : public platform::Launcher {
  public:
    explicit QtLauncher(std::filesystem::path workingFolder);
    void StartProgram(const std::string& fileName) override;
    void EndProgram() override;
    void ProcessEventsOnce() override;

  private:
    std::filesystem::path m_workingFolder;
};

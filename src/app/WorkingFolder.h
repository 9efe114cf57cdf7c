#pragma once

#include <filesystem>
#include <string>

namespace app {

/// Where the program works, and the shipped library to fill it from.
struct WorkingFolder {
    std::filesystem::path folder;  ///< empty: the folder the program was started in
    std::filesystem::path library; ///< empty: nothing to copy (a build tree, or PHOTONXS_HOME)
};

/// The running program's own file: /proc/self/exe where the system has it, else `argv0` made
/// absolute. Empty when neither names a file.
std::filesystem::path RunningExecutable(const char* argv0);

/// The library an installed program carries: `../share/photonxs` from the folder of
/// `executable`, when it holds Start.dat. Empty otherwise, as in a build tree.
std::filesystem::path InstalledLibrary(const std::filesystem::path& executable);

/// PHOTONXS_HOME (`photonxsHome`) when set, used as it is; else, for an installed program,
/// `home`/PhotonXS with the installed library to fill it from; else the current folder. Null or
/// empty texts count as unset.
WorkingFolder ChooseWorkingFolder(const char* photonxsHome, const char* home,
                                  const std::filesystem::path& executable);

/// Copies into `folder` (made when missing) every file and folder of `library` that it lacks;
/// a file already there is never touched. Each file is copied under a temporary name and then
/// renamed, so an interrupted copy leaves no partial file. Returns what went wrong, empty on
/// success.
std::string SeedWorkingFolder(const std::filesystem::path& library,
                              const std::filesystem::path& folder);

} // namespace app

#include "app/WorkingFolder.h"

#include <system_error>

namespace app {

namespace fs = std::filesystem;

fs::path RunningExecutable(const char* argv0) {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error && !self.empty()) {
        return self;
    }
    if (argv0 == nullptr || *argv0 == '\0') {
        return {};
    }
    // Started through PATH the name has no folder, and then there is no telling where it lies.
    const fs::path given(argv0);
    if (!given.has_parent_path()) {
        return {};
    }
    self = fs::weakly_canonical(given, error);
    return error ? fs::path() : self;
}

fs::path InstalledLibrary(const fs::path& executable) {
    if (executable.empty()) {
        return {};
    }
    const fs::path library = executable.parent_path().parent_path() / "share" / "photonxs";
    std::error_code error;
    if (!fs::is_regular_file(library / "Start.dat", error)) {
        return {};
    }
    return library.lexically_normal();
}

WorkingFolder ChooseWorkingFolder(const char* photonxsHome, const char* home,
                                  const fs::path& executable) {
    if (photonxsHome != nullptr && *photonxsHome != '\0') {
        return {fs::path(photonxsHome), {}};
    }
    if (home == nullptr || *home == '\0') {
        return {};
    }
    fs::path library = InstalledLibrary(executable);
    if (library.empty()) {
        return {};
    }
    return {fs::path(home) / "PhotonXS", std::move(library)};
}

std::string SeedWorkingFolder(const fs::path& library, const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return "cannot create " + folder.string() + ": " + error.message();
    }
    fs::recursive_directory_iterator entry(library, error);
    if (error) {
        return "cannot read " + library.string() + ": " + error.message();
    }
    for (; entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        const fs::path relative = entry->path().lexically_relative(library);
        const fs::path target = folder / relative;
        if (entry->is_directory(error)) {
            fs::create_directories(target, error);
            if (error) {
                return "cannot create " + target.string() + ": " + error.message();
            }
            continue;
        }
        if (fs::exists(fs::symlink_status(target, error))) {
            continue;
        }
        const fs::path aside = target.string() + ".photonxs-copy";
        fs::copy_file(entry->path(), aside, fs::copy_options::overwrite_existing, error);
        if (!error) {
            fs::rename(aside, target, error);
        }
        if (error) {
            std::error_code ignored;
            fs::remove(aside, ignored);
            return "cannot copy " + relative.string() + " to " + folder.string() + ": " +
                   error.message();
        }
    }
    if (error) {
        return "cannot read " + library.string() + ": " + error.message();
    }
    return {};
}

} // namespace app

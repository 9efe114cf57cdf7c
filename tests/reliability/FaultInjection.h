#pragma once

// Ways to make a write fail on purpose: a folder that takes no new files, a device that is full,
// a limit on the size of any file the process writes. Each undoes itself when it goes out of
// scope. Some need privileges (mounting, the immutable attribute); `available()` says whether
// the fault could be set up here, and `how()` which way was used.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testing {

/// Names in a folder, sorted, so that a leftover temporary file shows as a difference.
inline std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

/// True when a new file can be created in the folder.
inline bool canCreateFileIn(const std::filesystem::path& folder) {
    const std::filesystem::path probe = folder / ".write-probe";
    const bool created = std::ofstream(probe).good();
    std::error_code ec;
    std::filesystem::remove(probe, ec);
    return created;
}

/// Sets or clears the immutable attribute of a file or folder (which stops even root); false
/// when the file system or this user cannot.
inline bool setImmutable(const std::filesystem::path& path, bool on) {
    const int fd = open(path.string().c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return done;
}

/// A folder in which no file can be created or replaced: by its permission bits when they stop
/// this user, else by a read-only bind mount over it, else by the immutable attribute.
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(const std::filesystem::path& folder) : m_folder(folder) {
        namespace fs = std::filesystem;
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        if (!canCreateFileIn(folder)) {
            m_how = "permission bits";
            return;
        }
        fs::permissions(folder, fs::perms::owner_all);
        const std::string path = folder.string();
        if (mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) == 0) {
            if (mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) ==
                    0 &&
                !canCreateFileIn(folder)) {
                m_mounted = true;
                m_how = "read-only bind mount";
                return;
            }
            umount2(path.c_str(), MNT_DETACH);
        }
        if (setImmutable(folder, true) && !canCreateFileIn(folder)) {
            m_immutable = true;
            m_how = "immutable attribute";
            return;
        }
        setImmutable(folder, false);
    }
    ~ReadOnlyFolder() { release(); }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool available() const { return !m_how.empty(); }
    const std::string& how() const { return m_how; }

    /// Makes the folder writable again (before the test checks or removes its content).
    void release() {
        if (m_mounted) {
            umount2(m_folder.string().c_str(), MNT_DETACH);
            m_mounted = false;
        }
        if (m_immutable) {
            setImmutable(m_folder, false);
            m_immutable = false;
        }
        std::error_code ec;
        std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all, ec);
    }

  private:
    std::filesystem::path m_folder;
    std::string m_how;
    bool m_mounted = false;
    bool m_immutable = false;
};

/// A file that may not be written: by its permission bits when they stop this user, else by the
/// immutable attribute.
class WriteProtectedFile {
  public:
    explicit WriteProtectedFile(const std::filesystem::path& file) : m_file(file) {
        namespace fs = std::filesystem;
        fs::permissions(file,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        if (access(file.string().c_str(), W_OK) != 0) {
            m_how = "permission bits";
        } else if (setImmutable(file, true)) {
            m_immutable = true;
            m_how = "immutable attribute";
        }
    }
    ~WriteProtectedFile() { release(); }
    WriteProtectedFile(const WriteProtectedFile&) = delete;
    WriteProtectedFile& operator=(const WriteProtectedFile&) = delete;

    bool available() const { return !m_how.empty(); }
    const std::string& how() const { return m_how; }

    void release() {
        if (m_immutable) {
            setImmutable(m_file, false);
            m_immutable = false;
        }
        std::error_code ec;
        std::filesystem::permissions(
            m_file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ec);
    }

  private:
    std::filesystem::path m_file;
    std::string m_how;
    bool m_immutable = false;
};

/// A small memory file system mounted over a folder and filled to the last byte, so that the
/// next write fails with "No space left on device". Needs the right to mount.
class FullDevice {
  public:
    /// `keep` is written into the device before it is filled: a file the test expects to find
    /// unchanged afterwards (name relative to the folder, and its bytes).
    FullDevice(const std::filesystem::path& folder, const std::string& keepName,
               const std::string& keepBytes)
        : m_folder(folder) {
        const std::string path = folder.string();
        if (mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") != 0) {
            return;
        }
        m_mounted = true;
        if (!keepName.empty()) {
            std::ofstream(folder / keepName, std::ios::binary) << keepBytes;
        }
        // Fill in ever smaller pieces until not a byte more fits.
        const int fd = open((folder / "filler").string().c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd < 0) {
            return;
        }
        const std::string block(4096, 'f');
        for (std::size_t piece = block.size(); piece >= 1; piece /= 2) {
            while (write(fd, block.data(), piece) == static_cast<ssize_t>(piece)) {
            }
        }
        m_full = write(fd, "x", 1) < 0 && errno == ENOSPC;
        close(fd);
    }
    ~FullDevice() {
        if (m_mounted) {
            umount2(m_folder.string().c_str(), MNT_DETACH);
        }
    }
    FullDevice(const FullDevice&) = delete;
    FullDevice& operator=(const FullDevice&) = delete;

    bool available() const { return m_mounted && m_full; }

  private:
    std::filesystem::path m_folder;
    bool m_mounted = false;
    bool m_full = false;
};

/// A limit on the size of every file the process writes: writes past it fail ("File too
/// large") as they would on a full disk, without any privilege.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool available() const { return m_set; }

  private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_set = false;
};

} // namespace testing

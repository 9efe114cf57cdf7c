#pragma once

// Ways to make a write fail on purpose, each undone by release() or when it goes out of scope:
// a folder that takes no new files, a write-protected file, a full device, a limit on the size
// of any file the process writes. Some need privileges (mounting, the immutable attribute);
// `how()` is empty when the fault could not be set up here.

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

class InjectedFault {
  public:
    enum Kind { ReadOnlyFolder, WriteProtectedFile, FullDevice, FileSizeLimit };

    /// `path` is the folder (read-only folder, full device) or the file (write-protected). A full
    /// device keeps the file `path / keepName` holding `keepBytes`, then is filled to the byte.
    InjectedFault(Kind kind, const std::filesystem::path& path, const std::string& keepName = {},
                  const std::string& keepBytes = {})
        : m_path(path), m_kind(kind) {
        namespace fs = std::filesystem;
        const std::string p = path.string();
        if (kind == ReadOnlyFolder) {
            fs::permissions(path, fs::perms::owner_read | fs::perms::owner_exec);
            if (!canCreateFileIn(path)) {
                m_how = "permission bits";
            } else if (fs::permissions(path, fs::perms::owner_all);
                       mount(p.c_str(), p.c_str(), nullptr, MS_BIND, nullptr) == 0) {
                m_mounted = true;
                if (mount(nullptr, p.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) ==
                        0 &&
                    !canCreateFileIn(path)) {
                    m_how = "read-only bind mount";
                }
            } else if (setImmutable(true) && !canCreateFileIn(path)) {
                m_how = "immutable attribute";
            }
        } else if (kind == WriteProtectedFile) {
            fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
            if (access(p.c_str(), W_OK) != 0) {
                m_how = "permission bits";
            } else if (setImmutable(true)) {
                m_how = "immutable attribute";
            }
        } else if (kind == FullDevice) {
            if (mount("tmpfs", p.c_str(), "tmpfs", 0, "size=64k") != 0) {
                return;
            }
            m_mounted = true;
            std::ofstream(path / keepName, std::ios::binary) << keepBytes;
            // Fill in ever smaller pieces until not a byte more fits.
            const int fd = open((path / "filler").string().c_str(), O_WRONLY | O_CREAT, 0644);
            const std::string block(4096, 'f');
            for (std::size_t piece = block.size(); fd >= 0 && piece >= 1; piece /= 2) {
                while (write(fd, block.data(), piece) == static_cast<ssize_t>(piece)) {
                }
            }
            if (fd >= 0 && write(fd, "x", 1) < 0 && errno == ENOSPC) {
                m_how = "a full 64 KB memory file system";
            }
            close(fd);
        } else {
            m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &m_oldLimit);
            rlimit limit = m_oldLimit;
            limit.rlim_cur = 100;
            m_limited = true;
            m_how = setrlimit(RLIMIT_FSIZE, &limit) == 0 ? "a file size limit of 100 bytes" : "";
        }
    }
    ~InjectedFault() {
        release();
        if (m_mounted) {
            umount2(m_path.string().c_str(), MNT_DETACH);
        }
    }
    InjectedFault(const InjectedFault&) = delete;
    InjectedFault& operator=(const InjectedFault&) = delete;

    const std::string& how() const { return m_how; }

    /// Lifts the fault (before the test checks or removes what it guarded); a full device stays
    /// mounted, holding what the test checks, until the end of the scope.
    void release() {
        if (m_mounted && m_kind != FullDevice) {
            umount2(m_path.string().c_str(), MNT_DETACH);
            m_mounted = false;
        }
        if (m_limited) {
            setrlimit(RLIMIT_FSIZE, &m_oldLimit);
            std::signal(SIGXFSZ, m_oldHandler);
            m_limited = false;
        }
        setImmutable(false);
        std::error_code ec;
        std::filesystem::permissions(m_path,
                                     std::filesystem::is_directory(m_path, ec)
                                         ? std::filesystem::perms::owner_all
                                         : std::filesystem::perms::owner_read |
                                               std::filesystem::perms::owner_write,
                                     ec);
    }

  private:
    static bool canCreateFileIn(const std::filesystem::path& folder) {
        const std::filesystem::path probe = folder / ".write-probe";
        const bool created = std::ofstream(probe).good();
        std::error_code ec;
        std::filesystem::remove(probe, ec);
        return created;
    }

    /// The immutable attribute stops even root; false when the file system or user cannot.
    bool setImmutable(bool on) {
        const int fd = open(m_path.string().c_str(), O_RDONLY | O_NONBLOCK);
        int flags = 0;
        bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0) {
            close(fd);
        }
        return done;
    }

    std::filesystem::path m_path;
    Kind m_kind;
    std::string m_how;
    bool m_mounted = false;
    bool m_limited = false;
    rlimit m_oldLimit{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace testing

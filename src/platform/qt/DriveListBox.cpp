#include "platform/qt/DriveListBox.h"

#include "platform/qt/PathText.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>

namespace {

/// True when `root` is `folder` or one of its ancestors, compared component by component.
bool holds(const std::filesystem::path& root, const std::filesystem::path& folder) {
    auto r = root.begin();
    auto f = folder.begin();
    for (; r != root.end(); ++r, ++f) {
        if (r->empty()) {
            break; // the empty last element of a root written with a trailing separator
        }
        if (f == folder.end() || *r != *f) {
            return false;
        }
    }
    return true;
}

} // namespace

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            emit Change();
        }
    });
    SetDrives(MachineDrives());
}

std::vector<std::filesystem::path> DriveListBox::MachineDrives() {
    std::vector<std::filesystem::path> drives;
    const auto add = [&drives](const QString& root) {
        const std::filesystem::path path = ToPath(QDir::toNativeSeparators(root));
        if (!root.isEmpty() && std::find(drives.begin(), drives.end(), path) == drives.end()) {
            drives.push_back(path);
        }
    };
    add(QStorageInfo(QDir::currentPath()).rootPath());
#ifdef Q_OS_WIN
    for (const QFileInfo& drive : QDir::drives()) {
        add(drive.absoluteFilePath());
    }
#else
    add(QDir::rootPath());
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Single files mounted into place (as containers do) are not drives.
        if (volume.isValid() && QFileInfo(volume.rootPath()).isDir()) {
            add(volume.rootPath());
        }
    }
#endif
    return drives;
}

void DriveListBox::SetDrives(const std::vector<std::filesystem::path>& drives) {
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const std::filesystem::path& drive : drives) {
            addItem(ToQString(drive), ToQString(drive));
        }
        setCurrentIndex(-1);
    }
    if (count() > 0) {
        setCurrentIndex(0);
    }
}

std::filesystem::path DriveListBox::Drive() const {
    return currentIndex() < 0 ? std::filesystem::path() : ToPath(currentData().toString());
}

std::filesystem::path DriveListBox::DriveOf(const std::filesystem::path& folder) const {
    std::filesystem::path best;
    for (int i = 0; i < count(); ++i) {
        const std::filesystem::path drive = ToPath(itemData(i).toString());
        if (holds(drive, folder) && drive.native().size() > best.native().size()) {
            best = drive;
        }
    }
    return best;
}

void DriveListBox::ShowDriveOf(const std::filesystem::path& folder) {
    const int index = findData(ToQString(DriveOf(folder)));
    if (index >= 0) {
        const QSignalBlocker blocker(this);
        setCurrentIndex(index);
    }
}

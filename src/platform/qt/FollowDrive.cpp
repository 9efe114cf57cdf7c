#include "platform/qt/FollowDrive.h"

#include "platform/qt/DirListBox.h"
#include "platform/qt/DriveListBox.h"

#include <filesystem>
#include <system_error>

void FollowDrive(DriveListBox& drives, DirListBox& folders) {
    const std::filesystem::path drive = drives.Drive();
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    const std::filesystem::path folder =
        !error && drives.DriveOf(current) == drive ? current : drive;
    if (!folders.SetPath(folder)) {
        drives.ShowDriveOf(folders.Path());
    }
}

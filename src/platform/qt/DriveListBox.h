#pragma once

#include <QComboBox>

#include <filesystem>
#include <vector>

/// A drive chooser: the drives of the machine on Windows, the mounted volumes and the root
/// elsewhere. Change is emitted whenever the chosen drive changes, except through ShowDriveOf.
class DriveListBox : public QComboBox {
    Q_OBJECT

  public:
    explicit DriveListBox(QWidget* parent = nullptr);

    /// The machine's drives, the one holding the process's current folder first.
    static std::vector<std::filesystem::path> MachineDrives();

    /// Replaces the listed drives and chooses the first one (Change is emitted).
    void SetDrives(const std::vector<std::filesystem::path>& drives);
    /// The chosen drive's root; empty when nothing is listed.
    std::filesystem::path Drive() const;
    /// The listed drive that holds `folder` (the longest matching root); empty when none does.
    std::filesystem::path DriveOf(const std::filesystem::path& folder) const;
    /// Chooses the drive that holds `folder` without emitting Change.
    void ShowDriveOf(const std::filesystem::path& folder);

  signals:
    void Change();
};

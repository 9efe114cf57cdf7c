#pragma once

#include <QListWidget>

#include <filesystem>

/// A folder list: its first line shows the current folder's full path, then ".." (except at a
/// root) and the sub-folders. Double-clicking or pressing Enter on a line enters that folder.
class DirListBox : public QListWidget {
    Q_OBJECT

  public:
    explicit DirListBox(QWidget* parent = nullptr);

    /// Points the list at a folder and re-reads it. False when it is not a folder that can be
    /// read; the list then keeps its folder. Change is emitted when the folder changes.
    bool SetPath(const std::filesystem::path& folder);
    std::filesystem::path Path() const { return m_path; }
    /// Re-reads the sub-folders of the current folder.
    void Refresh();

  signals:
    void Change(const QString& path);

  private:
    void enter(QListWidgetItem* item);

    std::filesystem::path m_path;
};

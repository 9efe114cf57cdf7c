#pragma once

#include <QListWidget>

#include <filesystem>
#include <string>

/// A file list: the regular files of one folder whose names match a wildcard pattern ("*.bmp"),
/// sorted. fileClicked is emitted when the user clicks a line or presses Enter on it.
class PatternFileList : public QListWidget {
    Q_OBJECT

  public:
    explicit PatternFileList(QWidget* parent = nullptr);

    /// Points the list at a folder and re-reads it; an unreadable folder lists nothing.
    void SetPath(const std::filesystem::path& folder);
    const std::filesystem::path& Path() const { return m_folder; }
    void SetPattern(const std::string& pattern);
    /// Re-reads the folder; no line is highlighted afterwards.
    void Refresh();
    /// The highlighted file's name; empty when none is.
    QString FileName() const;

  signals:
    void fileClicked();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    std::filesystem::path m_folder;
    std::string m_pattern = "*";
};

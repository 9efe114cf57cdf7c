#pragma once

#include <QString>

#include <string>

class DirListBox;
class DriveListBox;
class PatternFileList;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

/// The controls both save dialogs share, top to bottom: a heading, the drive chooser, the folder
/// list, the file list of one pattern, the name box with its prompt, OK and Cancel.
struct SaveDialogControls {
    QLabel* Label3 = nullptr;
    DriveListBox* Drive1 = nullptr;
    DirListBox* Dir1 = nullptr;
    PatternFileList* File1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

  protected:
    /// Creates the controls inside `dialog` in the tab order drive, folder, files, name, OK,
    /// Cancel, with every list starting in the process's current folder.
    void BuildSaveDialog(QWidget& dialog, const QString& heading, const std::string& pattern);
    /// Re-reads the file list in the folder list's folder, empties the name box and shows the
    /// dialog without making it modal.
    void PrepareSaveDialog(QWidget& dialog);
    /// The folder list moves to the chosen drive; a drive that cannot be read changes nothing.
    void FollowDriveChange();
    /// The file list follows the folder list.
    void FollowFolderChange();
    /// The clicked file's name, less its four-character extension, goes into the name box.
    void TakeClickedName();
};

#pragma once

#include <QWidget>

class DirListBox;
class DriveListBox;
class PatternFileList;
class QLabel;
class QLineEdit;
class QPushButton;
struct AppContext;

/// "Save  in CSV format": reads the selected material file again and writes its table as a
/// comma-separated file in a chosen folder.
class Form8 : public QWidget {
    Q_OBJECT

  public:
    explicit Form8(AppContext& context, QWidget* parent = nullptr);
    /// Points the file list at the folder list's folder, re-reads it, empties the name box and
    /// shows the dialog without making it modal.
    void PrepareAndShow();

    void Form8_Command1_Click();
    void Form8_Command2_Click();
    void Form8_Drive1_Change();
    void Form8_Dir1_Change();
    void Form8_File1_Click();

    QLabel* Label3 = nullptr;
    DriveListBox* Drive1 = nullptr;
    DirListBox* Dir1 = nullptr;
    PatternFileList* File1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

  private:
    AppContext& m_context;
};

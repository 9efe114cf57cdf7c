#pragma once

#include <QWidget>

#include <string>

class PatternFileList;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct AppContext;

/// The main window: the element list, the three material categories and their list, the chosen
/// file's name and density, GO, Delete, Create New Data and the exit button.
class Form1 : public QWidget {
    Q_OBJECT

  public:
    explicit Form1(AppContext& context, QWidget* parent = nullptr);

    /// Start-up: checks the start-up files, titles the window, prepares the other windows and
    /// shows either this window or the start notice.
    void Form1_Form_Load();
    /// Re-reads the material list (after a builder has saved a new file).
    void RefreshMaterialList();

    void Form1_Command1_Click();
    void Form1_Form_Unload();
    void Form1_Option1_Click();
    void Form1_Option2_Click();
    void Form1_Option3_Click();
    void Form1_File1_Click();
    void Form1_File2_Click();
    void Form1_Command2_Click();
    void Form1_Command3_Click();
    void Form1_Command4_Click();
    /// Opens the Attenuation window on `dataPath` ("ele/082_Pb.ele"; empty: the chosen file).
    /// Reached by the lists' context menu and Ctrl+T; no control of this window changes.
    void OpenAttenuation(const std::string& dataPath);

    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    PatternFileList* File1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    PatternFileList* File2 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLabel* Label7 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command1 = nullptr;
    QWidget* Picture2 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    /// Both list clicks: `folder` is "ele" or "mix", `list` the list clicked, `other` the list
    /// whose highlight the choice clears.
    void chooseFile(const std::string& folder, PatternFileList* list, PatternFileList* other);
    void chooseCategory(const char* pattern);
    void showStartNotice();

    AppContext& m_context;
    bool m_busy = false;   ///< GO is running: a further GO, Delete or Create New Data is ignored
    bool m_ending = false; ///< the program is ending; the close box starts nothing more
};

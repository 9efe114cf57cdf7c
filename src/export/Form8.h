#pragma once

#include "export/FormSaveDialog.h"

#include <QWidget>

struct AppContext;

/// "Save  in CSV format": reads the selected material file again and writes its table as a
/// comma-separated file in a chosen folder.
class Form8 : public QWidget, public SaveDialogControls {
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

  private:
    AppContext& m_context;
};

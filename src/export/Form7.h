#pragma once

#include "export/FormSaveDialog.h"

#include <QWidget>

class QImage;
struct AppContext;

/// "Image Save": saves the enlarged view's picture as a bitmap file in a chosen folder.
class Form7 : public QWidget, public SaveDialogControls {
    Q_OBJECT

  public:
    explicit Form7(AppContext& context, QWidget* parent = nullptr);
    /// Points the file list at the folder list's folder, re-reads it, empties the name box and
    /// shows the dialog without making it modal.
    void PrepareAndShow();

    void Form7_Command1_Click();
    void Form7_Command2_Click();
    void Form7_Drive1_Change();
    void Form7_Dir1_Change();
    void Form7_File1_Click();

  private:
    /// The enlarged view's retained picture; null when that window has none.
    const QImage* picture() const;

    AppContext& m_context;
};

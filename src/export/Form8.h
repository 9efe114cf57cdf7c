#pragma once

#include <QWidget>

struct AppContext;

class Form8 : public QWidget {
    Q_OBJECT

  public:
    explicit Form8(AppContext& context, QWidget* parent = nullptr);
    /// Points the file list at the folder list's folder, re-reads it, empties the name box and
    /// shows the dialog without making it modal.
    void PrepareAndShow();

  private:
    AppContext& m_context;
};

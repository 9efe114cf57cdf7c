#pragma once

#include <QWidget>

struct AppContext;

class Form3 : public QWidget {
    Q_OBJECT

  public:
    explicit Form3(AppContext& context, QWidget* parent = nullptr);
    /// Redraws the empty frame of the enlarged view and clears its caption.
    void DrawEnlargedFrame();

  private:
    AppContext& m_context;
};

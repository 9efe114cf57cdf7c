#pragma once

#include <QWidget>

struct AppContext;

class Form10 : public QWidget {
    Q_OBJECT

  public:
    explicit Form10(AppContext& context, QWidget* parent = nullptr);
    /// Empties and disables the value boxes and their captions until the first load.
    void PrepareAtStartup();

  private:
    AppContext& m_context;
};

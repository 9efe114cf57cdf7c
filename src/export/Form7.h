#pragma once

#include <QWidget>

struct AppContext;

class Form7 : public QWidget {
    Q_OBJECT

  public:
    explicit Form7(AppContext& context, QWidget* parent = nullptr);

  private:
    AppContext& m_context;
};

#pragma once

#include <QWidget>

struct AppContext;

class Form2 : public QWidget {
    Q_OBJECT

  public:
    explicit Form2(AppContext& context, QWidget* parent = nullptr);

  private:
    AppContext& m_context;
};

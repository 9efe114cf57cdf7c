#pragma once

#include <QWidget>

struct AppContext;

class Form5 : public QWidget {
    Q_OBJECT

  public:
    explicit Form5(AppContext& context, QWidget* parent = nullptr);

  private:
    AppContext& m_context;
};

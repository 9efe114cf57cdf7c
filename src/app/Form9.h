#pragma once

#include <QWidget>

struct AppContext;

class Form9 : public QWidget {
    Q_OBJECT

  public:
    explicit Form9(AppContext& context, QWidget* parent = nullptr);

  private:
    AppContext& m_context;
};

#pragma once

#include <QWidget>

struct AppContext;

class Form8 : public QWidget {
    Q_OBJECT

  public:
    explicit Form8(AppContext& context, QWidget* parent = nullptr);

  private:
    AppContext& m_context;
};

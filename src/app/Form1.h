#pragma once

#include <QWidget>

struct AppContext;

class Form1 : public QWidget {
    Q_OBJECT

  public:
    explicit Form1(AppContext& context, QWidget* parent = nullptr);
    void Form1_Form_Load();
    void RefreshMaterialList();

  private:
    AppContext& m_context;
};

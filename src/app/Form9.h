#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
struct AppContext;

/// The start notice, shown instead of the main window when the start-up files cannot be read.
/// Its only action ends the program.
class Form9 : public QWidget {
    Q_OBJECT

  public:
    explicit Form9(AppContext& context, QWidget* parent = nullptr);

    void Form9_Command1_Click();

    QWidget* Shape1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    AppContext& m_context;
    bool m_ending = false;
};

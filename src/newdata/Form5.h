#pragma once

#include <QWidget>

struct AppContext;
class BuilderWindow;
class QLabel;
class QPushButton;

/// "New Data": chooses the compound or the mixture builder and opens it afresh.
class Form5 : public QWidget {
    Q_OBJECT

  public:
    explicit Form5(AppContext& context, QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label3;
    QLabel* Label4;
    QPushButton* Command1; ///< "Chemical compound"
    QPushButton* Command2; ///< "Mixture"
    QPushButton* Command3; ///< "Cancel"

    void Form5_Command1_Click();
    void Form5_Command2_Click();
    void Form5_Command3_Click();

  private:
    void OpenBuilder(BuilderWindow* builder);

    AppContext& m_context;
};

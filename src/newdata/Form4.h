#pragma once

#include "newdata/FormBuilderWindow.h"

struct AppContext;
class QLabel;
class QLineEdit;

/// "New chemical compound": up to five elements given by their numbers of atoms.
class Form4 : public BuilderWindow {
    Q_OBJECT

  public:
    explicit Form4(AppContext& context, QWidget* parent = nullptr);

    // Slots 1 to 5: number label, element box, number-of-atoms box.
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label12;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text5;
    QLineEdit* Text6;
    QLineEdit* Text7;
    QLineEdit* Text8;
    QLineEdit* Text9;
    QLineEdit* Text10;
    QLineEdit* Text11;
    QLineEdit* Text12;

    QLabel* Label13; ///< "1  Select element"
    QLabel* Label15; ///< "( Up to 5 )"
    QLabel* Label16; ///< "2  Click the target No."
    QLabel* Label17; ///< "Category"
    QLabel* Label18; ///< "No."

    void Form4_Form_Load();
    void Form4_Command3_Click();
    void Form4_Label8_Click();
    void Form4_Label9_Click();
    void Form4_Label10_Click();
    void Form4_Label11_Click();
    void Form4_Label12_Click();
    void Form4_Text3_Click();
    void Form4_Text4_Click();
    void Form4_Text5_Click();
    void Form4_Text6_Click();
    void Form4_Text7_Click();
    void Form4_Text8_Click();
    void Form4_Text9_Click();
    void Form4_Text10_Click();
    void Form4_Text11_Click();
    void Form4_Text12_Click();
    void Form4_Command1_Click();
    void Form4_Command2_Click();
    void Form4_Text13_KeyDown(int keyCode);
    void Form4_Text14_KeyDown(int keyCode);
    void Form4_Text2_KeyDown(int keyCode);
    void Form4_Text1_KeyDown(int keyCode);

  protected:
    void ShowBuildError() override;
};

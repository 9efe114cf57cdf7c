#pragma once

#include "newdata/FormBuilderWindow.h"

struct AppContext;
class QLabel;
class QLineEdit;

/// "New mixture medium": up to fifteen elements given by weight.
class Form6 : public BuilderWindow {
    Q_OBJECT

  public:
    explicit Form6(AppContext& context, QWidget* parent = nullptr);

    // Slots 1 to 15: number label, element box, weight box.
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label12;
    QLabel* Label13;
    QLabel* Label15;
    QLabel* Label16;
    QLabel* Label17;
    QLabel* Label18;
    QLabel* Label19;
    QLabel* Label20;
    QLabel* Label21;
    QLabel* Label22;
    QLabel* Label23;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text5;
    QLineEdit* Text6;
    QLineEdit* Text7;
    QLineEdit* Text15;
    QLineEdit* Text16;
    QLineEdit* Text17;
    QLineEdit* Text18;
    QLineEdit* Text19;
    QLineEdit* Text25;
    QLineEdit* Text26;
    QLineEdit* Text27;
    QLineEdit* Text28;
    QLineEdit* Text29;
    QLineEdit* Text8;
    QLineEdit* Text9;
    QLineEdit* Text10;
    QLineEdit* Text11;
    QLineEdit* Text12;
    QLineEdit* Text20;
    QLineEdit* Text21;
    QLineEdit* Text22;
    QLineEdit* Text23;
    QLineEdit* Text24;
    QLineEdit* Text30;
    QLineEdit* Text31;
    QLineEdit* Text32;
    QLineEdit* Text33;
    QLineEdit* Text34;

    QLabel* Label24; ///< "1  Select element"
    QLabel* Label25; ///< "2  Click the target No."
    QLabel* Label26; ///< "( Up to 15 )"
    QLabel* Label27; ///< "Category"
    QLabel* Label28; ///< "No."

    void Form6_Form_Load();
    void Form6_Command3_Click();
    void Form6_Label8_Click();
    void Form6_Label9_Click();
    void Form6_Label10_Click();
    void Form6_Label11_Click();
    void Form6_Label12_Click();
    void Form6_Label13_Click();
    void Form6_Label15_Click();
    void Form6_Label16_Click();
    void Form6_Label17_Click();
    void Form6_Label18_Click();
    void Form6_Label19_Click();
    void Form6_Label20_Click();
    void Form6_Label21_Click();
    void Form6_Label22_Click();
    void Form6_Label23_Click();
    void Form6_Text8_Click();
    void Form6_Text9_Click();
    void Form6_Text10_Click();
    void Form6_Text11_Click();
    void Form6_Text12_Click();
    void Form6_Text20_Click();
    void Form6_Text21_Click();
    void Form6_Text22_Click();
    void Form6_Text23_Click();
    void Form6_Text24_Click();
    void Form6_Text30_Click();
    void Form6_Text31_Click();
    void Form6_Text32_Click();
    void Form6_Text33_Click();
    void Form6_Text34_Click();
    void Form6_Command1_Click();
    void Form6_Command2_Click();
    void Form6_Text13_KeyDown(int keyCode);
    void Form6_Text14_KeyDown(int keyCode);
    void Form6_Text2_KeyDown(int keyCode);
    void Form6_Text1_KeyDown(int keyCode);

  protected:
    void ShowBuildError() override;
};

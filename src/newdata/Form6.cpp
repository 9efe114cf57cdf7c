#include "newdata/Form6.h"

#include "app/AppContext.h"
#include "platform/Dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Form6::Form6(AppContext& context, QWidget* parent)
    : BuilderWindow(context,
                    Flavour{newdata::BuilderKind::Mixture, "New mixture medium",
                            "Create a new mixture data", "Mixture", "Weight %",
                            " Enter the weight ", false, "ファイル名を入力してください"},
                    parent) {
    setObjectName("Form6");
    MakeSlot(1, Label8, "Label8", Text3, "Text3", Text8, "Text8");
    MakeSlot(2, Label9, "Label9", Text4, "Text4", Text9, "Text9");
    MakeSlot(3, Label10, "Label10", Text5, "Text5", Text10, "Text10");
    MakeSlot(4, Label11, "Label11", Text6, "Text6", Text11, "Text11");
    MakeSlot(5, Label12, "Label12", Text7, "Text7", Text12, "Text12");
    MakeSlot(6, Label13, "Label13", Text15, "Text15", Text20, "Text20");
    MakeSlot(7, Label15, "Label15", Text16, "Text16", Text21, "Text21");
    MakeSlot(8, Label16, "Label16", Text17, "Text17", Text22, "Text22");
    MakeSlot(9, Label17, "Label17", Text18, "Text18", Text23, "Text23");
    MakeSlot(10, Label18, "Label18", Text19, "Text19", Text24, "Text24");
    MakeSlot(11, Label19, "Label19", Text25, "Text25", Text30, "Text30");
    MakeSlot(12, Label20, "Label20", Text26, "Text26", Text31, "Text31");
    MakeSlot(13, Label21, "Label21", Text27, "Text27", Text32, "Text32");
    MakeSlot(14, Label22, "Label22", Text28, "Text28", Text33, "Text33");
    MakeSlot(15, Label23, "Label23", Text29, "Text29", Text34, "Text34");

    Label24 = MakeLabel("Label24", "1  Select element");
    Label25 = MakeLabel("Label25", "2  Click the target No.");
    Label26 = MakeLabel("Label26", "( Up to 15 )");
    Label27 = MakeLabel("Label27", "Category");
    Label28 = MakeLabel("Label28", "No.");
    ArrangeControls(OwnLabels{Label26, Label24, Label25, Label28, Label27});

    // Only the number labels assign elements here; the element boxes ignore clicks.
    OnClick(Label8, [this] { Form6_Label8_Click(); });
    OnClick(Label9, [this] { Form6_Label9_Click(); });
    OnClick(Label10, [this] { Form6_Label10_Click(); });
    OnClick(Label11, [this] { Form6_Label11_Click(); });
    OnClick(Label12, [this] { Form6_Label12_Click(); });
    OnClick(Label13, [this] { Form6_Label13_Click(); });
    OnClick(Label15, [this] { Form6_Label15_Click(); });
    OnClick(Label16, [this] { Form6_Label16_Click(); });
    OnClick(Label17, [this] { Form6_Label17_Click(); });
    OnClick(Label18, [this] { Form6_Label18_Click(); });
    OnClick(Label19, [this] { Form6_Label19_Click(); });
    OnClick(Label20, [this] { Form6_Label20_Click(); });
    OnClick(Label21, [this] { Form6_Label21_Click(); });
    OnClick(Label22, [this] { Form6_Label22_Click(); });
    OnClick(Label23, [this] { Form6_Label23_Click(); });
    OnClick(Text8, [this] { Form6_Text8_Click(); });
    OnClick(Text9, [this] { Form6_Text9_Click(); });
    OnClick(Text10, [this] { Form6_Text10_Click(); });
    OnClick(Text11, [this] { Form6_Text11_Click(); });
    OnClick(Text12, [this] { Form6_Text12_Click(); });
    OnClick(Text20, [this] { Form6_Text20_Click(); });
    OnClick(Text21, [this] { Form6_Text21_Click(); });
    OnClick(Text22, [this] { Form6_Text22_Click(); });
    OnClick(Text23, [this] { Form6_Text23_Click(); });
    OnClick(Text24, [this] { Form6_Text24_Click(); });
    OnClick(Text30, [this] { Form6_Text30_Click(); });
    OnClick(Text31, [this] { Form6_Text31_Click(); });
    OnClick(Text32, [this] { Form6_Text32_Click(); });
    OnClick(Text33, [this] { Form6_Text33_Click(); });
    OnClick(Text34, [this] { Form6_Text34_Click(); });
    OnKeyDown(Text13, [this](int keyCode) { Form6_Text13_KeyDown(keyCode); });
    OnKeyDown(Text14, [this](int keyCode) { Form6_Text14_KeyDown(keyCode); });
    OnKeyDown(Text2, [this](int keyCode) { Form6_Text2_KeyDown(keyCode); });
    OnKeyDown(Text1, [this](int keyCode) { Form6_Text1_KeyDown(keyCode); });
    connect(Command3, &QPushButton::clicked, this, [this] { Form6_Command3_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Form6_Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Form6_Command2_Click(); });
    for (QLineEdit* element : {Text3, Text4, Text5, Text6, Text7, Text15, Text16, Text17, Text18,
                               Text19, Text25, Text26, Text27, Text28, Text29}) {
        element->unsetCursor();
    }

    Form6_Form_Load();
}

void Form6::Form6_Form_Load() { Text1->clear(); }

void Form6::Form6_Command3_Click() { AcceptFields(); }

void Form6::Form6_Label8_Click() { AssignElement(1); }
void Form6::Form6_Label9_Click() { AssignElement(2); }
void Form6::Form6_Label10_Click() { AssignElement(3); }
void Form6::Form6_Label11_Click() { AssignElement(4); }
void Form6::Form6_Label12_Click() { AssignElement(5); }
void Form6::Form6_Label13_Click() { AssignElement(6); }
void Form6::Form6_Label15_Click() { AssignElement(7); }
void Form6::Form6_Label16_Click() { AssignElement(8); }
void Form6::Form6_Label17_Click() { AssignElement(9); }
void Form6::Form6_Label18_Click() { AssignElement(10); }
void Form6::Form6_Label19_Click() { AssignElement(11); }
void Form6::Form6_Label20_Click() { AssignElement(12); }
void Form6::Form6_Label21_Click() { AssignElement(13); }
void Form6::Form6_Label22_Click() { AssignElement(14); }
void Form6::Form6_Label23_Click() { AssignElement(15); }

void Form6::Form6_Text8_Click() { AskAmount(1); }
void Form6::Form6_Text9_Click() { AskAmount(2); }
void Form6::Form6_Text10_Click() { AskAmount(3); }
void Form6::Form6_Text11_Click() { AskAmount(4); }
void Form6::Form6_Text12_Click() { AskAmount(5); }
void Form6::Form6_Text20_Click() { AskAmount(6); }
void Form6::Form6_Text21_Click() { AskAmount(7); }
void Form6::Form6_Text22_Click() { AskAmount(8); }
void Form6::Form6_Text23_Click() { AskAmount(9); }
void Form6::Form6_Text24_Click() { AskAmount(10); }
void Form6::Form6_Text30_Click() { AskAmount(11); }
void Form6::Form6_Text31_Click() { AskAmount(12); }
void Form6::Form6_Text32_Click() { AskAmount(13); }
void Form6::Form6_Text33_Click() { AskAmount(14); }
void Form6::Form6_Text34_Click() { AskAmount(15); }

void Form6::Form6_Command1_Click() { BuildAndSave(); }

void Form6::Form6_Command2_Click() { Leave(); }

void Form6::Form6_Text13_KeyDown(int keyCode) { MoveFocusOnEnter(Text13, keyCode); }
void Form6::Form6_Text14_KeyDown(int keyCode) { MoveFocusOnEnter(Text14, keyCode); }
void Form6::Form6_Text2_KeyDown(int keyCode) { MoveFocusOnEnter(Text2, keyCode); }
void Form6::Form6_Text1_KeyDown(int keyCode) { MoveFocusOnEnter(Text1, keyCode); }

void Form6::ShowBuildError() {
    m_context.dialogs.MessageBox(" There is an error in the entered data ", "Input Error",
                                 platform::MessageButtons::Ok, platform::MessageIcon::None);
}

#include "newdata/Form4.h"

#include "app/AppContext.h"
#include "platform/Dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Form4::Form4(AppContext& context, QWidget* parent)
    : BuilderWindow(context,
                    Flavour{newdata::BuilderKind::Compound, "New chemical compound",
                            "Create  a new chemical compound data", "Chemical compound", "Number",
                            " Input the number of element ", true, " Input File name "},
                    parent) {
    setObjectName("Form4");
    MakeSlot(1, Label8, "Label8", Text3, "Text3", Text8, "Text8");
    MakeSlot(2, Label9, "Label9", Text4, "Text4", Text9, "Text9");
    MakeSlot(3, Label10, "Label10", Text5, "Text5", Text10, "Text10");
    MakeSlot(4, Label11, "Label11", Text6, "Text6", Text11, "Text11");
    MakeSlot(5, Label12, "Label12", Text7, "Text7", Text12, "Text12");

    Label13 = MakeLabel("Label13", "1  Select element");
    Label15 = MakeLabel("Label15", "( Up to 5 )");
    Label16 = MakeLabel("Label16", "2  Click the target No.");
    Label17 = MakeLabel("Label17", "Category");
    Label18 = MakeLabel("Label18", "No.");
    ArrangeControls(OwnLabels{Label15, Label13, Label16, Label18, Label17});

    OnClick(Label8, [this] { Form4_Label8_Click(); });
    OnClick(Label9, [this] { Form4_Label9_Click(); });
    OnClick(Label10, [this] { Form4_Label10_Click(); });
    OnClick(Label11, [this] { Form4_Label11_Click(); });
    OnClick(Label12, [this] { Form4_Label12_Click(); });
    OnClick(Text3, [this] { Form4_Text3_Click(); });
    OnClick(Text4, [this] { Form4_Text4_Click(); });
    OnClick(Text5, [this] { Form4_Text5_Click(); });
    OnClick(Text6, [this] { Form4_Text6_Click(); });
    OnClick(Text7, [this] { Form4_Text7_Click(); });
    OnClick(Text8, [this] { Form4_Text8_Click(); });
    OnClick(Text9, [this] { Form4_Text9_Click(); });
    OnClick(Text10, [this] { Form4_Text10_Click(); });
    OnClick(Text11, [this] { Form4_Text11_Click(); });
    OnClick(Text12, [this] { Form4_Text12_Click(); });
    OnKeyDown(Text13, [this](int keyCode) { Form4_Text13_KeyDown(keyCode); });
    OnKeyDown(Text14, [this](int keyCode) { Form4_Text14_KeyDown(keyCode); });
    OnKeyDown(Text2, [this](int keyCode) { Form4_Text2_KeyDown(keyCode); });
    OnKeyDown(Text1, [this](int keyCode) { Form4_Text1_KeyDown(keyCode); });
    connect(Command3, &QPushButton::clicked, this, [this] { Form4_Command3_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Form4_Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Form4_Command2_Click(); });

    Form4_Form_Load();
}

void Form4::Form4_Form_Load() { Text1->clear(); }

void Form4::Form4_Command3_Click() { AcceptFields(); }

void Form4::Form4_Label8_Click() { AssignElement(1); }
void Form4::Form4_Label9_Click() { AssignElement(2); }
void Form4::Form4_Label10_Click() { AssignElement(3); }
void Form4::Form4_Label11_Click() { AssignElement(4); }
void Form4::Form4_Label12_Click() { AssignElement(5); }

// An element box does what its slot's number label does.
void Form4::Form4_Text3_Click() { AssignElement(1); }
void Form4::Form4_Text4_Click() { AssignElement(2); }
void Form4::Form4_Text5_Click() { AssignElement(3); }
void Form4::Form4_Text6_Click() { AssignElement(4); }
void Form4::Form4_Text7_Click() { AssignElement(5); }

void Form4::Form4_Text8_Click() { AskAmount(1); }
void Form4::Form4_Text9_Click() { AskAmount(2); }
void Form4::Form4_Text10_Click() { AskAmount(3); }
void Form4::Form4_Text11_Click() { AskAmount(4); }
void Form4::Form4_Text12_Click() { AskAmount(5); }

void Form4::Form4_Command1_Click() { BuildAndSave(); }

void Form4::Form4_Command2_Click() { Leave(); }

void Form4::Form4_Text13_KeyDown(int keyCode) { MoveFocusOnEnter(Text13, keyCode); }
void Form4::Form4_Text14_KeyDown(int keyCode) { MoveFocusOnEnter(Text14, keyCode); }
void Form4::Form4_Text2_KeyDown(int keyCode) { MoveFocusOnEnter(Text2, keyCode); }
void Form4::Form4_Text1_KeyDown(int keyCode) { MoveFocusOnEnter(Text1, keyCode); }

void Form4::ShowBuildError() {
    m_context.dialogs.Message(" There is an error in the entered data ",
                              platform::MessageIcon::Exclamation);
}

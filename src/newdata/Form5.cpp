#include "newdata/Form5.h"

#include "app/AppContext.h"
#include "newdata/BuilderState.h"
#include "newdata/Form4.h"
#include "newdata/Form6.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Form5::Form5(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form5");
    setWindowTitle("New Data");

    const auto makeLabel = [this](const char* name, const char* caption) {
        auto* made = new QLabel(QString::fromLatin1(caption), this);
        made->setObjectName(QString::fromLatin1(name));
        made->setAlignment(Qt::AlignCenter);
        return made;
    };
    const auto makeButton = [this](const char* name, const char* caption) {
        auto* made = new QPushButton(QString::fromLatin1(caption), this);
        made->setObjectName(QString::fromLatin1(name));
        return made;
    };
    Label1 = makeLabel("Label1", "Create new data");
    QFont headingFont = Label1->font();
    headingFont.setBold(true);
    Label1->setFont(headingFont);
    Label3 = makeLabel("Label3", "Calculate according to the Bragg's");
    Label4 = makeLabel("Label4", "addition law (ICRU 37)");
    Command1 = makeButton("Command1", "Chemical compound");
    Command2 = makeButton("Command2", "Mixture");
    Command3 = makeButton("Command3", "Cancel");

    auto* builders = new QHBoxLayout;
    builders->addWidget(Command1);
    builders->addWidget(Command2);
    auto* cancel = new QHBoxLayout;
    cancel->addStretch();
    cancel->addWidget(Command3);

    auto* root = new QVBoxLayout(this);
    root->addWidget(Label1);
    root->addSpacing(6);
    root->addWidget(Label3);
    root->addWidget(Label4);
    root->addSpacing(6);
    root->addLayout(builders);
    root->addLayout(cancel);

    connect(Command1, &QPushButton::clicked, this, [this] { Form5_Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Form5_Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Form5_Command3_Click(); });
}

void Form5::Form5_Command1_Click() { OpenBuilder(m_context.windows.form4); }

void Form5::Form5_Command2_Click() { OpenBuilder(m_context.windows.form6); }

void Form5::Form5_Command3_Click() {
    if (m_context.returnToMainWindow) {
        m_context.returnToMainWindow(false);
    }
    hide();
}

void Form5::OpenBuilder(BuilderWindow* builder) {
    // Every use of a builder starts from the same fields and an empty slot table.
    m_context.builder.ClearSlots();
    if (builder != nullptr) {
        builder->PrepareForNewData();
        builder->show();
    }
    hide();
}

#include "graph/Form3.h"

#include "app/AppContext.h"
#include "data/MaterialTable.h"
#include "export/Form7.h"
#include "graph/Form2.h"
#include "graph/Plots.h"
#include "platform/Dialogs.h"
#include "platform/qt/QtCanvas.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kEnlargedWidth = 909;
constexpr int kEnlargedHeight = 861;

} // namespace

Form3::Form3(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form3");

    Picture1 = new QtCanvas(kEnlargedWidth, kEnlargedHeight, this);
    Picture1->setObjectName("Picture1");
    graph::PrepareEnlargedCanvas(*Picture1);
    Picture1->Clear();

    Command1 = new QPushButton("Save as a BMP image", this);
    Command1->setObjectName("Command1");
    Command2 = new QPushButton("Close", this);
    Command2->setObjectName("Command2");

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(4, 0, 4, 0);
    buttonRow->addWidget(Command1);
    buttonRow->addStretch();
    buttonRow->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(4);
    layout->addWidget(Picture1);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this, [this] { Form3_Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Form3_Command2_Click(); });
}

void Form3::DrawEnlargedFrame() {
    setWindowTitle(QString());
    graph::DrawEnlargedFrame(*Picture1, m_context.table);
}

void Form3::Form3_Command1_Click() {
    if (m_context.table.EnlargedViewUsed == 0) {
        m_context.dialogs.Message(" The graph is not drawn ");
        return;
    }
    m_context.windows.form7->PrepareAndShow();
}

void Form3::Form3_Command2_Click() {
    DrawEnlargedFrame();
    hide();
    m_context.table.EnlargedViewUsed = 0;
    Form2& form2 = *m_context.windows.form2;
    form2.Command1->setText("Enlarged View");
    form2.Command1->setEnabled(true);
}

#include "graph/Form2.h"

#include "app/AppContext.h"
#include "calc/Form10.h"
#include "data/MaterialTable.h"
#include "graph/Form3.h"
#include "graph/GraphCoords.h"
#include "graph/Plots.h"
#include "graph/Readout.h"
#include "platform/qt/QtCanvas.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kGraphWidth = 661;
constexpr int kGraphHeight = 629;
constexpr int kFractionHeight = 277;

constexpr float kRight = static_cast<float>(graph::kPlotRight);
constexpr float kGraphTop = static_cast<float>(graph::kPlotTop);
constexpr float kFractionTop = static_cast<float>(graph::kFractionTop);

} // namespace

Form2::Form2(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form2");

    Picture1 = new QtCanvas(kGraphWidth, kGraphHeight, this);
    Picture1->setObjectName("Picture1");
    graph::PrepareGraphCanvas(*Picture1);
    Picture1->Clear();
    Picture2 = new QtCanvas(kGraphWidth, kFractionHeight, this);
    Picture2->setObjectName("Picture2");
    graph::PrepareFractionCanvas(*Picture2);
    Picture2->Clear();

    // The lines keep these extents; the read-out moves only their x or y.
    Line1 = new CanvasLine(*Picture1, "Line1", 0.0f, 0.0f, 0.0f, kGraphTop);
    Line2 = new CanvasLine(*Picture1, "Line2", 0.0f, 0.0f, kRight, 0.0f);
    Line3 = new CanvasLine(*Picture2, "Line3", 0.0f, 0.0f, 0.0f, kFractionTop);
    Line4 = new CanvasLine(*Picture2, "Line4", 0.0f, 0.0f, kRight, 0.0f);

    Command1 = new QPushButton("Enlarged View", this);
    Command1->setObjectName("Command1");

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(Command1);
    buttonRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(Picture1);
    layout->addLayout(buttonRow);
    layout->addWidget(Picture2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this, [this] { Form2_Command1_Click(); });
    connect(Picture1, &QtCanvas::MouseMove, this, &Form2::Form2_Picture1_MouseMove);
    connect(Picture2, &QtCanvas::MouseMove, this, &Form2::Form2_Picture2_MouseMove);
}

void Form2::Form2_Command1_Click() {
    Form3& form3 = *m_context.windows.form3;
    data::MaterialTable& table = m_context.table;
    const std::string caption = graph::EnlargedCaption(
        form3.windowTitle().toStdString(), windowTitle().toStdString(), table.EnlargedViewUsed);
    graph::DrawEnlargedCurves(*form3.Picture1, table);
    form3.setWindowTitle(QString::fromStdString(caption));
    form3.show();
    Command1->setEnabled(false);
}

void Form2::HideCrossHairs() {
    Line1->SetVisible(false);
    Line2->SetVisible(false);
    Line3->SetVisible(false);
    Line4->SetVisible(false);
}

void Form2::Form2_Picture1_MouseMove(int, int, float x, float y) {
    if (!graph::InsideGraph(x, y)) {
        Picture1->SetCrossHairPointer(false);
        HideCrossHairs();
        return;
    }
    Picture1->SetCrossHairPointer(true);
    const std::optional<int> row = graph::NearestRow(m_context.table, x);
    if (!row) {
        return;
    }
    Line1->SetX1(x);
    Line1->SetX2(x);
    Line2->SetY1(y);
    Line2->SetY2(y);
    Line3->SetX1(x);
    Line3->SetX2(x);
    Line1->SetVisible(true);
    Line2->SetVisible(true);
    Line3->SetVisible(true);
    m_context.windows.form10->SelectListRow(*row - 1);
}

void Form2::Form2_Picture2_MouseMove(int, int, float x, float y) {
    if (!graph::InsideFraction(x, y)) {
        Picture2->SetCrossHairPointer(false);
        HideCrossHairs();
        return;
    }
    Picture2->SetCrossHairPointer(true);
    const std::optional<int> row = graph::NearestRow(m_context.table, x);
    if (!row) {
        return;
    }
    Line1->SetX1(x);
    Line1->SetX2(x);
    Line3->SetX1(x);
    Line3->SetX2(x);
    Line4->SetY1(y);
    Line4->SetY2(y);
    Line1->SetVisible(true);
    Line3->SetVisible(true);
    Line4->SetVisible(true);
    m_context.windows.form10->SelectListRow(*row - 1);
}

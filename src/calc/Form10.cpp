#include "calc/Form10.h"

#include "app/AppContext.h"
#include "calc/Interpolation.h"
#include "data/MaterialTable.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"
#include "export/Form8.h"
#include "graph/Form2.h"
#include "graph/GraphCoords.h"
#include "platform/Dialogs.h"
#include "platform/qt/QtCanvas.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kEnterKey = 13;

// A list line is a blank and a table row: the energy and the five coefficients stand in nine
// characters each, starting at these character positions.
constexpr std::array<int, 6> kFieldStart{1, 11, 21, 31, 41, 51};
constexpr int kFieldChars = 9;
constexpr int kLineChars = 60;

const char* const kOutOfRange = "This value is out of range.";
const char* const kCalculationError = "Calculation error";

QString Scientific(double value) { return QString::fromStdString(data::FormatScientific(value)); }

QLabel* MakeLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLineEdit* MakeValueBox(const char* name, const QString& tip, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setToolTip(tip);
    box->setFixedWidth(110);
    return box;
}

// The small picture in the corner: a coefficient falling with energy on navy.
QPixmap CornerPicture() {
    QPixmap pixmap(36, 36);
    pixmap.fill(QColor(0, 0, 128));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255), 2));
    QPainterPath curve(QPointF(4, 6));
    curve.cubicTo(QPointF(10, 24), QPointF(18, 30), QPointF(32, 31));
    painter.drawPath(curve);
    painter.setPen(QPen(QColor(255, 0, 0), 2));
    painter.drawLine(QPointF(4, 14), QPointF(16, 33));
    return pixmap;
}

// The character a key press stands for, as the text box's key-press event reports it; 0 for a
// key without one (arrows, Shift).
int KeyAscii(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        return kEnterKey;
    }
    const QString text = key.text();
    return text.isEmpty() ? 0 : static_cast<int>(text.at(0).unicode());
}

} // namespace

Form10::Form10(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form10");

    Picture2 = MakeLabel(QString(), "Picture2", this);
    Picture2->setPixmap(CornerPicture());
    Picture2->setToolTip(QString::fromUtf8("\u3000触るな！\u3000"));
    Label1 = MakeLabel("Photon Cross Sections", "Label1", this);
    QFont headingFont = Label1->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
    headingFont.setBold(true);
    Label1->setFont(headingFont);

    List1 = new QListWidget(this);
    List1->setObjectName("List1");
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(9);
    List1->setFont(fixed);
    const QFontMetricsF fixedMetrics(fixed);
    const double charWidth = fixedMetrics.horizontalAdvance(QString(kLineChars, '0')) / kLineChars;
    // Where the text of a line starts inside the list: the frame and the item's text margin.
    const int textMargin =
        List1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, List1) + 1;
    const double textLeft = List1->frameWidth() + textMargin;
    const int scrollBar = List1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, List1);
    List1->setFixedWidth(static_cast<int>(std::ceil(2 * textLeft + (kLineChars + 1) * charWidth)) +
                         scrollBar);
    List1->setMinimumHeight(static_cast<int>(fixedMetrics.lineSpacing() * 14));
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QWidget* headings = MakeHeadings(textLeft, charWidth);
    headings->setFixedWidth(List1->width());

    Label11 = MakeLabel("Photon energy            ", "Label11", this);
    Command1 = new QPushButton(QString::fromUtf8("⇒"), this);
    Command1->setObjectName("Command1");
    Command1->setToolTip(" input photon energy ");
    Text3 = MakeValueBox("Text3", " Input photon energy ", this);
    Label26 = MakeLabel("MeV", "Label26", this);

    const QString muTip = QString::fromUtf8(" Input μ/ρ ");
    Label25 = MakeLabel("Coherent scattering", "Label25", this);
    Text5 = MakeValueBox("Text5", muTip, this);
    Label6 = MakeLabel("cm2/g", "Label6", this);
    Label28 = MakeLabel("Incoherent scattering", "Label28", this);
    Text6 = MakeValueBox("Text6", muTip, this);
    Label5 = MakeLabel("cm2/g", "Label5", this);
    Label29 = MakeLabel("Photo-Electric absorption", "Label29", this);
    Text7 = MakeValueBox("Text7", muTip, this);
    Label4 = MakeLabel("cm2/g", "Label4", this);
    Label30 = MakeLabel("Pair production in nuclear field", "Label30", this);
    Text8 = MakeValueBox("Text8", muTip, this);
    Label3 = MakeLabel("cm2/g", "Label3", this);
    Label31 = MakeLabel("Pair production in electron field", "Label31", this);
    Text9 = MakeValueBox("Text9", muTip, this);
    Label2 = MakeLabel("cm2/g", "Label2", this);
    Label32 = MakeLabel("Total mass attenuation coefficient", "Label32", this);
    Command3 = new QPushButton(QString::fromUtf8("⇒"), this);
    Command3->setObjectName("Command3");
    Command3->setToolTip(QString::fromUtf8(" input μ/ρ "));
    Text4 = MakeValueBox("Text4", muTip, this);
    Label35 = MakeLabel("cm2/g", "Label35", this);
    // The five coefficient boxes only show results.
    for (QLineEdit* box : {Text5, Text6, Text7, Text8, Text9}) {
        box->setReadOnly(true);
    }
    for (QPushButton* arrow : {Command1, Command3}) {
        arrow->setFixedWidth(36);
    }

    Command5 = new QPushButton("Save in \"csv format\"", this);
    Command5->setObjectName("Command5");
    Command5->setToolTip(QString::fromUtf8("エクセル CSV形式で保存"));

    auto* top = new QHBoxLayout;
    top->addWidget(Picture2);
    top->addSpacing(8);
    top->addWidget(Label1);
    top->addStretch();

    auto* values = new QGridLayout;
    values->setHorizontalSpacing(8);
    const std::array<std::array<QWidget*, 4>, 7> rows{{
        {Label11, Command1, Text3, Label26},
        {Label25, nullptr, Text5, Label6},
        {Label28, nullptr, Text6, Label5},
        {Label29, nullptr, Text7, Label4},
        {Label30, nullptr, Text8, Label3},
        {Label31, nullptr, Text9, Label2},
        {Label32, Command3, Text4, Label35},
    }};
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int c = 0; c < 4; ++c) {
            if (QWidget* w = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]) {
                values->addWidget(w, r, c);
            }
        }
    }
    values->setColumnStretch(4, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Command5);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(headings);
    layout->addWidget(List1);
    layout->addSpacing(6);
    layout->addLayout(values);
    layout->addSpacing(6);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this, [this] { Form10_Command1_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Form10_Command3_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Form10_Command5_Click(); });
    // A changed selection (mouse or keys) and a click on the selected line both show the row.
    connect(List1, &QListWidget::currentRowChanged, this, [this] { Form10_List1_Click(); });
    connect(List1, &QListWidget::itemClicked, this, [this] { Form10_List1_Click(); });
    Text3->installEventFilter(this);
    Text4->installEventFilter(this);
}

QWidget* Form10::MakeHeadings(double textLeft, double charWidth) {
    auto* area = new QWidget(this);
    QFont font = area->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    QFont small = font;
    small.setPointSizeF(font.pointSizeF() * 0.7);
    const QFontMetricsF metrics(font);
    const int lineHeight = static_cast<int>(std::ceil(metrics.height()));
    area->setFixedHeight(4 * lineHeight + 2);

    // Centre of the character span [first, first + chars) of a list line, in pixels.
    const auto centreOf = [&](int first, int chars) {
        return textLeft + (first + chars / 2.0) * charWidth;
    };
    const auto place = [&](const QString& text, int first, int chars, int line) {
        auto* label = new QLabel(text, area);
        label->setFont(font);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        const double width = std::max(metrics.horizontalAdvance(text) + 4, chars * charWidth);
        label->setGeometry(static_cast<int>(std::lround(centreOf(first, chars) - width / 2)),
                           line * lineHeight, static_cast<int>(std::ceil(width)), lineHeight);
        return label;
    };
    const int energy = kFieldStart[0];
    place("Photon", energy, kFieldChars, 0);
    place("energy", energy, kFieldChars, 1);
    place("MeV", energy, kFieldChars, 3);
    place("Scattering", kFieldStart[1], kFieldStart[2] + kFieldChars - kFieldStart[1], 0);
    place("Coherent", kFieldStart[1], kFieldChars, 1);
    place("Incoherent", kFieldStart[2], kFieldChars, 1);
    place("Photo-Electric", kFieldStart[3], kFieldChars, 0);
    place("Absorption", kFieldStart[3], kFieldChars, 1);
    const int pairChars = kFieldStart[5] + kFieldChars - kFieldStart[4];
    place("Pair Production", kFieldStart[4], pairChars, 0);
    place("in Nuclear  in Electron", kFieldStart[4], pairChars, 1);
    place("Field", kFieldStart[4], kFieldChars, 2);
    place("Field", kFieldStart[5], kFieldChars, 2);

    // The unit over each coefficient column: "cm", a small raised "2", "/g".
    const QFontMetricsF smallMetrics(small);
    const double cmWidth = metrics.horizontalAdvance("cm");
    const double twoWidth = smallMetrics.horizontalAdvance("2");
    const double perGWidth = metrics.horizontalAdvance("/g");
    const int unitTop = 3 * lineHeight;
    for (std::size_t k = 0; k < Label17.size(); ++k) {
        const double left =
            centreOf(kFieldStart[k + 1], kFieldChars) - (cmWidth + twoWidth + perGWidth) / 2;
        const auto put = [&](const char* text, const char* name, const QFont& f, double x,
                             double width, int y) {
            auto* label = new QLabel(text, area);
            label->setObjectName(name);
            label->setFont(f);
            label->setGeometry(static_cast<int>(std::lround(x)), y,
                               static_cast<int>(std::ceil(width)) + 1, lineHeight);
            return label;
        };
        Label17[k] = put("cm", "Label17", font, left, cmWidth, unitTop);
        Label19[k] = put("2", "Label19", small, left + cmWidth, twoWidth, unitTop - 2);
        Label18[k] = put("/g", "Label18", font, left + cmWidth + twoWidth, perGWidth, unitTop);
    }
    return area;
}

std::array<QLineEdit*, 7> Form10::ValueBoxes() const {
    return {Text3, Text4, Text5, Text6, Text7, Text8, Text9};
}

std::array<QLabel*, 7> Form10::QuantityLabels() const {
    return {Label11, Label25, Label28, Label29, Label30, Label31, Label32};
}

void Form10::EmptyValueBoxes() {
    for (QLineEdit* box : ValueBoxes()) {
        box->clear();
    }
}

void Form10::SetValuesEnabled(bool enabled) {
    for (QLineEdit* box : ValueBoxes()) {
        box->setEnabled(enabled);
    }
    for (QLabel* label : QuantityLabels()) {
        label->setEnabled(enabled);
    }
}

void Form10::PrepareAtStartup() {
    EmptyValueBoxes();
    SetValuesEnabled(false);
}

void Form10::ShowTable(const data::MaterialTable& table) {
    EmptyValueBoxes();
    SetValuesEnabled(true);
    List1->clear();
    const int rows = std::clamp(table.RowCount, 0, data::kTableCapacity);
    for (int i = 1; i <= rows; ++i) {
        List1->addItem(QString::fromStdString(" " + table.RowText[static_cast<std::size_t>(i)]));
    }
    // A new table is read from its first row, wherever the previous one was scrolled to.
    List1->scrollToTop();
}

void Form10::SelectListRow(int index) {
    if (index < 0 || index >= List1->count()) {
        return;
    }
    if (List1->currentRow() == index) {
        Form10_List1_Click();
    } else {
        List1->setCurrentRow(index); // runs Form10_List1_Click through the list's signal
    }
}

void Form10::Form10_Command1_Click() {
    EmptyValueBoxes();
    Text3->setFocus();
}

void Form10::Form10_Command3_Click() {
    EmptyValueBoxes();
    Text4->setFocus();
}

void Form10::Form10_Text3_KeyPress(int keyAscii) {
    if (keyAscii != kEnterKey) {
        return;
    }
    const double energy = data::NumericValue(Text3->text().toStdString());
    calc::CoefficientSet set;
    const calc::CalcStatus status = calc::CoefficientsAtEnergy(m_context.table, energy, set);
    if (status != calc::CalcStatus::Ok) {
        m_context.dialogs.Message(status == calc::CalcStatus::OutOfRange ? kOutOfRange
                                                                         : kCalculationError);
        Text3->clear();
        Text4->clear();
        return;
    }
    Text5->setText(Scientific(set.coherent));
    Text6->setText(Scientific(set.incoherent));
    Text7->setText(Scientific(set.photoElectric));
    Text8->setText(Scientific(set.pairNuclear));
    Text9->setText(Scientific(set.pairElectron));
    Text4->setText(Scientific(set.total));
    Text3->setText(Scientific(energy));
    PlaceMarkers(energy, set.total);
}

void Form10::Form10_Text4_KeyPress(int keyAscii) {
    if (keyAscii != kEnterKey) {
        return;
    }
    const double total = data::NumericValue(Text4->text().toStdString());
    double energy = 0.0;
    calc::CoefficientSet set;
    const calc::CalcStatus status = calc::EnergyAtTotal(m_context.table, total, energy, set);
    if (status == calc::CalcStatus::OutOfRange) {
        m_context.dialogs.Message(kOutOfRange);
        EmptyValueBoxes();
        return;
    }
    if (status == calc::CalcStatus::CalculationError) {
        m_context.dialogs.Message(kCalculationError);
        Text4->clear();
        return;
    }
    Text3->setText(Scientific(energy));
    Text4->setText(Scientific(total));
    Text5->setText(Scientific(set.coherent));
    Text6->setText(Scientific(set.incoherent));
    Text7->setText(Scientific(set.photoElectric));
    Text8->setText(Scientific(set.pairNuclear));
    Text9->setText(Scientific(set.pairElectron));
    PlaceMarkers(energy, total);
}

void Form10::Form10_List1_Click() {
    const int row = List1->currentRow() + 1;
    const data::MaterialTable& table = m_context.table;
    if (row < 1 || row > std::min(table.RowCount, data::kTableCapacity)) {
        return;
    }
    const auto i = static_cast<std::size_t>(row);
    Text3->setText(Scientific(table.Energy[i]));
    Text4->setText(Scientific(table.Total[i]));
    Text5->setText(Scientific(table.Coherent[i]));
    Text6->setText(Scientific(table.Incoherent[i]));
    Text7->setText(Scientific(table.PhotoElectric[i]));
    Text8->setText(Scientific(table.PairNuclear[i]));
    Text9->setText(Scientific(table.PairElectron[i]));
    const double energy = table.Energy[i];
    // Only energies on the plots' axis (up to 100 MeV) move the vertical lines.
    if (energy > 0.0 && energy <= graph::kMaxPlottedEnergyMeV) {
        Form2& form2 = *m_context.windows.form2;
        const auto x = static_cast<float>(graph::ReadoutX(energy));
        for (CanvasLine* line : {form2.Line1, form2.Line3}) {
            line->SetX1(x);
            line->SetX2(x);
            line->SetVisible(true);
        }
    }
}

void Form10::Form10_Command5_Click() { m_context.windows.form8->PrepareAndShow(); }

void Form10::PlaceMarkers(double energyMeV, double total) {
    Form2& form2 = *m_context.windows.form2;
    const auto x = static_cast<float>(graph::ReadoutX(energyMeV));
    form2.Line1->SetX1(x);
    form2.Line1->SetX2(x);
    const auto y = static_cast<float>(graph::ReadoutY(total));
    form2.Line2->SetY1(y);
    form2.Line2->SetY2(y);
    form2.Line1->SetVisible(true);
    form2.Line2->SetVisible(true);
    form2.Line3->SetX1(form2.Line1->X1());
    form2.Line3->SetX2(form2.Line1->X1());
    form2.Line3->SetVisible(true);
}

bool Form10::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == Text3 || watched == Text4)) {
        const int keyAscii = KeyAscii(*static_cast<QKeyEvent*>(event));
        if (keyAscii != 0) {
            if (watched == Text3) {
                Form10_Text3_KeyPress(keyAscii);
            } else {
                Form10_Text4_KeyPress(keyAscii);
            }
        }
    }
    // The key goes on to the box either way.
    return QWidget::eventFilter(watched, event);
}

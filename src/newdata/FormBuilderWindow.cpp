#include "newdata/FormBuilderWindow.h"

#include "app/AppContext.h"
#include "data/NumericText.h"
#include "newdata/BuilderState.h"
#include "newdata/MaterialWriter.h"
#include "platform/Dialogs.h"
#include "platform/qt/PatternFileList.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace {

constexpr int kEnter = 13;
const char* const kDefaultDensity = "9.999";

double numericValue(const QLineEdit* box) { return data::NumericValue(box->text().toStdString()); }

template <typename Widget> Widget* named(QWidget* parent, const char* name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption) {
    QLabel* result = named<QLabel>(parent, name);
    result->setText(caption);
    return result;
}

} // namespace

BuilderWindow::BuilderWindow(AppContext& context, Flavour flavour, QWidget* parent)
    : QWidget(parent), m_context(context), m_flavour(std::move(flavour)) {
    setWindowTitle(m_flavour.caption);
    m_slots.resize(static_cast<std::size_t>(newdata::MaxElements(m_flavour.kind)) + 1);

    Picture1 = named<QFrame>(this, "Picture1");
    Picture1->setFrameShape(QFrame::StyledPanel);
    Picture1->setFrameShadow(QFrame::Sunken);
    Label3 = label(Picture1, "Label3", m_flavour.heading);
    QFont headingFont = Label3->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.2);
    Label3->setFont(headingFont);
    Label3->setAlignment(Qt::AlignCenter);
    auto* pictureLayout = new QVBoxLayout(Picture1);
    pictureLayout->addWidget(Label3);

    Label1 = label(this, "Label1", "File name without the extension");
    Text1 = named<QLineEdit>(this, "Text1");
    Label6 = label(this, "Label6", "Substance name");
    Text13 = named<QLineEdit>(this, "Text13");
    Label7 = label(this, "Label7", "Density");
    Text14 = named<QLineEdit>(this, "Text14");
    Label14 = label(this, "Label14", "g/cm3");
    Label2 = label(this, "Label2", "Number of elements");
    Text2 = named<QLineEdit>(this, "Text2");
    Command3 = named<QPushButton>(this, "Command3");
    Command3->setText("OK");

    File1 = named<PatternFileList>(this, "File1");
    File1->SetPattern("*.ele");
    Label4 = label(this, "Label4", "Element");
    Label5 = label(this, "Label5", m_flavour.amountHeading);

    Option1 = named<QRadioButton>(this, "Option1");
    Option1->setText("Human tissues");
    Option2 = named<QRadioButton>(this, "Option2");
    Option2->setText("Phantom substances");
    Option3 = named<QRadioButton>(this, "Option3");
    Option3->setText("Others");
    Option3->setChecked(true);

    Command1 = named<QPushButton>(this, "Command1");
    Command1->setText("OK");
    Command2 = named<QPushButton>(this, "Command2");
    Command2->setText("Cancel");
    Line1 = named<QFrame>(this, "Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    PrepareForNewData();
}

void BuilderWindow::MakeSlot(int k, QLabel*& number, const char* labelName, QLineEdit*& element,
                             const char* elementName, QLineEdit*& amount, const char* amountName) {
    number = label(this, labelName, QString::number(k));
    number->setAlignment(Qt::AlignCenter);
    number->setCursor(Qt::PointingHandCursor);
    element = named<QLineEdit>(this, elementName);
    amount = named<QLineEdit>(this, amountName);
    // The boxes only display what the assignment put there; a click on them asks instead.
    for (QLineEdit* box : {element, amount}) {
        box->setReadOnly(true);
        box->setCursor(Qt::PointingHandCursor);
    }
    element->setMinimumWidth(120);
    amount->setMaximumWidth(110);
    // Hidden slots keep their place, so the window does not change shape as they appear.
    for (QWidget* part : std::initializer_list<QWidget*>{number, element, amount}) {
        QSizePolicy policy = part->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        part->setSizePolicy(policy);
        part->hide();
    }
    m_slots[static_cast<std::size_t>(k)] = SlotRow{number, element, amount};
}

QLabel* BuilderWindow::MakeLabel(const char* name, const QString& caption) {
    return label(this, name, caption);
}

void BuilderWindow::ArrangeControls(const OwnLabels& own) {
    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(Text1, 0, 1, 1, 2);
    fields->addWidget(Label6, 1, 0);
    fields->addWidget(Text13, 1, 1, 1, 2);
    fields->addWidget(Label7, 2, 0);
    fields->addWidget(Text14, 2, 1);
    fields->addWidget(Label14, 2, 2);
    fields->addWidget(Label2, 3, 0);
    fields->addWidget(Text2, 3, 1);
    fields->addWidget(own.countLimit, 3, 2);
    fields->addWidget(Command3, 4, 1);

    auto* category = new QVBoxLayout;
    category->addWidget(own.category);
    category->addWidget(Option1);
    category->addWidget(Option2);
    category->addWidget(Option3);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto* left = new QVBoxLayout;
    left->addWidget(Picture1);
    left->addLayout(fields);
    left->addWidget(Line1);
    left->addLayout(category);
    left->addStretch();
    left->addLayout(buttons);

    auto* list = new QVBoxLayout;
    list->addWidget(own.selectElement);
    list->addWidget(File1, 1);

    auto* slotGrid = new QGridLayout;
    slotGrid->setVerticalSpacing(2);
    slotGrid->setColumnStretch(1, 1);
    slotGrid->addWidget(own.numberHeading, 0, 0, Qt::AlignCenter);
    slotGrid->addWidget(Label4, 0, 1);
    slotGrid->addWidget(Label5, 0, 2);
    for (std::size_t k = 1; k < m_slots.size(); ++k) {
        const int row = static_cast<int>(k);
        slotGrid->addWidget(m_slots[k].number, row, 0);
        slotGrid->addWidget(m_slots[k].element, row, 1);
        slotGrid->addWidget(m_slots[k].amount, row, 2);
    }
    auto* slotColumn = new QVBoxLayout;
    slotColumn->addWidget(own.clickTarget);
    slotColumn->addLayout(slotGrid);
    slotColumn->addStretch();

    auto* root = new QHBoxLayout(this);
    root->addLayout(left);
    root->addLayout(list);
    root->addLayout(slotColumn);
}

void BuilderWindow::OnClick(QWidget* widget, std::function<void()> handler) {
    m_clickHandlers[widget] = std::move(handler);
    widget->installEventFilter(this);
}

void BuilderWindow::OnKeyDown(QWidget* widget, std::function<void(int)> handler) {
    m_keyHandlers[widget] = std::move(handler);
    widget->installEventFilter(this);
}

bool BuilderWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && m_clickHandlers.count(watched) != 0) {
        // The press belongs to the click that follows; a display box takes no cursor from it.
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto found = m_clickHandlers.find(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (found != m_clickHandlers.end() && mouse->button() == Qt::LeftButton &&
            static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
            const std::function<void()> handler = found->second;
            handler();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        const auto found = m_keyHandlers.find(watched);
        if (found != m_keyHandlers.end()) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const int keyCode = key == Qt::Key_Return || key == Qt::Key_Enter ? kEnter : key;
            const std::function<void(int)> handler = found->second;
            handler(keyCode);
            return keyCode == kEnter;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void BuilderWindow::SetElementFolder(const std::filesystem::path& folder) {
    File1->SetPath(folder);
}

void BuilderWindow::PrepareForNewData() {
    Text13->setText(m_flavour.defaultName);
    Text14->setText(kDefaultDensity);
    Text1->clear();
    Text2->clear();
    for (std::size_t k = 1; k < m_slots.size(); ++k) {
        if (m_slots[k].element != nullptr) {
            m_slots[k].element->clear();
            m_slots[k].amount->clear();
        }
    }
    Command1->setEnabled(false);
}

void BuilderWindow::AcceptFields() {
    platform::Dialogs& dialogs = m_context.dialogs;
    if (Text13->text().isEmpty()) {
        dialogs.Message(" Input the Name ");
        Text13->setText(m_flavour.defaultName);
        return;
    }
    if (!(numericValue(Text14) > 0.0)) {
        dialogs.Message(" Inappropriate density input ");
        Text14->setText(kDefaultDensity);
        return;
    }
    const double count = numericValue(Text2);
    if (!(count > 0.0 && count <= newdata::MaxElements(m_flavour.kind))) {
        dialogs.Message(" Input the number of element ");
        return;
    }
    m_context.builder.ElementCount = count;
    // Reveal only: slots beyond a smaller new count stay as they are.
    for (std::size_t k = 1; k < m_slots.size() && static_cast<double>(k) <= count; ++k) {
        m_slots[k].number->show();
        m_slots[k].element->show();
        m_slots[k].amount->show();
    }
    Command1->setEnabled(true);
    File1->setFocus();
}

void BuilderWindow::AssignElement(int k) {
    const QString name = File1->FileName();
    if (name.isEmpty()) {
        m_context.dialogs.Message(" Select a element ");
        return;
    }
    m_slots[static_cast<std::size_t>(k)].element->setText(name);
    m_context.builder.SlotFile[static_cast<std::size_t>(k)] = name.toStdString();
    AskAmount(k);
}

void BuilderWindow::AskAmount(int k) {
    QLineEdit* box = m_slots[static_cast<std::size_t>(k)].amount;
    const std::string answer = m_context.dialogs.InputBox(m_flavour.amountPrompt, std::string(),
                                                          box->text().toStdString());
    box->setText(QString::fromStdString(answer));
    const double amount = data::NumericValue(answer);
    if (m_flavour.amountMustBePositive && !(amount > 0.0)) {
        m_context.dialogs.Message(" Incorrect input value ");
        return;
    }
    m_context.builder.SlotAmount[static_cast<std::size_t>(k)] = amount;
}

void BuilderWindow::BuildAndSave() {
    if (Text1->text().isEmpty()) {
        m_context.dialogs.Message(m_flavour.noFileNameMessage);
        return;
    }
    const newdata::BuildResult result = BuildAndWrite();
    if (!result.ok()) {
        ShowBuildError();
        return;
    }
    m_context.dialogs.MessageBox(" Data saved ", "New Data : " + result.path,
                                 platform::MessageButtons::Ok, platform::MessageIcon::None);
    HideSlots();
    hide();
    if (m_context.returnToMainWindow) {
        m_context.returnToMainWindow(true);
    }
}

newdata::BuildResult BuilderWindow::BuildAndWrite() {
    const newdata::BuildResult built =
        newdata::BuildMaterial(m_context.builder, m_context.root, m_flavour.kind);
    if (!built.ok()) {
        return built;
    }
    return newdata::WriteMaterialFile(
        m_context.root, Text13->text().toStdString(), numericValue(Text14),
        newdata::CategoryOfOptions(Option1->isChecked(), Option2->isChecked()),
        Text1->text().toStdString(), m_context.builder);
}

void BuilderWindow::MoveFocusOnEnter(QWidget* from, int keyCode) {
    if (keyCode != kEnter) {
        return;
    }
    if (from == Text13) {
        Text14->setFocus();
    } else if (from == Text14) {
        Text2->setFocus();
    } else if (from == Text2) {
        Command3->setFocus();
    } else if (from == Text1 && Command1->isEnabled()) {
        Command1->setFocus();
    }
}

void BuilderWindow::Leave() {
    HideSlots();
    hide();
    if (m_context.returnToMainWindow) {
        m_context.returnToMainWindow(false);
    }
}

void BuilderWindow::HideSlots() {
    for (std::size_t k = 1; k < m_slots.size(); ++k) {
        m_slots[k].number->hide();
        m_slots[k].element->hide();
        m_slots[k].amount->hide();
    }
}

#include "app/Form1.h"

#include "app/AppContext.h"
#include "app/Form9.h"
#include "app/StartupFiles.h"
#include "attenuation/AttenuationWindow.h"
#include "attenuation/Compositions.h"
#include "calc/Form10.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "data/NumberMask.h"
#include "export/Form7.h"
#include "export/Form8.h"
#include "graph/Form2.h"
#include "graph/Form3.h"
#include "graph/Go.h"
#include "newdata/Form4.h"
#include "newdata/Form5.h"
#include "newdata/Form6.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "platform/qt/PatternFileList.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStyle>

#include <cmath>
#include <exception>
#include <system_error>

namespace {

constexpr const char* kLauncherProgram = "Zelna_D7IR.exe";
constexpr const char* kSuiteProgram = "Zelna_V6.exe";

/// The decorative picture beside the heading: a photon's wave meeting an atom.
class Emblem : public QWidget {
  public:
    explicit Emblem(QWidget* parent) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const int side = fontMetrics().height() * 3;
        return {side * 2, side};
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double w = width();
        const double h = height();
        const double unit = h / 10.0;

        // The incoming photon: a sine wave ending in an arrow head.
        QPainterPath wave;
        const double waveEnd = w * 0.40;
        wave.moveTo(unit, h / 2);
        for (double x = unit; x <= waveEnd; x += 0.5) {
            wave.lineTo(x, h / 2 - 1.6 * unit * std::sin((x - unit) / (1.1 * unit)));
        }
        p.setPen(
            QPen(QColor(214, 120, 0), std::max(1.5, unit * 0.45), Qt::SolidLine, Qt::RoundCap));
        p.drawPath(wave);
        const QPointF tip(waveEnd + 1.4 * unit, h / 2);
        p.setBrush(QColor(214, 120, 0));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({tip, tip + QPointF(-1.6 * unit, -1.0 * unit),
                                 tip + QPointF(-1.6 * unit, 1.0 * unit)}));

        // The atom: a nucleus and three orbits.
        const QPointF centre(w - 5.0 * unit, h / 2);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(40, 80, 160), std::max(1.0, unit * 0.3)));
        for (int k = 0; k < 3; ++k) {
            p.save();
            p.translate(centre);
            p.rotate(60.0 * k);
            p.drawEllipse(QPointF(0, 0), 4.2 * unit, 1.5 * unit);
            p.restore();
        }
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 40, 40));
        p.drawEllipse(centre, 1.0 * unit, 1.0 * unit);
    }
};

/// The exit button's picture: an open door with an arrow leaving through it.
QIcon exitIcon() {
    QIcon icon;
    for (const int side : {32, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const double u = side / 32.0;
        p.setPen(QPen(QColor(90, 60, 30), 2 * u));
        p.setBrush(QColor(222, 190, 140));
        p.drawRect(QRectF(5 * u, 4 * u, 14 * u, 24 * u));
        p.setBrush(QColor(160, 110, 60));
        p.drawPolygon(QPolygonF({QPointF(5 * u, 4 * u), QPointF(13 * u, 7 * u),
                                 QPointF(13 * u, 30 * u), QPointF(5 * u, 28 * u)}));
        p.setPen(QPen(QColor(30, 130, 60), 3 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(15 * u, 16 * u), QPointF(28 * u, 16 * u));
        p.drawPolyline(
            QPolygonF({QPointF(23 * u, 11 * u), QPointF(28 * u, 16 * u), QPointF(23 * u, 21 * u)}));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QString qs(const std::string& text) { return QString::fromStdString(text); }

} // namespace

Form1::Form1(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form1");
    setWindowTitle(" Zelna6_sub1");
    buildControls();
    // The Attenuation window is reached without a control of its own: a context menu on either
    // list, and Ctrl+T for the chosen file.
    for (const auto& [list, folder] : {std::pair{File1, "ele/"}, std::pair{File2, "mix/"}}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list = list, folder = std::string(folder)](const QPoint& at) {
                    const QListWidgetItem* item = list->itemAt(at);
                    if (item == nullptr) {
                        return;
                    }
                    QMenu menu(this);
                    const QAction* open = menu.addAction("Attenuation...");
                    if (menu.exec(list->viewport()->mapToGlobal(at)) == open) {
                        OpenAttenuation(folder + item->text().toStdString());
                    }
                });
    }
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
    connect(shortcut, &QShortcut::activated, this, [this] { OpenAttenuation({}); });
}

void Form1::OpenAttenuation(const std::string& dataPath) {
    if (AttenuationWindow* window = m_context.windows.attenuation) {
        window->ShowFor(dataPath.empty() ? m_context.table.SelectedPath : dataPath);
    }
}

void Form1::buildControls() {
    Picture2 = new Emblem(this);
    Picture2->setObjectName("Picture2");
    Picture2->setToolTip(" don't touch me ! ");

    Label2 = new QLabel("Photon Cross Sections Database", this);
    Label2->setObjectName("Label2");
    QFont headingFont = Label2->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.6);
    headingFont.setBold(true);
    Label2->setFont(headingFont);

    Command1 = new QPushButton(this);
    Command1->setObjectName("Command1");
    Command1->setToolTip(" bye, see you again ");
    Command1->setIcon(exitIcon());
    const int iconSide = fontMetrics().height() * 2;
    Command1->setIconSize(QSize(iconSide, iconSide));
    Command1->setAutoDefault(true);

    Label1 = new QLabel("Elements", this);
    Label1->setObjectName("Label1");
    File1 = new PatternFileList(this);
    File1->setObjectName("File1");
    File1->SetPattern("*.ele");

    Option1 = new QRadioButton("Human tissues", this);
    Option1->setObjectName("Option1");
    Option2 = new QRadioButton("Phantom substances", this);
    Option2->setObjectName("Option2");
    Option3 = new QRadioButton("Others", this);
    Option3->setObjectName("Option3");
    File2 = new PatternFileList(this);
    File2->setObjectName("File2");
    File2->SetPattern("*.mix");

    Label4 = new QLabel("Selected material", this);
    Label4->setObjectName("Label4");
    Text1 = new QLineEdit("Text1", this);
    Text1->setObjectName("Text1");
    Text1->setReadOnly(true);
    Label4->setBuddy(Text1);
    Label5 = new QLabel("Density", this);
    Label5->setObjectName("Label5");
    Text2 = new QLineEdit("Text2", this);
    Text2->setObjectName("Text2");
    Text2->setReadOnly(true);
    Label5->setBuddy(Text2);
    Label7 = new QLabel("g/cm3", this);
    Label7->setObjectName("Label7");

    Command2 = new QPushButton("OK", this);
    Command2->setObjectName("Command2");
    Command2->setToolTip(" GO ");
    Command3 = new QPushButton("Delete", this);
    Command3->setObjectName("Command3");
    Command4 = new QPushButton("Create New Data", this);
    Command4->setObjectName("Command4");
    Command4->setToolTip(QString::fromUtf8("化合物・混合物データの作成"));
    // Enter on a focused button presses it: after a choice the focus is on GO.
    for (QPushButton* button : {Command2, Command3, Command4}) {
        button->setAutoDefault(true);
    }

    // Sizes follow the font, so the window reads the same at any display scale. The material
    // list is the widest: the names of mixtures run long.
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    const int charWidth = metrics.averageCharWidth();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    File1->setMinimumSize(
        metrics.horizontalAdvance(QStringLiteral("000_Xx.ele")) + scrollBar + line * 2, line * 20);
    File2->setMinimumWidth(charWidth * 42 + scrollBar);
    Text1->setMinimumWidth(charWidth * 32);
    Text2->setMinimumWidth(charWidth * 12);

    auto* header = new QHBoxLayout;
    header->addWidget(Picture2);
    header->addSpacing(line);
    header->addWidget(Label2, 1);
    header->addWidget(Command1);

    auto* densityRow = new QHBoxLayout;
    densityRow->setSpacing(line / 2);
    densityRow->addWidget(Text2, 1);
    densityRow->addWidget(Label7);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(line);
    grid->addLayout(header, 0, 0, 1, 3);
    grid->setRowMinimumHeight(1, line / 2);
    grid->addWidget(Label1, 2, 0);
    grid->addWidget(File1, 3, 0, 9, 1);
    grid->addWidget(Option1, 2, 1);
    grid->addWidget(Option2, 3, 1);
    grid->addWidget(Option3, 4, 1);
    grid->addWidget(File2, 5, 1, 7, 1);
    grid->addWidget(Label4, 2, 2);
    grid->addWidget(Text1, 3, 2);
    grid->addWidget(Label5, 4, 2);
    grid->addLayout(densityRow, 5, 2);
    grid->setRowMinimumHeight(6, line);
    grid->addWidget(Command2, 7, 2);
    grid->addWidget(Command3, 8, 2);
    grid->setRowStretch(9, 1);
    grid->addWidget(Command4, 10, 2);
    grid->setRowMinimumHeight(11, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 3);

    connect(Command1, &QPushButton::clicked, this, &Form1::Form1_Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Form1_Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Form1_Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Form1_Command4_Click);
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Form1_Option1_Click();
        }
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Form1_Option2_Click();
        }
    });
    connect(Option3, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Form1_Option3_Click();
        }
    });
    connect(File1, &PatternFileList::fileClicked, this, &Form1::Form1_File1_Click);
    connect(File2, &PatternFileList::fileClicked, this, &Form1::Form1_File2_Click);
}

void Form1::Form1_Form_Load() {
    try {
        std::string user;
        if (!app::StartMarkerReadable(m_context.root / "Start.dat") ||
            !app::ReadTitleLine(m_context.root / "ele" / "user.txt", user)) {
            showStartNotice();
            return;
        }
        setWindowTitle(QStringLiteral("  ") +
                       QString::fromUtf8(user.data(), static_cast<qsizetype>(user.size())));
        m_context.table.SelectedPath.clear();
        Text1->clear();
        Text2->clear();
        m_context.windows.form10->PrepareAtStartup();
        File1->SetPath(m_context.root / "ele");
        File2->SetPath(m_context.root / "mix");
        if (Option3->isChecked()) {
            Form1_Option3_Click();
        } else {
            Option3->setChecked(true); // its handler sets the pattern and re-reads the list
        }
        m_context.windows.form4->SetElementFolder(m_context.root / "ele");
        m_context.windows.form6->SetElementFolder(m_context.root / "ele");
        m_context.windows.form3->DrawEnlargedFrame();
    } catch (const std::exception&) {
        showStartNotice();
        return;
    }
    show();
}

void Form1::showStartNotice() {
    m_context.windows.form9->show();
    hide();
}

void Form1::RefreshMaterialList() { File2->Refresh(); }

void Form1::Form1_Command1_Click() {
    m_ending = true;
    m_context.launcher.StartProgram(kLauncherProgram);
    m_context.launcher.EndProgram();
}

void Form1::Form1_Form_Unload() {
    m_ending = true;
    m_context.launcher.StartProgram(kSuiteProgram);
    m_context.launcher.EndProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!m_ending) {
        Form1_Form_Unload();
    }
}

void Form1::chooseCategory(const char* pattern) { File2->SetPattern(pattern); }

void Form1::Form1_Option1_Click() { chooseCategory("*.mix1"); }
void Form1::Form1_Option2_Click() { chooseCategory("*.mix2"); }
void Form1::Form1_Option3_Click() { chooseCategory("*.mix3"); }

void Form1::Form1_File1_Click() { chooseFile("ele", File1, File2); }
void Form1::Form1_File2_Click() { chooseFile("mix", File2, File1); }

void Form1::chooseFile(const std::string& folder, PatternFileList* list, PatternFileList* other) {
    const std::string name = list->FileName().toStdString();
    if (name.empty()) {
        m_context.dialogs.Message(" Choose a file in the list ");
        return;
    }
    const std::string path = folder + "/" + name;
    data::DataFileHeader header;
    const data::LoadResult result = data::ReadDataFileHeader(m_context.root / path, header);
    if (!result.ok()) {
        m_context.dialogs.Message(" " + data::DescribeLoadError(result, path) + " ");
        // The highlight goes back to the file still chosen (if this list shows it), and a file
        // that has vanished leaves the list.
        const std::string& chosen = m_context.table.SelectedPath;
        list->Refresh();
        if (chosen.rfind(folder + "/", 0) == 0) {
            const QList<QListWidgetItem*> found =
                list->findItems(qs(chosen.substr(folder.size() + 1)), Qt::MatchExactly);
            if (!found.isEmpty()) {
                list->setCurrentItem(found.front());
            }
        }
        return;
    }
    m_context.table.SelectedPath = path;
    Text1->setText(qs(header.name));
    Text2->setText(qs(data::FormatDensityShown(header.density)));
    other->Refresh();
    Command2->setFocus();
}

void Form1::Form1_Command2_Click() {
    if (m_busy) {
        return;
    }
    // GO lets the event loop run once; a click arriving then must not start another action.
    const QScopedValueRollback<bool> busy(m_busy, true);
    graph::RunGo(m_context);
}

void Form1::Form1_Command3_Click() {
    if (m_busy) {
        return;
    }
    const std::string path = m_context.table.SelectedPath;
    if (path.empty()) {
        return;
    }
    if (path.substr(0, 3) == "ele") {
        m_context.dialogs.Message(" This file cannot be deleted ");
        return;
    }
    // The file is named from the choice itself, so the name asked about is the file deleted,
    // even after a category change has hidden it from the list.
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const platform::MessageResult answer = m_context.dialogs.MessageBox(
        " really erase " + name + " ? ", platform::kApplicationTitle,
        platform::MessageButtons::OkCancel, platform::MessageIcon::None);
    if (answer != platform::MessageResult::Ok) {
        return;
    }
    std::error_code error;
    std::filesystem::remove(m_context.root / path, error);
    if (error) {
        m_context.dialogs.Message(" " + path + " cannot be deleted: " + error.message() + " ");
        return;
    }
    // The composition goes with the file, so that a new file of that name does not inherit it.
    attenuation::RecordComposition(m_context.root, path, {});
    m_context.table.SelectedPath.clear();
    Text1->clear();
    Text2->clear();
    File2->Refresh();
    m_context.windows.form2->hide();
    m_context.windows.form3->hide();
    m_context.windows.form10->hide();
}

void Form1::Form1_Command4_Click() {
    if (m_busy) {
        return;
    }
    m_context.windows.form5->show();
    hide();
    m_context.windows.form10->hide();
    m_context.windows.form2->hide();
    m_context.windows.form7->hide();
    m_context.windows.form8->hide();
}

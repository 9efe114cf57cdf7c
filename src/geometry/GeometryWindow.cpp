#include "geometry/GeometryWindow.h"

#include "app/AppContext.h"
#include "attenuation/Attenuation.h"
#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "geometry/ModelFile.h"
#include "geometry/ModelPlots.h"
#include "geometry/ModelRun.h"
#include "platform/Dialogs.h"
#include "platform/qt/QtCanvas.h"
#include "shielding/Dose.h"
#include "shielding/Quantity.h"
#include "shielding/ShieldingLibrary.h"

#include <nlohmann/json.hpp>

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace {

constexpr int kViewWidth = 300;
constexpr int kViewHeight = 240;
constexpr int kMapWidth = 460;
constexpr int kMapHeight = 340;

const std::vector<std::string> kColumns = {"Detector",
                                           "x (cm)",
                                           "y (cm)",
                                           "z (cm)",
                                           "Energy (MeV)",
                                           "Intensity (photons/s)",
                                           "Uncollided (uGy/h)",
                                           "Buildup",
                                           "Rate (uGy/h)",
                                           "Error"};

std::string number(double value) { return data::FormatScientific(value); }

std::string coordinate(double value) { return QString::number(value, 'g', 6).toStdString(); }

/// A JSON value as a person types it in a field: strings without their quotes.
std::string fieldText(const nlohmann::ordered_json& value) {
    return value.is_string() ? value.get<std::string>()
                             : value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

/// A field's word as JSON: a number when it reads as one, a text (a length with its unit)
/// otherwise.
nlohmann::ordered_json fieldValue(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? nlohmann::ordered_json(value)
              : nlohmann::ordered_json(text.trimmed().toStdString());
}

QStringList parts(const QString& text, QChar separator) {
    QStringList out;
    for (const QString& part : text.split(separator, Qt::SkipEmptyParts)) {
        if (!part.trimmed().isEmpty()) {
            out << part.trimmed();
        }
    }
    return out;
}

} // namespace

/// One computation: the model as read and prepared, its results, and how far it has come. The
/// thread and the window share it; the thread writes only `results`, `done` and `total`.
struct GeometryWindow::Run {
    geometry::ModelSpec asGiven;
    geometry::PreparedModel prepared;
    std::vector<geometry::DetectorResult> results;
    std::atomic<bool> cancel{false};
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
};

const std::vector<std::string>& GeometryWindow::ExampleNames() {
    static const std::vector<std::string> names = {"Water tank with a steel wall",
                                                   "Waste drum behind a concrete wall"};
    return names;
}

std::string GeometryWindow::ExampleText(const std::string& name) {
    const std::vector<std::string>& names = ExampleNames();
    const auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end()) {
        return {};
    }
    QFile file(found == names.begin() ? ":/examples/tank-steel-wall.json"
                                      : ":/examples/drum-behind-wall.json");
    file.open(QIODevice::ReadOnly);
    return file.readAll().toStdString();
}

GeometryWindow::GeometryWindow(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context) {
    setWindowTitle("Geometry");
    auto* grid = new QGridLayout(this);

    auto* files = new QHBoxLayout;
    exampleBox = new QComboBox(this);
    exampleBox->setObjectName("exampleBox");
    exampleBox->addItem("Worked example...");
    for (const std::string& name : ExampleNames()) {
        exampleBox->addItem(QString::fromStdString(name));
    }
    openButton = new QPushButton("Open model...", this);
    openButton->setObjectName("openButton");
    saveButton = new QPushButton("Save model...", this);
    saveButton->setObjectName("saveButton");
    files->addWidget(exampleBox, 1);
    files->addWidget(openButton);
    files->addWidget(saveButton);
    grid->addLayout(files, 0, 0, 1, 2);

    modelEdit = new QPlainTextEdit(this);
    modelEdit->setObjectName("modelEdit");
    modelEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    modelEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    modelEdit->setToolTip("The model file: lengths in cm, or texts with their unit (\"6 ft\", "
                          "\"30 in\", \"2.5 m\", \"10 mm\")");
    grid->addWidget(modelEdit, 1, 0, 1, 2);

    const auto addEdit = [&](int row, const char* label, const char* name, QLineEdit*& edit,
                             const char* tip) {
        grid->addWidget(new QLabel(label, this), row, 0);
        edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setToolTip(tip);
        grid->addWidget(edit, row, 1);
        connect(edit, &QLineEdit::editingFinished, this, &GeometryWindow::applyForm);
        connect(edit, &QLineEdit::returnPressed, this, [this] {
            applyForm();
            Compute();
        });
    };
    addEdit(2, "Nuclides with activities", "nuclidesEdit", nuclidesEdit,
            "Each nuclide with its activity and unit, separated by commas: Co-60 1 GBq, "
            "Cs-137 10 mCi");
    addEdit(3, "Filler material (empty: vacuum)", "fillerEdit", fillerEdit,
            "What fills the space no body fills, usually Air_Dry");
    addEdit(4, "Detectors x, y, z (cm)", "detectorsEdit", detectorsEdit,
            "Each detector as x, y, z in cm (or lengths with units), separated by semicolons");
    addEdit(5, "Relative accuracy", "accuracyEdit", accuracyEdit,
            "The relative accuracy wanted of each detector's total, 1e-9 to 0.1");

    auto* run = new QHBoxLayout;
    computeButton = new QPushButton("Compute", this);
    computeButton->setObjectName("computeButton");
    cancelButton = new QPushButton("Cancel", this);
    cancelButton->setObjectName("cancelButton");
    cancelButton->setEnabled(false);
    progressBar = new QProgressBar(this);
    progressBar->setObjectName("progressBar");
    progressBar->setFormat("%v of %m detectors");
    progressBar->setValue(0);
    run->addWidget(computeButton);
    run->addWidget(cancelButton);
    run->addWidget(progressBar, 1);
    grid->addLayout(run, 6, 0, 1, 2);
    statusLabel = new QLabel(this);
    statusLabel->setObjectName("statusLabel");
    statusLabel->setWordWrap(true);
    grid->addWidget(statusLabel, 7, 0, 1, 2);
    notesText = new QPlainTextEdit(this);
    notesText->setObjectName("notesText");
    notesText->setReadOnly(true);
    notesText->setMaximumHeight(150);
    grid->addWidget(notesText, 8, 0, 1, 2);

    auto* views = new QGridLayout;
    sideView = new QtCanvas(kViewWidth, kViewHeight, this);
    sideView->setObjectName("sideView");
    sideView->setToolTip("Side view, along y: the source filled, detectors as crosses, to scale");
    topView = new QtCanvas(kViewWidth, kViewHeight, this);
    topView->setObjectName("topView");
    topView->setToolTip("Top view, along z: the source filled, detectors as crosses, to scale");
    mapView = new QtCanvas(kMapWidth, kMapHeight, this);
    mapView->setObjectName("mapView");
    mapView->setToolTip("The dose map: air-kerma rate on a log scale, isodose lines at each "
                        "decade, the bodies cut by the plane");
    views->addWidget(new QLabel("Side view (along y)", this), 0, 0);
    views->addWidget(new QLabel("Top view (along z)", this), 0, 1);
    views->addWidget(sideView, 1, 0);
    views->addWidget(topView, 1, 1);
    views->addWidget(new QLabel("Dose map", this), 0, 2);
    views->addWidget(mapView, 1, 2);
    grid->addLayout(views, 0, 2, 6, 1, Qt::AlignTop);

    resultTable = new QTableWidget(0, static_cast<int>(kColumns.size()), this);
    resultTable->setObjectName("resultTable");
    QStringList headers;
    for (const std::string& column : kColumns) {
        headers << QString::fromStdString(column);
    }
    resultTable->setHorizontalHeaderLabels(headers);
    resultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultTable->verticalHeader()->hide();
    resultTable->verticalHeader()->setDefaultSectionSize(22);
    resultTable->setMinimumHeight(160);
    resultTable->resizeColumnsToContents();
    grid->addWidget(resultTable, 6, 2, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

    connect(exampleBox, &QComboBox::activated, this, [this](int index) {
        if (index > 0) {
            modelEdit->setPlainText(QString::fromStdString(
                ExampleText(ExampleNames()[static_cast<std::size_t>(index - 1)])));
            exampleBox->setCurrentIndex(0);
            Compute();
        }
    });
    connect(openButton, &QPushButton::clicked, this, &GeometryWindow::OpenModel);
    connect(saveButton, &QPushButton::clicked, this, &GeometryWindow::SaveModel);
    connect(computeButton, &QPushButton::clicked, this, &GeometryWindow::Compute);
    connect(cancelButton, &QPushButton::clicked, this, &GeometryWindow::Cancel);
    connect(modelEdit, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_filling) {
            fillForm();
        }
    });
}

GeometryWindow::~GeometryWindow() {
    if (m_thread != nullptr) {
        m_run->cancel = true;
        m_thread->wait();
    }
}

void GeometryWindow::ShowWindow() {
    // The library may have changed since the window last computed (a new working folder).
    if (!Busy()) {
        m_library = std::make_unique<shielding::ShieldingLibrary>(m_context.root);
    }
    const bool first = modelEdit->toPlainText().isEmpty();
    if (first) {
        modelEdit->setPlainText(QString::fromStdString(ExampleText(ExampleNames().front())));
    }
    show();
    raise();
    activateWindow();
    if (first) {
        Compute();
    }
}

void GeometryWindow::Compute() {
    if (Busy()) {
        return;
    }
    auto run = std::make_shared<Run>();
    std::string error;
    if (!m_library) {
        m_library = std::make_unique<shielding::ShieldingLibrary>(m_context.root);
    }
    if (!geometry::ReadModel(modelEdit->toPlainText().toStdString(), run->asGiven, error) ||
        !geometry::PrepareModel(*m_library, run->asGiven, run->prepared, error)) {
        statusLabel->setText(QString::fromStdString("Not computed: " + error));
        m_context.dialogs.Message(" " + error + " ");
        return;
    }
    m_run = run;
    const geometry::PreparedModel& prepared = run->prepared;
    const std::vector<geometry::Vec3> listed(
        prepared.detectors.begin(),
        prepared.detectors.begin() + static_cast<std::ptrdiff_t>(prepared.listedDetectors));
    geometry::DrawModelView(*sideView, double(kViewWidth) / kViewHeight, prepared.model, listed, 1);
    geometry::DrawModelView(*topView, double(kViewWidth) / kViewHeight, prepared.model, listed, 2);

    progressBar->setRange(0, static_cast<int>(prepared.detectors.size()));
    progressBar->setValue(0);
    statusLabel->setText("Computing...");
    for (QWidget* control :
         {static_cast<QWidget*>(computeButton), static_cast<QWidget*>(openButton),
          static_cast<QWidget*>(exampleBox)}) {
        control->setEnabled(false);
    }
    cancelButton->setEnabled(true);
    m_thread = QThread::create([run] {
        geometry::RunModel(run->prepared, run->results,
                           [&run = *run](std::size_t done, std::size_t total) {
                               run.done = done;
                               run.total = total;
                               return !run.cancel;
                           });
    });
    // The bar follows the detectors done; the thread never touches the window.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this,
            [this, run] { progressBar->setValue(static_cast<int>(run->done.load())); });
    connect(m_thread, &QThread::finished, timer, &QObject::deleteLater);
    connect(m_thread, &QThread::finished, this, &GeometryWindow::finish);
    timer->start(100);
    m_thread->start();
}

void GeometryWindow::Cancel() {
    if (m_run) {
        m_run->cancel = true;
    }
}

void GeometryWindow::finish() {
    m_thread->wait();
    m_thread->deleteLater();
    m_thread = nullptr;
    for (QWidget* control :
         {static_cast<QWidget*>(computeButton), static_cast<QWidget*>(openButton),
          static_cast<QWidget*>(exampleBox)}) {
        control->setEnabled(true);
    }
    cancelButton->setEnabled(false);
    showResults(*m_run);
    emit Computed();
}

void GeometryWindow::showResults(const Run& run) {
    const geometry::PreparedModel& prepared = run.prepared;
    const std::string unit(shielding::BaseRateUnit(run.asGiven.quantity));
    std::vector<std::string> totals;
    std::vector<std::string> notes = prepared.notes;
    m_rows.clear();
    for (std::size_t d = 0; d < run.results.size(); ++d) {
        const geometry::DetectorResult& result = run.results[d];
        if (!result.computed || d >= prepared.listedDetectors) {
            continue;
        }
        const std::string detector = std::to_string(d + 1);
        const std::vector<std::string> where = {detector, coordinate(result.at[0]),
                                                coordinate(result.at[1]), coordinate(result.at[2])};
        const auto row = [&](std::vector<std::string> cells) {
            cells.insert(cells.begin(), where.begin(), where.end());
            m_rows.push_back(std::move(cells));
        };
        if (result.outcome != shielding::Outcome::Ok) {
            const std::string word(attenuation::OutcomeWord(result.outcome));
            row({"total", word, word, word, word, word});
            continue;
        }
        double photons = 0.0;
        for (const geometry::LineResult& line : result.lines) {
            photons += line.photonsPerSecond;
            row({number(line.energyMeV), number(line.photonsPerSecond), number(line.uncollided),
                 line.uncollided > 0.0 ? number(line.rate / line.uncollided) : "",
                 number(line.rate), ""});
        }
        row({"total", number(photons), number(result.uncollided),
             result.uncollided > 0.0 ? number(result.total / result.uncollided) : "",
             number(result.total), number(result.error)});
        totals.push_back("Detector " + detector + ": " + number(result.total) + " " + unit +
                         (run.asGiven.quantity == shielding::Quantity::Kerma
                              ? " of air kerma = " +
                                    number(shielding::MilliRoentgenPerHour(result.total)) + " mR/h"
                              : "") +
                         ", relative error " + number(result.error) + ".");
        if (!result.reached) {
            totals.push_back("Detector " + detector +
                             " stopped refining at its limit of rays; its error says how far it "
                             "got.");
        }
    }
    // The notes as sentences: a capital first and a full stop last.
    for (std::string note :
         geometry::RunNotes(prepared.model, run.asGiven.quantity, run.results,
                            [](double energyMeV) { return number(energyMeV) + " MeV"; })) {
        note.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(note.front())));
        notes.push_back(note + ".");
    }
    for (const int column : {6, 8}) {
        resultTable->horizontalHeaderItem(column)->setText(
            QString::fromStdString((column == 6 ? "Uncollided (" : "Rate (") + unit + ")"));
    }
    resultTable->setRowCount(static_cast<int>(m_rows.size()));
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        for (std::size_t c = 0; c < m_rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(m_rows[r][c]));
            if (m_rows[r][4] == "total") {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            resultTable->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    resultTable->resizeColumnsToContents();

    if (run.asGiven.map) {
        const std::vector<geometry::DetectorResult> map(
            run.results.begin() + static_cast<std::ptrdiff_t>(prepared.listedDetectors),
            run.results.end());
        geometry::DrawDoseMap(*mapView, double(kMapWidth) / kMapHeight, prepared.model,
                              *run.asGiven.map, map);
    } else {
        mapView->Clear();
        mapView->SetCurrentX(10);
        mapView->SetCurrentY(20);
        mapView->Print("This model has no map.", false);
    }
    totals.insert(totals.end(), notes.begin(), notes.end());
    notesText->setPlainText(QString::fromStdString([&] {
        std::string text;
        for (const std::string& note : totals) {
            text += (text.empty() ? "" : "\n") + note;
        }
        return text;
    }()));
    const std::size_t total = run.results.size();
    const auto done = static_cast<std::size_t>(
        std::count_if(run.results.begin(), run.results.end(),
                      [](const geometry::DetectorResult& result) { return result.computed; }));
    progressBar->setValue(static_cast<int>(run.done.load()));
    statusLabel->setText(QString::fromStdString(
        (run.cancel ? "Cancelled after " : "Computed ") + std::to_string(done) + " of " +
        std::to_string(total) + " detectors" +
        (run.cancel || done == total ? "." : "; the others lie inside or on the source.")));
}

void GeometryWindow::OpenModel() {
    if (Busy()) {
        return;
    }
    const std::string name =
        m_context.dialogs.InputBox("Model file to open (JSON):", "Geometry", "model.json");
    if (name.empty()) {
        return;
    }
    const std::filesystem::path source = std::filesystem::path(name).is_absolute()
                                             ? std::filesystem::path(name)
                                             : m_context.root / name;
    std::ifstream in(source, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
        m_context.dialogs.Message(" " + name + " cannot be read. ");
        return;
    }
    modelEdit->setPlainText(QString::fromStdString(text.str()));
    Compute();
}

void GeometryWindow::SaveModel() {
    const std::string name =
        m_context.dialogs.InputBox("File name for the model (JSON):", "Geometry", "model.json");
    if (name.empty()) {
        return;
    }
    const std::filesystem::path target = std::filesystem::path(name).is_absolute()
                                             ? std::filesystem::path(name)
                                             : m_context.root / name;
    const data::WriteResult written =
        data::WriteFileReplacing(target, modelEdit->toPlainText().toStdString());
    if (!written.ok) {
        m_context.dialogs.Message(" " + name + " cannot be written: " + written.reason + " ");
    }
}

void GeometryWindow::fillForm() {
    const nlohmann::ordered_json model =
        nlohmann::ordered_json::parse(modelEdit->toPlainText().toStdString(), nullptr, false);
    if (!model.is_object()) {
        return;
    }
    const auto at = [&](const nlohmann::ordered_json& object, const char* key) {
        return object.is_object() && object.contains(key) ? object.at(key)
                                                          : nlohmann::ordered_json();
    };
    QStringList nuclides;
    const nlohmann::ordered_json given = at(at(model, "source"), "nuclides");
    if (given.is_object()) {
        for (const auto& [name, activity] : given.items()) {
            nuclides << QString::fromStdString(name + " " + fieldText(activity));
        }
    }
    nuclidesEdit->setText(nuclides.join(", "));
    nuclidesEdit->setPlaceholderText(at(at(model, "source"), "lines").is_null()
                                         ? ""
                                         : "the model gives lines (MeV, photons/s) instead");
    const nlohmann::ordered_json filler = at(at(model, "filler"), "material");
    fillerEdit->setText(filler.is_null() ? "" : QString::fromStdString(fieldText(filler)));
    QStringList detectors;
    const nlohmann::ordered_json listed = at(model, "detectors");
    for (const nlohmann::ordered_json& point :
         listed.is_array() ? listed : nlohmann::ordered_json::array()) {
        QStringList xyz;
        for (const nlohmann::ordered_json& value :
             point.is_array() ? point : nlohmann::ordered_json::array()) {
            xyz << QString::fromStdString(fieldText(value));
        }
        detectors << xyz.join(", ");
    }
    detectorsEdit->setText(detectors.join("; "));
    const nlohmann::ordered_json accuracy = at(model, "accuracy");
    accuracyEdit->setText(accuracy.is_null() ? "" : QString::fromStdString(fieldText(accuracy)));
}

void GeometryWindow::applyForm() {
    nlohmann::ordered_json model =
        nlohmann::ordered_json::parse(modelEdit->toPlainText().toStdString(), nullptr, false);
    if (!model.is_object()) {
        geometry::ModelSpec asGiven;
        std::string error;
        geometry::ReadModel(modelEdit->toPlainText().toStdString(), asGiven, error);
        statusLabel->setText(QString::fromStdString("The form cannot change the model: " + error));
        return;
    }
    nlohmann::ordered_json& source = model["source"];
    if (!nuclidesEdit->text().trimmed().isEmpty() || source.contains("nuclides")) {
        nlohmann::ordered_json nuclides = nlohmann::ordered_json::object();
        for (const QString& item : parts(nuclidesEdit->text(), ',')) {
            const qsizetype blank = item.indexOf(' ');
            nuclides[item.left(blank).toStdString()] =
                blank < 0 ? "" : item.mid(blank + 1).trimmed().toStdString();
        }
        source["nuclides"] = nuclides;
    }
    const std::string filler = fillerEdit->text().trimmed().toStdString();
    if (filler.empty()) {
        model.erase("filler");
    } else if (!model.contains("filler") || !model["filler"].is_object() ||
               model["filler"].value("material", "") != filler) {
        // Another material brings its own density.
        model["filler"] = {{"material", filler}};
    }
    nlohmann::ordered_json detectors = nlohmann::ordered_json::array();
    for (const QString& point : parts(detectorsEdit->text(), ';')) {
        nlohmann::ordered_json xyz = nlohmann::ordered_json::array();
        for (const QString& value : parts(point, ',')) {
            xyz.push_back(fieldValue(value));
        }
        detectors.push_back(xyz);
    }
    if (detectors.empty()) {
        model.erase("detectors");
    } else {
        model["detectors"] = detectors;
    }
    if (accuracyEdit->text().trimmed().isEmpty()) {
        model.erase("accuracy");
    } else {
        model["accuracy"] = fieldValue(accuracyEdit->text());
    }
    const QString text = QString::fromStdString(
        model.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    if (text != modelEdit->toPlainText()) {
        m_filling = true;
        modelEdit->setPlainText(text);
        m_filling = false;
    }
}

#include "shielding/ShieldingWindow.h"

#include "app/AppContext.h"
#include "attenuation/TextLines.h"
#include "attenuation/TypedLayers.h"
#include "data/CsvText.h"
#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "material/MaterialChooser.h"
#include "platform/Dialogs.h"
#include "platform/qt/QtCanvas.h"
#include "shielding/Dose.h"
#include "shielding/ShieldingLibrary.h"
#include "shielding/ShieldingPlots.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTableWidget>

#include <cmath>

namespace {

constexpr int kPlotWidth = 460;
constexpr int kPlotHeight = 260;
constexpr int kRateSteps = 120;

std::string number(double value) { return data::FormatScientific(value); }

std::string noteText(shielding::LineNote note) {
    switch (note) {
    case shielding::LineNote::None:
        return "";
    case shielding::LineNote::Extrapolated:
        return "buildup extrapolated beyond 40 mfp";
    case shielding::LineNote::NoBuildupData:
        return "below the buildup table: B = 1";
    case shielding::LineNote::BeyondRange:
        break;
    }
    return "beyond 100 mfp: counts 0";
}

const std::vector<std::string> kColumns = {
    "Energy (MeV)", "Photons/decay", "mfp", "Uncollided (uGy/h)",
    "Buildup",      "Rate (uGy/h)",  "Note"};

} // namespace

ShieldingWindow::ShieldingWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    setWindowTitle("Shielding");
    auto* grid = new QGridLayout(this);
    const auto addEdit = [&](int row, int column, const char* label, const char* name,
                             QLineEdit*& edit, const char* text) {
        grid->addWidget(new QLabel(label, this), row, column);
        edit = new QLineEdit(text, this);
        edit->setObjectName(name);
        grid->addWidget(edit, row, column + 1);
    };
    const auto addBox = [&](int row, int column, const char* label, const char* name,
                            QComboBox*& box, const QStringList& items) {
        grid->addWidget(new QLabel(label, this), row, column);
        box = new QComboBox(this);
        box->setObjectName(name);
        box->addItems(items);
        grid->addWidget(box, row, column + 1);
    };
    addEdit(0, 0, "Source (nuclide, lines:E=Y,... or file)", "sourceEdit", sourceEdit, "Co-60");
    addEdit(1, 0, "Activity", "activityEdit", activityEdit, "1 GBq");
    addEdit(1, 2, "Distance", "distanceEdit", distanceEdit, "1 m");
    addEdit(2, 0, "Layers (material@cm or material@cm@g/cm3)", "layersEdit", layersEdit, "Pb@5");
    addBox(3, 0, "Kind", "kindBox", kindBox, {"exposure", "absorption", "none"});
    addBox(3, 2, "Multilayer rule", "ruleBox", ruleBox, {"broder", "last"});
    addEdit(4, 0, "Buildup table for all layers (optional)", "tableEdit", tableEdit, "");
    addEdit(4, 2, "Cut-off (MeV)", "cutoffEdit", cutoffEdit, "0");
    addEdit(5, 0, "Target rate (uGy/h, optional)", "targetEdit", targetEdit, "");
    sourceEdit->setToolTip("A radionuclide (Co-60, cs137, Cobalt-60), lines:0.662=0.851,... in "
                           "MeV and photons per decay, or a file of energies and photons per "
                           "decay");
    tableEdit->setPlaceholderText("concrete, iron, Pb...");
    chooser = MaterialChooser::ForLayers(this, layersEdit, m_context.root, materialsButton);
    // The layers take the room of two columns; the chooser's button the last one.
    grid->removeWidget(layersEdit);
    grid->addWidget(layersEdit, 2, 1, 1, 2);
    grid->addWidget(materialsButton, 2, 3);

    computeButton = new QPushButton("Compute", this);
    computeButton->setObjectName("computeButton");
    saveButton = new QPushButton("Save lines as CSV", this);
    saveButton->setObjectName("saveButton");
    grid->addWidget(computeButton, 5, 2);
    geometryButton = new QPushButton("Geometry...", this);
    geometryButton->setObjectName("geometryButton");
    geometryButton->setToolTip("Sources with a shape behind shields with shapes, detectors "
                               "anywhere and dose maps (Ctrl+Shift+G)");
    geometryButton->setShortcut(QKeySequence("Ctrl+Shift+G"));
    grid->addWidget(geometryButton, 0, 3);
    grid->addWidget(saveButton, 5, 3);
    notesLabel = new QLabel(this);
    notesLabel->setObjectName("notesLabel");
    notesLabel->hide();
    grid->addWidget(notesLabel, 6, 0, 1, 4);
    lineTable = new QTableWidget(0, static_cast<int>(kColumns.size()), this);
    lineTable->setObjectName("lineTable");
    QStringList headers;
    for (const std::string& column : kColumns) {
        headers << QString::fromStdString(column);
    }
    lineTable->setHorizontalHeaderLabels(headers);
    lineTable->horizontalHeader()->setStretchLastSection(true);
    lineTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lineTable->verticalHeader()->setDefaultSectionSize(22);
    lineTable->setMinimumHeight(200);
    lineTable->resizeColumnsToContents();
    grid->addWidget(lineTable, 7, 0, 1, 4);
    totalLabel = new QLabel(this);
    totalLabel->setObjectName("totalLabel");
    thicknessLabel = new QLabel(this);
    thicknessLabel->setObjectName("thicknessLabel");
    grid->addWidget(totalLabel, 8, 0, 1, 2);
    grid->addWidget(thicknessLabel, 8, 2, 1, 2);
    ratePlot = new QtCanvas(kPlotWidth, kPlotHeight, this);
    ratePlot->setObjectName("ratePlot");
    ratePlot->setToolTip("Rate against the last layer's thickness: broad beam blue, narrow beam "
                         "red, target grey");
    grid->addWidget(ratePlot, 9, 0, 1, 2);

    auto* lookUp = new QGridLayout;
    const auto addLookUpEdit = [&](int row, const char* label, const char* name, QLineEdit*& edit,
                                   const char* text) {
        lookUp->addWidget(new QLabel(label, this), row, 0);
        edit = new QLineEdit(text, this);
        edit->setObjectName(name);
        lookUp->addWidget(edit, row, 1);
    };
    addLookUpEdit(0, "Buildup of material", "buildupMaterialEdit", buildupMaterialEdit, "Pb");
    addLookUpEdit(1, "Energy (MeV)", "buildupEnergyEdit", buildupEnergyEdit, "0.662");
    addLookUpEdit(2, "Penetration (mfp)", "buildupMfpEdit", buildupMfpEdit, "10");
    lookUp->addWidget(new QLabel("Kind", this), 3, 0);
    buildupKindBox = new QComboBox(this);
    buildupKindBox->setObjectName("buildupKindBox");
    buildupKindBox->addItems({"exposure", "absorption"});
    lookUp->addWidget(buildupKindBox, 3, 1);
    buildupButton = new QPushButton("Look up", this);
    buildupButton->setObjectName("buildupButton");
    lookUp->addWidget(buildupButton, 4, 1);
    buildupLabel = new QLabel(this);
    buildupLabel->setObjectName("buildupLabel");
    buildupLabel->setWordWrap(true);
    lookUp->addWidget(buildupLabel, 5, 0, 1, 2);
    buildupPlot = new QtCanvas(kPlotWidth / 2 + 60, kPlotHeight, this);
    buildupPlot->setObjectName("buildupPlot");
    lookUp->addWidget(buildupPlot, 6, 0, 1, 2);
    grid->addLayout(lookUp, 9, 2, 1, 2);

    // One completer for the window's life; its names are read again each time it is shown.
    m_nuclideNames = new QStringListModel(this);
    auto* completer = new QCompleter(m_nuclideNames, sourceEdit);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    sourceEdit->setCompleter(completer);

    connect(computeButton, &QPushButton::clicked, this, &ShieldingWindow::Compute);
    connect(geometryButton, &QPushButton::clicked, this, &ShieldingWindow::GeometryRequested);
    connect(saveButton, &QPushButton::clicked, this, &ShieldingWindow::SaveCsv);
    connect(buildupButton, &QPushButton::clicked, this, &ShieldingWindow::LookUpBuildup);
    for (QLineEdit* edit :
         {sourceEdit, activityEdit, distanceEdit, layersEdit, tableEdit, cutoffEdit, targetEdit}) {
        connect(edit, &QLineEdit::returnPressed, this, &ShieldingWindow::Compute);
    }
    for (QLineEdit* edit : {buildupMaterialEdit, buildupEnergyEdit, buildupMfpEdit}) {
        connect(edit, &QLineEdit::returnPressed, this, &ShieldingWindow::LookUpBuildup);
    }
    saveButton->setEnabled(false);
}

ShieldingWindow::~ShieldingWindow() = default;

void ShieldingWindow::ShowFor(const QString& layers) {
    // The library may have changed since the window last computed (a new working folder).
    m_library = std::make_unique<shielding::ShieldingLibrary>(m_context.root);
    std::string error;
    if (const auto* nuclides = m_library->Nuclides(error); nuclides != nullptr) {
        QStringList names;
        for (const shielding::Nuclide& nuclide : *nuclides) {
            names << QString::fromStdString(nuclide.name);
        }
        m_nuclideNames->setStringList(names);
    }
    if (!layers.trimmed().isEmpty()) {
        layersEdit->setText(layers);
    }
    show();
    raise();
    Compute();
    LookUpBuildup();
}

void ShieldingWindow::Compute() {
    std::string problem;
    m_rows.clear();
    lineTable->clearSpans();
    if (!compute(problem)) {
        m_rows.clear();
        lineTable->setRowCount(1);
        lineTable->setSpan(0, 0, 1, lineTable->columnCount());
        auto* item = new QTableWidgetItem(QString::fromStdString("Not computed: " + problem));
        item->setToolTip(QString::fromStdString(problem));
        lineTable->setItem(0, 0, item);
        totalLabel->clear();
        thicknessLabel->clear();
        saveButton->setEnabled(false);
        ratePlot->Clear();
        m_context.dialogs.Message(" " + problem + " ");
        return;
    }
    lineTable->setRowCount(static_cast<int>(m_rows.size()));
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        for (std::size_t c = 0; c < m_rows[r].size(); ++c) {
            lineTable->setItem(static_cast<int>(r), static_cast<int>(c),
                               new QTableWidgetItem(QString::fromStdString(m_rows[r][c])));
        }
    }
    lineTable->resizeColumnsToContents();
    saveButton->setEnabled(true);
}

bool ShieldingWindow::compute(std::string& problem) {
    notesLabel->hide();
    if (!m_library) {
        m_library = std::make_unique<shielding::ShieldingLibrary>(m_context.root);
    }
    shielding::ShieldingLibrary& library = *m_library;
    const std::optional<double> activity =
        shielding::ReadActivityBq(activityEdit->text().toStdString(), problem);
    const std::optional<double> distance =
        activity ? shielding::ReadDistanceCm(distanceEdit->text().toStdString(), problem)
                 : std::nullopt;
    if (!distance) {
        return false;
    }
    shielding::DoseOptions options;
    options.kind = *shielding::DoseKindNamed(kindBox->currentText().toStdString());
    options.rule = *shielding::LayerRuleNamed(ruleBox->currentText().toStdString());
    const std::optional<double> cutoff =
        attenuation::ReadNumberField(cutoffEdit->text().trimmed().toStdString());
    if (!cutoff || !(*cutoff >= 0.0)) {
        problem = "The cut-off is not an energy of 0 MeV or more.";
        return false;
    }
    options.cutoffMeV = *cutoff;
    // A target rate is optional: 0 stands for none.
    const std::string targetText = targetEdit->text().trimmed().toStdString();
    double targetRate = 0.0;
    if (!targetText.empty()) {
        targetRate = attenuation::ReadNumberField(targetText).value_or(-1.0);
        if (!(targetRate > 0.0)) {
            problem = "The target rate is not a number of uGy/h above 0.";
            return false;
        }
    }
    shielding::Source source;
    if (!shielding::ResolveSource(library, sourceEdit->text().trimmed().toStdString(), false,
                                  source, problem)) {
        return false;
    }

    std::vector<attenuation::TypedLayer> typed;
    const std::string layersText = layersEdit->text().toStdString(); // the words point into it
    for (const std::string_view word : attenuation::SplitLayerList(layersText)) {
        typed.emplace_back();
        if (!attenuation::ReadTypedLayer(m_context.root, word, typed.back(), problem)) {
            return false;
        }
    }
    const std::string notes = attenuation::NotesText(typed);
    notesLabel->setText(QString::fromStdString(notes));
    notesLabel->setVisible(!notes.empty());
    std::vector<shielding::ShieldMaterial> materials;
    for (const attenuation::TypedLayer& layer : typed) {
        materials.push_back({layer.material.get(), layer.density, layer.thickness});
    }
    shielding::Shield shield;
    if (!shielding::BuildShield(library, materials, options,
                                tableEdit->text().trimmed().toStdString(), shield, problem)) {
        return false;
    }
    const std::vector<shielding::ShieldLayer>& layers = shield.layers;
    const shielding::KermaMedia& media = shield.media;
    options = shield.options;

    shielding::DoseResult result;
    shielding::DoseRate(source.lines, *activity, *distance, layers, options, media, result);
    if (result.outcome != shielding::Outcome::Ok) {
        for (const shielding::LineDose& line : result.lines) {
            if (line.outcome != shielding::Outcome::Ok) {
                problem = "The " + number(line.energyMeV) + " MeV line has no value: " +
                          attenuation::DescribeOutcome(line.outcome, line.energyMeV) + ".";
                break;
            }
        }
        return false;
    }
    double photons = 0.0;
    double uncollided = 0.0;
    for (const shielding::LineDose& line : result.lines) {
        m_rows.push_back({number(line.energyMeV), number(line.photonsPerDecay), number(line.mfp),
                          number(line.uncollided),
                          std::isfinite(line.buildup) ? number(line.buildup) : "-",
                          number(line.rate), noteText(line.note)});
        photons += line.photonsPerDecay;
        uncollided += line.uncollided;
    }
    m_rows.push_back({"total", number(photons), "", number(uncollided),
                      uncollided > 0.0 ? number(result.total / uncollided) : "-",
                      number(result.total), ""});
    const std::string unit = options.kind == shielding::DoseKind::Absorption
                                 ? " uGy/h (kerma in the last layer)"
                                 : " uGy/h (air kerma)";
    totalLabel->setText(
        QString::fromStdString("Total " + number(result.total) + unit + " = " +
                               number(shielding::MilliRoentgenPerHour(result.total)) + " mR/h"));

    thicknessLabel->clear();
    double thickness = 0.0;
    if (targetRate > 0.0 && !layers.empty()) {
        const shielding::Outcome found = shielding::ThicknessForRate(
            source.lines, *activity, *distance, layers, options, media, targetRate, thickness);
        thicknessLabel->setText(QString::fromStdString(
            found == shielding::Outcome::Ok ? "The last layer needs " + number(thickness) +
                                                  " cm for " + number(targetRate) + " uGy/h"
                                            : "No thickness of the last layer brings the rate to " +
                                                  number(targetRate) + " uGy/h"));
    }
    const double shown = std::max(
        shielding::PlotThicknessCm(source.lines, layers, options.cutoffMeV), 1.2 * thickness);
    if (shown > 0.0) {
        shielding::DrawRatePlot(*ratePlot,
                                shielding::RateAgainstThickness(source.lines, *activity, *distance,
                                                                layers, options, media, shown,
                                                                kRateSteps),
                                targetRate);
    } else {
        ratePlot->Clear();
    }
    return true;
}

void ShieldingWindow::LookUpBuildup() {
    std::string problem;
    if (!lookUpBuildup(problem)) {
        buildupLabel->setText(QString::fromStdString(problem));
        buildupPlot->Clear();
    }
}

bool ShieldingWindow::lookUpBuildup(std::string& problem) {
    if (!m_library) {
        m_library = std::make_unique<shielding::ShieldingLibrary>(m_context.root);
    }
    const std::optional<double> energy =
        attenuation::ReadNumberField(buildupEnergyEdit->text().trimmed().toStdString());
    const std::optional<double> mfp =
        attenuation::ReadNumberField(buildupMfpEdit->text().trimmed().toStdString());
    if (!energy || !(*energy > 0.0)) {
        problem = "The energy is not a number of MeV above 0.";
        return false;
    }
    if (!mfp || !(*mfp >= 0.0)) {
        problem = "The penetration is not a number of mean free paths, 0 or more.";
        return false;
    }
    auto material = std::make_unique<material::ResolvedMaterial>();
    if (!material::ResolveMaterial(m_context.root,
                                   buildupMaterialEdit->text().trimmed().toStdString(), *material,
                                   problem)) {
        return false;
    }
    const shielding::BuildupTables* tables = m_library->Buildup(problem);
    const shielding::BuildupKind kind =
        *shielding::BuildupKindNamed(buildupKindBox->currentText().toStdString());
    const std::optional<shielding::BuildupFunction> function =
        tables == nullptr ? std::nullopt
                          : shielding::BuildupFunctionOf(*material, *tables, kind,
                                                         m_library->Elements(), {}, problem);
    if (!function) {
        return false;
    }
    shielding::BuildupValue value;
    const shielding::Outcome outcome = function->At(*energy, *mfp, value);
    std::string text;
    if (outcome == shielding::Outcome::Ok) {
        text = "B = " + number(value.buildup) +
               (function->TableName().empty() ? ", equivalent Z " + number(value.zeq)
                                              : ", table of " + function->TableName()) +
               (value.extrapolated ? " (extrapolated beyond 40 mfp)" : "");
    } else {
        text = "No buildup factor: the tables cover " + number(function->LowestEnergyMeV()) +
               " to " + number(function->HighestEnergyMeV()) + " MeV and up to 100 mfp.";
    }
    const std::string notes = attenuation::NotesText({}, material.get());
    buildupLabel->setText(QString::fromStdString(notes.empty() ? text : text + "\n" + notes));
    shielding::DrawBuildupPlot(*buildupPlot, *function, *energy,
                               std::max(40.0, std::min(100.0, std::ceil(*mfp / 10.0) * 10.0)));
    return true;
}

void ShieldingWindow::SaveCsv() {
    if (m_rows.empty()) {
        return;
    }
    const std::string name =
        m_context.dialogs.InputBox("File name for the lines (CSV):", "Shielding", "shielding.csv");
    if (name.empty()) {
        return;
    }
    std::string text;
    data::AppendCsvRow(text, kColumns);
    for (const auto& row : m_rows) {
        data::AppendCsvRow(text, row);
    }
    const std::filesystem::path target = std::filesystem::path(name).is_absolute()
                                             ? std::filesystem::path(name)
                                             : m_context.root / name;
    const data::WriteResult written = data::WriteFileReplacing(target, text);
    if (!written.ok) {
        m_context.dialogs.Message(" " + name + " cannot be written: " + written.reason + " ");
    }
}

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
#include "shielding/Inventory.h"
#include "shielding/Quantity.h"
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

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace {

constexpr int kPlotWidth = 460;
constexpr int kPlotHeight = 260;
constexpr int kRateSteps = 120;

std::string number(double value) { return data::FormatScientific(value); }

/// A share as a percentage with two decimals: "99.87".
std::string percent(double share) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.2f", 100.0 * share);
    return text.data();
}

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

/// The line table's headers with rates in `unit`.
std::vector<std::string> lineColumns(std::string_view unit) {
    const std::string u(unit);
    return {"Nuclide", "Energy (MeV)",     "Photons/decay", "mfp", "Uncollided (" + u + ")",
            "Buildup", "Rate (" + u + ")", "Note"};
}

/// The quantity box's items, in the order of shielding::Quantity.
const QStringList kQuantities = {"air kerma", "exposure", "H*(10)"};
constexpr std::array<shielding::Quantity, 3> kQuantityOf = {
    shielding::Quantity::Kerma, shielding::Quantity::Exposure, shielding::Quantity::H10};

/// A dose unit and its base units (uGy, mR, uSv) for a rate unit: uSv for uSv/h and uSv/s.
std::pair<std::string, double> doseUnitOf(const shielding::RateUnit& unit) {
    const std::string name(unit.name);
    return {name.substr(0, name.size() - 2),
            name.ends_with("/s") ? unit.baseUnits / 3600.0 : unit.baseUnits};
}

void setHeaders(QTableWidget* table, const std::vector<std::string>& columns) {
    QStringList headers;
    for (const std::string& column : columns) {
        headers << QString::fromStdString(column);
    }
    table->setColumnCount(static_cast<int>(columns.size()));
    table->setHorizontalHeaderLabels(headers);
}

void showRows(QTableWidget* table, const std::vector<std::vector<std::string>>& rows) {
    table->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            table->setItem(static_cast<int>(r), static_cast<int>(c),
                           new QTableWidgetItem(QString::fromStdString(rows[r][c])));
        }
    }
    table->resizeColumnsToContents();
}

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
    // The inventory: its table with the first row's edits, and beside it how it is read.
    auto* inventory = new QGridLayout;
    inventoryTable = new QTableWidget(0, 2, this);
    inventoryTable->setObjectName("inventoryTable");
    inventoryTable->setHorizontalHeaderLabels(
        {"Source (nuclide, lines:E=Y,... or file)", "Activity (with its unit)"});
    inventoryTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    inventoryTable->verticalHeader()->setDefaultSectionSize(24);
    inventoryTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    inventoryTable->setMaximumHeight(130);
    inventory->addWidget(inventoryTable, 0, 0, 4, 1);
    addRowButton = new QPushButton("Add nuclide", this);
    addRowButton->setObjectName("addRowButton");
    removeRowButton = new QPushButton("Remove nuclide", this);
    removeRowButton->setObjectName("removeRowButton");
    inventory->addWidget(addRowButton, 0, 1);
    inventory->addWidget(removeRowButton, 0, 2);
    const auto addSide = [&](int row, const char* label, QWidget* widget) {
        inventory->addWidget(new QLabel(label, this), row, 1);
        inventory->addWidget(widget, row, 2);
    };
    stayEdit = new QLineEdit(this);
    stayEdit->setObjectName("stayEdit");
    stayEdit->setPlaceholderText("8 h");
    quantityBox = new QComboBox(this);
    quantityBox->setObjectName("quantityBox");
    quantityBox->addItems(kQuantities);
    unitBox = new QComboBox(this);
    unitBox->setObjectName("unitBox");
    addSide(1, "Stay (optional)", stayEdit);
    addSide(2, "Quantity", quantityBox);
    addSide(3, "Rate unit", unitBox);
    inventory->setColumnStretch(0, 1);
    grid->addLayout(inventory, 0, 0, 1, 4);
    AddInventoryRow("Co-60", "1 GBq");
    sourceEdit = qobject_cast<QLineEdit*>(inventoryTable->cellWidget(0, 0));
    activityEdit = qobject_cast<QLineEdit*>(inventoryTable->cellWidget(0, 1));
    sourceEdit->setObjectName("sourceEdit");
    activityEdit->setObjectName("activityEdit");
    fillUnits();
    addEdit(1, 0, "Decay time (since measured)", "decayEdit", decayEdit, "0 d");
    addEdit(1, 2, "Distance", "distanceEdit", distanceEdit, "1 m");
    addEdit(2, 0, "Layers (material@cm or material@cm@g/cm3)", "layersEdit", layersEdit, "Pb@5");
    addBox(3, 0, "Kind", "kindBox", kindBox, {"exposure", "absorption", "none"});
    addBox(3, 2, "Multilayer rule", "ruleBox", ruleBox, {"broder", "last"});
    addEdit(4, 0, "Buildup table for all layers (optional)", "tableEdit", tableEdit, "");
    addEdit(4, 2, "Cut-off (MeV)", "cutoffEdit", cutoffEdit, "0");
    addEdit(5, 0, "Target rate (optional)", "targetEdit", targetEdit, "");
    sourceEdit->setToolTip("A radionuclide (Co-60, cs137, Cobalt-60), lines:0.662=0.851,... in "
                           "MeV and photons per decay, or a file of energies and photons per "
                           "decay");
    tableEdit->setPlaceholderText("concrete, iron, Pb...");
    targetEdit->setPlaceholderText("2.5 uSv/h; a bare number is in the rate unit");
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
    lineTable = new QTableWidget(0, 0, this);
    lineTable->setObjectName("lineTable");
    m_columns = lineColumns("uGy/h");
    setHeaders(lineTable, m_columns);
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
    decayPlot = new QtCanvas(kPlotWidth, kPlotHeight, this);
    decayPlot->setObjectName("decayPlot");
    decayPlot->setToolTip("Rate against time since the activities were measured: the decay time "
                          "and the end of the stay orange");
    grid->addWidget(decayPlot, 10, 0, 1, 2);
    nuclideTable = new QTableWidget(0, 0, this);
    nuclideTable->setObjectName("nuclideTable");
    nuclideTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    nuclideTable->verticalHeader()->setDefaultSectionSize(22);
    grid->addWidget(nuclideTable, 10, 2, 1, 2);

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
    connect(addRowButton, &QPushButton::clicked, this, [this] { AddInventoryRow(); });
    connect(removeRowButton, &QPushButton::clicked, this, &ShieldingWindow::RemoveInventoryRow);
    connect(quantityBox, &QComboBox::currentIndexChanged, this, [this] {
        fillUnits();
        Compute();
    });
    connect(unitBox, &QComboBox::activated, this, &ShieldingWindow::Compute);
    for (QLineEdit* edit :
         {decayEdit, stayEdit, distanceEdit, layersEdit, tableEdit, cutoffEdit, targetEdit}) {
        connect(edit, &QLineEdit::returnPressed, this, &ShieldingWindow::Compute);
    }
    for (QLineEdit* edit : {buildupMaterialEdit, buildupEnergyEdit, buildupMfpEdit}) {
        connect(edit, &QLineEdit::returnPressed, this, &ShieldingWindow::LookUpBuildup);
    }
    saveButton->setEnabled(false);
}

ShieldingWindow::~ShieldingWindow() = default;

int ShieldingWindow::AddInventoryRow(const QString& nuclide, const QString& activity) {
    const int row = inventoryTable->rowCount();
    inventoryTable->insertRow(row);
    for (int column = 0; column < 2; ++column) {
        auto* edit = new QLineEdit(column == 0 ? nuclide : activity, inventoryTable);
        edit->setObjectName(QString(column == 0 ? "nuclideEdit%1" : "activityEdit%1").arg(row));
        edit->setFrame(false);
        if (column == 0 && m_nuclideNames != nullptr) {
            auto* completer = new QCompleter(m_nuclideNames, edit);
            completer->setCaseSensitivity(Qt::CaseInsensitive);
            completer->setFilterMode(Qt::MatchContains);
            edit->setCompleter(completer);
        }
        connect(edit, &QLineEdit::returnPressed, this, &ShieldingWindow::Compute);
        inventoryTable->setCellWidget(row, column, edit);
    }
    return row;
}

void ShieldingWindow::RemoveInventoryRow() {
    const int selected = inventoryTable->currentRow();
    const int row = selected > 0 ? selected : inventoryTable->rowCount() - 1;
    if (row > 0) {
        inventoryTable->removeRow(row);
    }
    for (int r = 1; r < inventoryTable->rowCount(); ++r) {
        inventoryTable->cellWidget(r, 0)->setObjectName(QString("nuclideEdit%1").arg(r));
        inventoryTable->cellWidget(r, 1)->setObjectName(QString("activityEdit%1").arg(r));
    }
}

void ShieldingWindow::fillUnits() {
    const shielding::Quantity quantity =
        kQuantityOf[static_cast<std::size_t>(std::max(0, quantityBox->currentIndex()))];
    QStringList units;
    const std::string list = shielding::RateUnitList();
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t comma = std::min(list.find(", ", start), list.size());
        const std::string name = list.substr(start, comma - start);
        if (shielding::RateUnitNamed(name)->quantity == quantity) {
            units << QString::fromStdString(name);
        }
        start = comma + 2;
    }
    unitBox->clear();
    unitBox->addItems(units);
}

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
    m_nuclideRows.clear();
    lineTable->clearSpans();
    if (!compute(problem)) {
        m_rows.clear();
        m_nuclideRows.clear();
        nuclideTable->setRowCount(0);
        decayPlot->Clear();
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
    showRows(lineTable, m_rows);
    showRows(nuclideTable, m_nuclideRows);
    saveButton->setEnabled(true);
}

bool ShieldingWindow::compute(std::string& problem) {
    notesLabel->hide();
    if (!m_library) {
        m_library = std::make_unique<shielding::ShieldingLibrary>(m_context.root);
    }
    shielding::ShieldingLibrary& library = *m_library;
    const std::optional<double> distance =
        shielding::ReadDistanceCm(distanceEdit->text().toStdString(), problem);
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

    // The quantity, its unit, and the times of the decay and the stay.
    shielding::QuantityConversion conversion;
    conversion.quantity = kQuantityOf[static_cast<std::size_t>(quantityBox->currentIndex())];
    const std::string quantityName = quantityBox->currentText().toStdString();
    const shielding::RateUnit unit =
        *shielding::RateUnitNamed(unitBox->currentText().toStdString());
    const auto [doseUnit, doseBaseUnits] = doseUnitOf(unit);
    if (conversion.quantity != shielding::Quantity::Kerma &&
        options.kind == shielding::DoseKind::Absorption) {
        problem = "The " + quantityName +
                  " is read from air kerma; the absorption kind gives kerma in the last layer.";
        return false;
    }
    shielding::DecayRequest request;
    for (const auto& [edit, what, time] : {std::tuple{decayEdit, "decay time", &request.timeS},
                                           std::tuple{stayEdit, "stay", &request.stayS}}) {
        const std::string text = edit->text().trimmed().toStdString();
        if (!text.empty()) {
            const std::optional<double> seconds = shielding::ReadTimeS(text, what, problem);
            if (!seconds) {
                return false;
            }
            *time = *seconds;
        }
    }
    // A target rate is optional: 0 stands for none. A bare number is in the chosen unit.
    const std::string targetText = targetEdit->text().trimmed().toStdString();
    double targetRate = 0.0;
    if (!targetText.empty()) {
        const std::optional<shielding::Rate> target = shielding::ReadRate(targetText, problem);
        if (!target) {
            // "the rate '0' is not above 0" becomes "The target rate '0' is not above 0."
            problem =
                "The target " + (problem.starts_with("the ") ? problem.substr(4) : problem) + ".";
            return false;
        }
        if (target->unitGiven && target->quantity != conversion.quantity) {
            problem = "The target rate's unit " + std::string(target->unit) + " is not a unit of " +
                      quantityName + ".";
            return false;
        }
        targetRate = target->unitGiven ? target->base : target->base * unit.baseUnits;
    }

    // The inventory: a nuclide per row; one row may also be lines or a spectrum file.
    std::vector<shielding::InventoryItem> items;
    shielding::Source plain;
    double plainActivityBq = 0.0;
    const std::vector<shielding::Nuclide>* nuclides = library.Nuclides(problem);
    const shielding::DecayData* chains = nuclides ? library.Decay(problem) : nullptr;
    if (chains == nullptr) {
        return false;
    }
    std::vector<std::pair<std::string, std::string>> rows;
    for (int r = 0; r < inventoryTable->rowCount(); ++r) {
        const auto text = [&](int column) {
            return qobject_cast<QLineEdit*>(inventoryTable->cellWidget(r, column))
                ->text()
                .trimmed()
                .toStdString();
        };
        if (r == 0 || !text(0).empty() || !text(1).empty()) {
            rows.emplace_back(text(0), text(1));
        }
    }
    for (const auto& [name, activityText] : rows) {
        const std::optional<double> activity = shielding::ReadActivityBq(activityText, problem);
        if (!activity) {
            problem = (rows.size() > 1 ? name + ": " : std::string()) + problem;
            return false;
        }
        shielding::Source source;
        std::optional<shielding::InventoryItem> item;
        if (shielding::ResolveSource(library, name, false, source, problem)) {
            if (source.nuclide != nullptr) {
                item = shielding::InventoryItem{source.nuclide, *activity};
            } else if (rows.size() == 1) {
                plain = std::move(source);
                plainActivityBq = *activity;
                break;
            } else {
                problem = "An inventory of several rows takes nuclides, not " + name + ".";
                return false;
            }
        } else {
            std::string memberProblem;
            item = shielding::InventoryItemOf(name, *activity, *nuclides, chains, memberProblem);
            if (!item) {
                return false; // the source's problem, with the closest nuclides
            }
        }
        for (const shielding::InventoryItem& other : items) {
            if (other.Name() == item->Name()) {
                problem = std::string(item->Name()) + " is named twice in the inventory.";
                return false;
            }
        }
        items.push_back(*item);
    }
    if (items.empty() && (request.timeS > 0.0 || request.stayS > 0.0)) {
        problem = "A decay time and a stay need nuclides of the library, not " + plain.name + ".";
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
    options.conversion = &conversion;

    shielding::InventoryDose dose;
    if (!items.empty()) {
        if (!shielding::ComputeInventoryDose(*chains, items, request, *distance, layers, options,
                                             media, dose, problem)) {
            problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
            problem += ".";
            return false;
        }
    } else {
        dose.emitted.lines = plain.lines;
        dose.emitted.activityBq = plainActivityBq;
        dose.emitted.item.assign(dose.emitted.lines.size(), 0);
        for (const shielding::PhotonLine& line : dose.emitted.lines) {
            dose.emitted.perDecay.push_back(line.photonsPerDecay);
        }
        dose.emitted.KeepAbove(options.cutoffMeV);
        shielding::DoseRate(dose.emitted.lines, plainActivityBq, *distance, layers, options, media,
                            dose.rate);
        for (const shielding::LineDose& line : dose.rate.lines) {
            if (line.outcome != shielding::Outcome::Ok) {
                problem = "The " + number(line.energyMeV) + " MeV line has no value: " +
                          attenuation::DescribeOutcome(line.outcome, line.energyMeV) + ".";
                return false;
            }
        }
        dose.itemRates = {dose.rate.total};
        dose.itemDoses = {0.0};
    }
    const shielding::DoseResult& result = dose.rate;
    std::vector<std::string> names;
    for (const shielding::InventoryItem& item : items) {
        names.emplace_back(item.Name());
    }
    if (names.empty()) {
        names.push_back(plain.name);
    }

    // The lines, each nuclide's total, and the whole total; rates in the chosen unit.
    const double scale = 1.0 / unit.baseUnits;
    const bool icruH10 = conversion.quantity == shielding::Quantity::H10;
    m_columns = lineColumns(unit.name);
    setHeaders(lineTable, m_columns);
    double photons = 0.0;
    double uncollided = 0.0;
    for (std::size_t i = 0; i < result.lines.size(); ++i) {
        const shielding::LineDose& line = result.lines[i];
        std::string note = noteText(line.note);
        if (icruH10 && line.energyMeV < shielding::kH10FitLowestGoodMeV && line.rate > 0.0) {
            note += std::string(note.empty() ? "" : "; ") +
                    "below 20 keV: H*(10) overstated by up to a quarter";
        }
        m_rows.push_back({names[dose.emitted.item[i]], number(line.energyMeV),
                          number(dose.emitted.perDecay[i]), number(line.mfp),
                          number(line.uncollided * scale),
                          std::isfinite(line.buildup) ? number(line.buildup) : "-",
                          number(line.rate * scale), note});
        photons += dose.emitted.perDecay[i];
        uncollided += line.uncollided;
    }
    m_rows.push_back({"total", "", names.size() == 1 ? number(photons) : "", "",
                      number(uncollided * scale),
                      uncollided > 0.0 ? number(result.total / uncollided) : "-",
                      number(result.total * scale), ""});
    const bool stay = request.stayS > 0.0;
    std::vector<std::string> nuclideColumns = {"Nuclide", "Rate (" + std::string(unit.name) + ")",
                                               "Share (%)"};
    if (stay) {
        nuclideColumns.push_back("Stay dose (" + doseUnit + ")");
    }
    setHeaders(nuclideTable, nuclideColumns);
    for (std::size_t n = 0; n <= names.size(); ++n) {
        const bool total = n == names.size();
        const double rate = total ? result.total : dose.itemRates[n];
        m_nuclideRows.push_back({total ? "total" : names[n], number(rate * scale),
                                 result.total > 0.0 ? percent(rate / result.total) : "-"});
        if (stay) {
            m_nuclideRows.back().push_back(
                number((total ? dose.stayDose : dose.itemDoses[n]) / doseBaseUnits));
        }
    }
    std::string totalText =
        "Total " + number(result.total * scale) + " " + std::string(unit.name) + " (" +
        (options.kind == shielding::DoseKind::Absorption ? std::string("kerma in the last layer")
                                                         : quantityName) +
        ")";
    if (conversion.quantity == shielding::Quantity::Kerma &&
        options.kind != shielding::DoseKind::Absorption) {
        totalText += " = " + number(shielding::MilliRoentgenPerHour(result.total)) + " mR/h";
    }
    if (stay) {
        totalText +=
            "; " + number(dose.stayDose / doseBaseUnits) + " " + doseUnit + " over the stay";
    }
    totalLabel->setText(QString::fromStdString(totalText));

    const std::vector<shielding::PhotonLine>& lines = dose.emitted.lines;
    const double activity = dose.emitted.activityBq;
    thicknessLabel->clear();
    double thickness = 0.0;
    const std::string targetShown = number(targetRate * scale) + " " + std::string(unit.name);
    if (targetRate > 0.0 && !layers.empty()) {
        const shielding::Outcome found = shielding::ThicknessForRate(
            lines, activity, *distance, layers, options, media, targetRate, thickness);
        thicknessLabel->setText(QString::fromStdString(
            found == shielding::Outcome::Ok
                ? "The last layer needs " + number(thickness) + " cm for " + targetShown
                : "No thickness of the last layer brings the rate to " + targetShown));
    }
    const double shown =
        std::max(shielding::PlotThicknessCm(lines, layers, options.cutoffMeV), 1.2 * thickness);
    if (shown > 0.0) {
        std::vector<shielding::RatePoint> points = shielding::RateAgainstThickness(
            lines, activity, *distance, layers, options, media, shown, kRateSteps);
        for (shielding::RatePoint& point : points) {
            point.broad *= scale;
            point.narrow *= scale;
        }
        shielding::DrawRatePlot(*ratePlot, points, targetRate * scale, unit.name);
    } else {
        ratePlot->Clear();
    }

    // The rate against time, each member's own lines at every time.
    decayPlot->Clear();
    if (!items.empty()) {
        const std::vector<double> times =
            shielding::DecayPlotTimesS(*chains, items, request, kRateSteps);
        std::vector<double> rates;
        std::string ignored;
        if (shielding::RateSeries(*chains, items, request.fresh, times, *distance, layers, options,
                                  media, rates, ignored) == shielding::Outcome::Ok) {
            for (double& rate : rates) {
                rate *= scale;
            }
            shielding::DrawDecayPlot(*decayPlot, times, rates, unit.name, request.timeS,
                                     request.stayS);
        }
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
    data::AppendCsvRow(text, m_columns);
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

#include "attenuation/LayersWindow.h"

#include "app/AppContext.h"
#include "attenuation/Compositions.h"
#include "attenuation/EfficiencyPlot.h"
#include "attenuation/EquivalencePlot.h"
#include "attenuation/LayerShares.h"
#include "attenuation/TextLines.h"
#include "attenuation/TransmissionPlot.h"
#include "attenuation/TypedLayers.h"
#include "data/NumberMask.h"
#include "platform/qt/QtCanvas.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <cmath>

namespace {

constexpr int kPlotWidth = 400;
constexpr int kPlotHeight = 280;

std::string number(double value) {
    return std::isnan(value) ? "no data" : data::FormatScientific(value);
}

} // namespace

LayersWindow::LayersWindow(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context) {
    setWindowTitle("Layer by layer");
    auto* grid = new QGridLayout(this);
    const auto addEdit = [&](int row, int column, const char* label, const char* name,
                             QLineEdit*& edit, int columns) {
        grid->addWidget(new QLabel(label, this), row, column);
        edit = new QLineEdit(this);
        edit->setObjectName(name);
        grid->addWidget(edit, row, column + 1, 1, columns);
    };
    addEdit(0, 0, "Layers (material@cm or material@cm@g/cm3)", "layersEdit", layersEdit, 3);
    addEdit(1, 0, "Energy", "energyEdit", energyEdit, 1);
    addEdit(2, 0, "Angle from the normal (degrees)", "angleEdit", angleEdit, 1);
    addEdit(2, 2, "Sensor layer (1 for the first)", "sensorEdit", sensorEdit, 1);
    addEdit(3, 0, "Equivalent thickness in", "referenceEdit", referenceEdit, 1);
    energyUnitBox = new QComboBox(this);
    energyUnitBox->setObjectName("energyUnitBox");
    energyUnitBox->addItems({"keV", "MeV"});
    energyUnitBox->setCurrentText("MeV");
    grid->addWidget(energyUnitBox, 1, 2);
    energyEdit->setText("0.662");
    angleEdit->setText("0");
    sensorEdit->setPlaceholderText("the last");
    referenceEdit->setText("Pb");
    computeButton = new QPushButton("Compute", this);
    computeButton->setObjectName("computeButton");
    grid->addWidget(computeButton, 3, 3);
    notesLabel = new QLabel(this);
    notesLabel->setObjectName("notesLabel");
    notesLabel->hide();
    grid->addWidget(notesLabel, 4, 0, 1, 4);
    shareTable = new QTableWidget(0, 5, this);
    shareTable->setObjectName("shareTable");
    shareTable->setHorizontalHeaderLabels(
        {"Layer", "Interacted", "Photo-absorbed", "Energy deposited", "Transmitted"});
    shareTable->horizontalHeader()->setStretchLastSection(true);
    shareTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    shareTable->setMinimumHeight(130);
    shareTable->verticalHeader()->setDefaultSectionSize(22);
    shareTable->resizeColumnsToContents();
    grid->addWidget(shareTable, 5, 0, 1, 4);
    equivalentLabel = new QLabel(this);
    equivalentLabel->setObjectName("equivalentLabel");
    equivalentLabel->setWordWrap(true);
    grid->addWidget(equivalentLabel, 6, 0, 1, 4);
    efficiencyPlot = new QtCanvas(kPlotWidth, kPlotHeight, this);
    efficiencyPlot->setObjectName("efficiencyPlot");
    grid->addWidget(efficiencyPlot, 7, 0, 1, 2);
    equivalencePlot = new QtCanvas(kPlotWidth, kPlotHeight, this);
    equivalencePlot->setObjectName("equivalencePlot");
    equivalencePlot->setToolTip("The thickness of the reference that transmits what the stack "
                                "does, narrow beam at normal incidence, against energy");
    grid->addWidget(equivalencePlot, 7, 2, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    connect(computeButton, &QPushButton::clicked, this, &LayersWindow::Compute);
    for (QLineEdit* edit : {layersEdit, energyEdit, angleEdit, sensorEdit, referenceEdit}) {
        connect(edit, &QLineEdit::returnPressed, this, &LayersWindow::Compute);
    }
}

void LayersWindow::ShowFor(const QString& layers, const QString& energy, const QString& unit) {
    layersEdit->setText(layers);
    energyEdit->setText(energy);
    energyUnitBox->setCurrentText(unit);
    show();
    raise();
    Compute();
    resize(size().expandedTo(sizeHint()));
}

void LayersWindow::Compute() {
    std::string problem;
    m_rows.clear();
    shareTable->clearSpans();
    if (compute(problem)) {
        return;
    }
    m_rows.clear();
    shareTable->setRowCount(1);
    shareTable->setSpan(0, 0, 1, 5);
    auto* item = new QTableWidgetItem(QString::fromStdString("Not computed: " + problem));
    item->setToolTip(QString::fromStdString(problem));
    shareTable->setItem(0, 0, item);
    equivalentLabel->clear();
    attenuation::DrawNoTransmission(
        *efficiencyPlot, "No efficiency to show: the layers or the energy have a problem.");
    attenuation::DrawNoTransmission(*equivalencePlot,
                                    "No equivalence to show: the layers or the energy have a "
                                    "problem.");
}

void LayersWindow::showNotes(const std::vector<attenuation::TypedLayer>& layers,
                             const material::ResolvedMaterial* reference) {
    const std::string notes = attenuation::NotesText(layers, reference);
    notesLabel->setText(QString::fromStdString(notes));
    notesLabel->setVisible(!notes.empty());
}

bool LayersWindow::compute(std::string& problem) {
    const std::filesystem::path& root = m_context.root;
    std::vector<attenuation::TypedLayer> typed;
    const std::string layersText = layersEdit->text().toStdString();
    notesLabel->hide();
    for (const std::string_view word : attenuation::SplitLayerList(layersText)) {
        typed.emplace_back();
        if (!attenuation::ReadTypedLayer(root, word, typed.back(), problem)) {
            return false;
        }
    }
    showNotes(typed, nullptr);
    if (typed.empty()) {
        problem = "Name at least one layer, such as Be@0.0025 Si@0.045.";
        return false;
    }
    std::vector<attenuation::Layer> layers;
    for (const attenuation::TypedLayer& t : typed) {
        layers.push_back({&t.material->table, t.density, t.thickness});
    }
    const std::string energyText = energyEdit->text().trimmed().toStdString();
    const bool keV = energyUnitBox->currentText() == "keV";
    const std::optional<double> energy =
        keV ? attenuation::ReadKeVAsMeV(energyText) : attenuation::ReadNumberField(energyText);
    if (!energy) {
        problem = std::string("The energy is not a number of ") + (keV ? "keV." : "MeV.");
        return false;
    }
    const std::optional<double> angle =
        attenuation::ReadNumberField(angleEdit->text().trimmed().toStdString());
    const std::optional<double> factor =
        angle ? attenuation::PathFactor(*angle, problem) : std::nullopt;
    if (!factor) {
        problem = angle ? "The " + problem + "." : "The angle is not a number of degrees.";
        return false;
    }
    const std::string sensorText = sensorEdit->text().trimmed().toStdString();
    const std::optional<double> sensor = sensorText.empty()
                                             ? std::optional<double>(double(layers.size()))
                                             : attenuation::ReadNumberField(sensorText);
    if (!sensor || *sensor != std::floor(*sensor) || *sensor < 1.0 ||
        *sensor > double(layers.size())) {
        problem = "The sensor layer is not a layer of the stack: give 1 to " +
                  std::to_string(layers.size()) + ".";
        return false;
    }
    // Every layer's absorption mix for the energy deposited; without one it reads "no data".
    attenuation::AbsorptionLibrary absorption(root);
    std::vector<attenuation::AbsorptionMix> mixes;
    for (const attenuation::TypedLayer& t : typed) {
        std::string error;
        const material::ResolvedMaterial& m = *t.material;
        const auto shares =
            attenuation::SharesOf(m.composition, m.dataPath.empty() ? t.word : m.dataPath, error);
        auto mix = shares ? attenuation::MixAbsorption(*shares, absorption, error) : std::nullopt;
        if (!mix) {
            mixes.clear();
            break;
        }
        mixes.push_back(std::move(*mix));
    }
    std::vector<attenuation::LayerShare> shares;
    const attenuation::Outcome outcome = attenuation::LayerSharesAt(
        layers, mixes.empty() ? nullptr : &mixes, *energy, *factor, shares);
    if (outcome != attenuation::Outcome::Ok) {
        problem = attenuation::DescribeOutcome(outcome, *energy) + ".";
        return false;
    }
    for (std::size_t l = 0; l < layers.size(); ++l) {
        const attenuation::LayerShare& s = shares[l];
        m_rows.push_back({std::to_string(l + 1) + ": " + typed[l].word, number(s.interacted),
                          number(s.photoAbsorbed), number(s.deposited), number(s.transmitted)});
    }
    shareTable->setRowCount(static_cast<int>(m_rows.size()));
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        for (std::size_t c = 0; c < m_rows[r].size(); ++c) {
            shareTable->setItem(static_cast<int>(r), static_cast<int>(c),
                                new QTableWidgetItem(QString::fromStdString(m_rows[r][c])));
        }
    }
    shareTable->resizeColumnsToContents();
    // The equivalence at normal incidence; a reference that cannot be had is said in its place.
    const std::string referenceName = referenceEdit->text().trimmed().toStdString();
    attenuation::TypedLayer reference;
    std::string why;
    double thickness = 0.0;
    const bool referenceRead = attenuation::ReadTypedLayer(
        root, referenceName.empty() ? "Pb" : referenceName, reference, why);
    const attenuation::Layer referenceLayer{referenceRead ? &reference.material->table : nullptr,
                                            reference.density, 0.0};
    if (!referenceRead) {
        equivalentLabel->setText(QString::fromStdString("No equivalent thickness: " + why));
        attenuation::DrawNoTransmission(*equivalencePlot,
                                        "No equivalence to show: the reference has a problem.");
    } else if (const attenuation::Outcome found =
                   attenuation::EquivalentThicknessAt(layers, referenceLayer, *energy, thickness);
               found != attenuation::Outcome::Ok) {
        equivalentLabel->setText(QString::fromStdString(
            "No equivalent thickness: " + attenuation::DescribeOutcome(found, *energy)));
    } else {
        equivalentLabel->setText(QString::fromStdString(
            "The stack transmits (narrow beam, normal incidence) what " + number(thickness) +
            " cm of " + reference.material->name + " transmit at this energy."));
    }
    if (referenceRead) {
        attenuation::DrawEquivalencePlot(*equivalencePlot, layers, referenceLayer,
                                         reference.material->name);
    }
    showNotes(typed, reference.material.get());
    attenuation::DrawEfficiencyPlot(*efficiencyPlot, layers, static_cast<std::size_t>(*sensor) - 1,
                                    *factor);
    return true;
}

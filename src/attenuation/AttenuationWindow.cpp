#include "attenuation/AttenuationWindow.h"

#include "app/AppContext.h"
#include "attenuation/Attenuation.h"
#include "attenuation/LayersWindow.h"
#include "attenuation/Spectrum.h"
#include "attenuation/TextLines.h"
#include "attenuation/TransmissionPlot.h"
#include "attenuation/TypedLayers.h"
#include "attenuation/Units.h"
#include "data/CsvText.h"
#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "material/MaterialChooser.h"
#include "material/Resolve.h"
#include "platform/Dialogs.h"
#include "platform/FileListing.h"
#include "platform/qt/QtCanvas.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTableWidget>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>

namespace {

constexpr int kPlotWidth = 520;
constexpr int kPlotHeight = 300;

std::string number(double value) { return data::FormatScientific(value); }

/// Line 1 of a data file (its name), without the line end; empty when it cannot be read.
QString firstLine(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return QString::fromStdString(line);
}

/// Where the word being typed at `cursor` starts: after the last blank, tab, comma or semicolon.
qsizetype wordStart(const QString& text, qsizetype cursor) {
    qsizetype start = cursor;
    while (start > 0 && !QString(" \t,;").contains(text[start - 1])) {
        --start;
    }
    return start;
}

std::optional<attenuation::Composition> compositionOf(const material::ResolvedMaterial& m) {
    if (!m.composition.known || m.composition.elements.empty()) {
        return std::nullopt;
    }
    attenuation::Composition shares;
    for (const material::ElementFraction& e : m.composition.elements) {
        shares.push_back({e.z, e.weightFraction});
    }
    return shares;
}

} // namespace

AttenuationWindow::AttenuationWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    setWindowTitle("Attenuation");
    auto* grid = new QGridLayout(this);
    const auto addEdit = [&](int row, const char* label, const char* name, QLineEdit*& edit,
                             int columns) {
        grid->addWidget(new QLabel(label, this), row, 0);
        edit = new QLineEdit(this);
        edit->setObjectName(name);
        grid->addWidget(edit, row, 1, 1, columns);
    };
    addEdit(0, "Layers (material@cm or material@cm@g/cm3)", "layersEdit", layersEdit, 1);
    chooser = MaterialChooser::ForLayers(this, layersEdit, m_context.root, materialsButton);
    grid->addWidget(materialsButton, 0, 2);
    // The energy shares its row with its unit, which stays as chosen while the window lives; a
    // change of unit converts the typed energy and the table's energies to it.
    addEdit(1, "Energy", "energyEdit", energyEdit, 1);
    addEdit(2, "Spectrum file (instead of the energy)", "spectrumEdit", spectrumEdit, 2);
    layersEdit->setPlaceholderText("Pb@0.1, Water_Liquid@10");
    layersEdit->setToolTip("Layers separated by blanks, commas or semicolons; a material is a "
                           "symbol, a file name, formula:... or mix:...; a thickness in cm, or "
                           "with its unit: Pb@5mm, Si@450um, Pb@2g/cm2");
    energyEdit->setText("0.662");
    energyUnitBox = new QComboBox(this);
    energyUnitBox->setObjectName("energyUnitBox");
    energyUnitBox->addItems({"keV", "MeV"});
    energyUnitBox->setCurrentText("MeV");
    grid->addWidget(energyUnitBox, 1, 2);
    connect(energyUnitBox, &QComboBox::currentTextChanged, this, &AttenuationWindow::unitChanged);

    m_offeredModel = new QStringListModel(this);
    materialCompleter = new QCompleter(m_offeredModel, this);
    materialCompleter->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    materialCompleter->setWidget(layersEdit);
    connect(layersEdit, &QLineEdit::textEdited, this, &AttenuationWindow::offerCompletions);
    connect(materialCompleter, qOverload<const QString&>(&QCompleter::activated), this,
            &AttenuationWindow::complete);
    computeButton = new QPushButton("Compute", this);
    computeButton->setObjectName("computeButton");
    saveButton = new QPushButton("Save table as CSV", this);
    saveButton->setObjectName("saveButton");
    shieldingButton = new QPushButton("Shielding...", this);
    shieldingButton->setObjectName("shieldingButton");
    shieldingButton->setToolTip("Dose rate of a radionuclide behind these layers, with buildup "
                                "(Ctrl+Shift+S)");
    shieldingButton->setShortcut(QKeySequence("Ctrl+Shift+S"));
    // The unit only changes how the first layer's total is shown; cm2/g adds no row.
    grid->addWidget(new QLabel("Coefficients in", this), 3, 0);
    coefficientUnitBox = new QComboBox(this);
    coefficientUnitBox->setObjectName("coefficientUnitBox");
    coefficientUnitBox->addItems({"cm2/g", "barn/atom", "1/cm", "µm", "mm", "cm"});
    coefficientUnitBox->setToolTip("barn/atom: per atom, or per formula unit of a formula; a "
                                   "length gives the attenuation length 1/mu");
    grid->addWidget(coefficientUnitBox, 3, 1);
    withoutCoherentBox = new QCheckBox("also without coherent", this);
    withoutCoherentBox->setObjectName("withoutCoherentBox");
    grid->addWidget(withoutCoherentBox, 3, 2);
    grid->addWidget(shieldingButton, 4, 0);
    grid->addWidget(computeButton, 4, 1);
    grid->addWidget(saveButton, 4, 2);
    notesLabel = new QLabel(this);
    notesLabel->setObjectName("notesLabel");
    notesLabel->hide();
    grid->addWidget(notesLabel, 5, 0, 1, 3);
    resultTable = new QTableWidget(0, 3, this);
    resultTable->setObjectName("resultTable");
    resultTable->setHorizontalHeaderLabels({"Quantity", "Value", "Unit"});
    resultTable->horizontalHeader()->setStretchLastSection(true);
    resultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultTable->setMinimumHeight(300);
    resultTable->verticalHeader()->setDefaultSectionSize(22);
    resultTable->resizeColumnsToContents();
    grid->addWidget(resultTable, 6, 0, 1, 3);
    transmissionPlot = new QtCanvas(kPlotWidth, kPlotHeight, this);
    transmissionPlot->setObjectName("transmissionPlot");
    grid->addWidget(transmissionPlot, 7, 0, 1, 3);
    layersButton = new QPushButton("Layer by layer...", this);
    layersButton->setObjectName("layersButton");
    layersButton->setToolTip("What each layer takes out of the beam at an angle, a sensor's "
                             "efficiency and the lead equivalence (Ctrl+Shift+L)");
    layersButton->setShortcut(QKeySequence("Ctrl+Shift+L"));
    grid->addWidget(layersButton, 8, 0);
    connect(layersButton, &QPushButton::clicked, this, [this] {
        if (layersWindow == nullptr) {
            layersWindow = new LayersWindow(m_context, this);
        }
        layersWindow->ShowFor(layersEdit->text(), energyEdit->text(), energyUnitBox->currentText());
    });
    connect(computeButton, &QPushButton::clicked, this, &AttenuationWindow::Compute);
    connect(saveButton, &QPushButton::clicked, this, &AttenuationWindow::SaveCsv);
    connect(shieldingButton, &QPushButton::clicked, this,
            [this] { emit ShieldingRequested(layersEdit->text()); });
    // Enter on a name highlighted in the list of names chooses it and computes nothing yet.
    connect(layersEdit, &QLineEdit::returnPressed, this, [this] {
        const QAbstractItemView* names = materialCompleter->popup();
        if (!names->isVisible() || !names->currentIndex().isValid()) {
            Compute();
        }
    });
    connect(energyEdit, &QLineEdit::returnPressed, this, &AttenuationWindow::Compute);
}

void AttenuationWindow::ShowFor(const std::string& dataPath) {
    readOffers();
    if (!dataPath.empty() && layersEdit->text().toStdString().rfind(dataPath + "@", 0) != 0) {
        layersEdit->setText(QString::fromStdString(dataPath + "@1"));
    }
    show();
    raise();
    if (!layersEdit->text().isEmpty()) {
        Compute();
    }
}

void AttenuationWindow::Compute() {
    std::string problem;
    m_rows.clear();
    if (!compute(problem)) {
        m_rows.clear();
        showProblem(problem);
        m_context.dialogs.Message(" " + problem + " ");
        return;
    }
    showRows();
}

void AttenuationWindow::unitChanged(const QString& unit) {
    // The typed energy in the new unit, the same double; a text that is no number stays.
    const std::string typed = energyEdit->text().trimmed().toStdString();
    if (const auto energy = attenuation::EnergyInOtherUnit(typed, unit == "keV")) {
        energyEdit->setText(QString::fromStdString(*energy));
    }
    // A table on the screen is shown again in the new unit.
    if (!m_rows.empty()) {
        Compute();
    }
}

void AttenuationWindow::showProblem(const std::string& problem) {
    showRows();
    resultTable->setRowCount(1);
    resultTable->setSpan(0, 0, 1, 3);
    auto* item = new QTableWidgetItem(QString::fromStdString("Not computed: " + problem));
    item->setToolTip(QString::fromStdString(problem)); // the whole text where the row cuts it
    resultTable->setItem(0, 0, item);
    attenuation::DrawNoTransmission(
        *transmissionPlot,
        "No transmission to show: the layers or the energy have a problem (see the table).");
}

template <typename Add>
void AttenuationWindow::addTotalsInUnit(const attenuation::TypedLayer& layer, double energyMeV,
                                        Add add) const {
    const std::string unitText = coefficientUnitBox->currentText().toStdString();
    const bool withoutCoherent = withoutCoherentBox->isChecked();
    std::string problem;
    const std::optional<attenuation::CoefficientUnit> unit =
        attenuation::ReadCoefficientUnit(unitText, problem);
    if (!unit ||
        (unit->kind == attenuation::CoefficientKind::MassAttenuation && !withoutCoherent)) {
        return;
    }
    const bool length = unit->kind == attenuation::CoefficientKind::Length;
    const std::string what = length ? "attenuation length" : "total";
    const std::string of = " of " + layer.material->name;
    const std::optional<attenuation::CoefficientScale> scale = attenuation::ScaleFor(
        *unit, *layer.material, layer.density, m_context.root, problem, "MATERIAL@CM@DENSITY");
    calc::CoefficientSet set;
    if (!scale) {
        add(what + of, problem, "");
    } else if (calc::CoefficientsAtEnergy(layer.material->table, energyMeV, set) ==
               calc::CalcStatus::Ok) {
        add(what + of, number(scale->Apply(set.total)), std::string(unit->name));
        if (withoutCoherent) {
            add(what + " without coherent" + of,
                number(scale->Apply(attenuation::TotalWithoutCoherent(set))),
                std::string(unit->name));
        }
    }
}

bool AttenuationWindow::compute(std::string& problem) {
    const std::filesystem::path& root = m_context.root;
    const std::string layersText = layersEdit->text().toStdString();
    std::vector<attenuation::TypedLayer> parsed;
    notesLabel->hide();
    for (const std::string_view word : attenuation::SplitLayerList(layersText)) {
        parsed.emplace_back();
        if (!attenuation::ReadTypedLayer(root, word, parsed.back(), problem)) {
            return false;
        }
    }
    const std::string notes = attenuation::NotesText(parsed);
    notesLabel->setText(QString::fromStdString(notes));
    notesLabel->setVisible(!notes.empty());
    if (parsed.empty()) {
        problem = "Name at least one layer, such as Pb@0.5 or Water_Liquid@10.";
        return false;
    }
    std::vector<attenuation::Layer> layers;
    for (const attenuation::TypedLayer& p : parsed) {
        layers.push_back({&p.material->table, p.density, p.thickness});
    }
    attenuation::AbsorptionLibrary absorption(root);
    std::string error;
    const auto airComposition = attenuation::FindComposition(root, attenuation::kDryAirPath, error);
    const auto air = airComposition ? attenuation::MixAbsorption(*airComposition, absorption, error)
                                    : std::nullopt;
    const auto add = [&](const std::string& quantity, const std::string& value,
                         const std::string& unit) {
        m_rows.push_back({quantity, value, unit});
    };

    const std::string spectrumFile = spectrumEdit->text().trimmed().toStdString();
    if (!spectrumFile.empty()) {
        std::string text;
        std::vector<attenuation::SpectrumBin> bins;
        attenuation::SpectrumProblem where;
        attenuation::SpectrumTransmission through;
        attenuation::HalfValueLayers hvl;
        const std::filesystem::path file = std::filesystem::path(spectrumFile).is_absolute()
                                               ? std::filesystem::path(spectrumFile)
                                               : root / spectrumFile;
        if (!data::ReadWholeFile(file, text)) {
            problem = spectrumFile + " cannot be read.";
            return false;
        }
        if (!air) {
            problem = error;
            return false;
        }
        if (!attenuation::ReadSpectrum(text, bins, where) ||
            !attenuation::TransmitSpectrum(bins, layers, *air, through, where) ||
            !attenuation::SpectrumHalfValueLayers(bins, layers.back(), *air, hvl, where)) {
            problem = spectrumFile + ", " + attenuation::DescribeSpectrumProblem(where);
            return false;
        }
        add("fluence transmission", number(through.fluence), "");
        add("air kerma transmission", number(through.airKerma), "");
        const bool keV = energyUnitBox->currentText() == "keV";
        const auto energy = [&](double mev) { return number(keV ? mev * 1000.0 : mev); };
        add("mean energy in", energy(through.meanEnergyInMeV), keV ? "keV" : "MeV");
        add("mean energy out", energy(through.meanEnergyOutMeV), keV ? "keV" : "MeV");
        const std::string in = " in " + parsed.back().material->name;
        add("first HVL" + in, number(hvl.first), "cm");
        add("second HVL" + in, number(hvl.second), "cm");
        add("homogeneity coefficient", number(hvl.homogeneity), "");
    } else {
        const std::string typed = energyEdit->text().trimmed().toStdString();
        const bool keV = energyUnitBox->currentText() == "keV";
        const std::optional<double> energy =
            keV ? attenuation::ReadKeVAsMeV(typed) : attenuation::ReadNumberField(typed);
        if (!energy) {
            problem = std::string("The energy is not a number of ") + (keV ? "keV." : "MeV.");
            return false;
        }
        double muX = 0.0;
        std::vector<double> each;
        const attenuation::Outcome stack = attenuation::StackAt(layers, *energy, muX, &each);
        if (stack != attenuation::Outcome::Ok) {
            problem = attenuation::DescribeOutcome(stack, *energy) + ".";
            return false;
        }
        for (std::size_t i = 0; i < parsed.size() && parsed.size() > 1; ++i) {
            add("mu x of " + parsed[i].word, number(each[i]), "");
        }
        add("mu x", number(muX), "");
        add("transmission", number(std::exp(-muX)), "");
        // The quantities of the first layer's material.
        const attenuation::TypedLayer& first = parsed.front();
        attenuation::HalfValueRow hv;
        attenuation::HalfValueAt(first.material->table, first.density, *energy, hv);
        double muRho = 0.0;
        attenuation::MassAttenuation(first.material->table, *energy, muRho);
        const std::string of = " of " + first.material->name;
        add("mu/rho" + of, number(muRho), "cm2/g");
        addTotalsInUnit(first, *energy, add);
        add("mu" + of, number(hv.mu), "1/cm");
        add("HVL", number(hv.hvl), "cm");
        add("TVL", number(hv.tvl), "cm");
        add("mean free path", number(hv.mfp), "cm");
        const std::optional<attenuation::Composition> composition = compositionOf(*first.material);
        const auto waterComposition =
            attenuation::FindComposition(root, attenuation::kWaterPath, error);
        const auto mix = composition ? attenuation::MixAbsorption(*composition, absorption, error)
                                     : std::nullopt;
        const auto water = waterComposition
                               ? attenuation::MixAbsorption(*waterComposition, absorption, error)
                               : std::nullopt;
        attenuation::AbsorptionRow row;
        const attenuation::Outcome outcome =
            mix && air && water ? attenuation::AbsorptionAt(first.material->table,
                                                            {*mix, *air, *water}, *energy, row)
                                : attenuation::Outcome::CalculationError;
        if (!composition) {
            add("mu_en/rho", "composition not known", "");
        } else if (outcome != attenuation::Outcome::Ok) {
            add("mu_en/rho",
                outcome == attenuation::Outcome::NoAbsorptionData ? "no energy-absorption data"
                                                                  : "calculation error",
                "");
        } else {
            add("mu_en/rho" + of, number(row.muEnRho), "cm2/g");
            add("kerma ratio to air", number(row.kermaRatioAir), "");
            add("kerma ratio to water", number(row.kermaRatioWater), "");
        }
        attenuation::ElementLibrary elements(root);
        const auto parts =
            composition ? attenuation::ElementsOf(*composition, elements, error) : std::nullopt;
        attenuation::EffectiveZRow z;
        if (parts && attenuation::EffectiveZAt(*parts, *energy, z) == attenuation::Outcome::Ok) {
            add("Zeff", number(z.zeff), "");
            add("Neff", number(z.neff), "electrons/g");
        }
    }

    attenuation::DrawTransmissionPlot(*transmissionPlot, layers);
    return true;
}

void AttenuationWindow::showRows() {
    resultTable->clearSpans();
    resultTable->setRowCount(static_cast<int>(m_rows.size()));
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        for (std::size_t col = 0; col < 3; ++col) {
            resultTable->setItem(static_cast<int>(r), static_cast<int>(col),
                                 new QTableWidgetItem(QString::fromStdString(m_rows[r][col])));
        }
    }
    resultTable->resizeColumnsToContents();
    saveButton->setEnabled(!m_rows.empty());
}

void AttenuationWindow::SaveCsv() {
    if (m_rows.empty()) {
        return;
    }
    const std::string name = m_context.dialogs.InputBox(
        "File name for the table (CSV):", "Attenuation", "attenuation.csv");
    if (name.empty()) {
        return;
    }
    std::string text = "quantity,value,unit\r\n";
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

void AttenuationWindow::readOffers() {
    m_offers.clear();
    const std::filesystem::path& root = m_context.root;
    for (const std::string& file : platform::ListFiles(root / "ele", "*.ele")) {
        // Element files are named by atomic number and symbol: 082_Pb.ele.
        const std::size_t underscore = file.find('_');
        const std::size_t dot = file.rfind('.');
        if (underscore == std::string::npos || dot <= underscore + 1) {
            continue;
        }
        const QString symbol =
            QString::fromStdString(file.substr(underscore + 1, dot - underscore - 1));
        const QString name = firstLine(root / "ele" / file);
        m_offers.push_back({name.isEmpty() ? symbol : name + " (" + symbol + ")",
                            {symbol.toLower(), name.toLower()},
                            symbol});
    }
    // A material is inserted by its file name without extension, or by its path when another
    // category holds a file of the same name.
    std::vector<std::string> files;
    std::map<std::string, int> stems;
    for (const char* pattern : {"*.mix1", "*.mix2", "*.mix3"}) {
        for (const std::string& file : platform::ListFiles(root / "mix", pattern)) {
            files.push_back(file);
            ++stems[file.substr(0, file.rfind('.'))];
        }
    }
    for (const std::string& file : files) {
        const std::string stem = file.substr(0, file.rfind('.'));
        const QString inserted = QString::fromStdString(stems[stem] > 1 ? "mix/" + file : stem);
        const QString name = firstLine(root / "mix" / file);
        m_offers.push_back({name.isEmpty() ? inserted : name + " (" + inserted + ")",
                            {name.toLower(), QString::fromStdString(stem).toLower()},
                            inserted});
    }
    std::sort(m_offers.begin(), m_offers.end(),
              [](const Offer& a, const Offer& b) { return a.shown < b.shown; });
}

void AttenuationWindow::offerCompletions() {
    const QString text = layersEdit->text();
    const qsizetype cursor = layersEdit->cursorPosition();
    const qsizetype start = wordStart(text, cursor);
    const QString typed = text.mid(start, cursor - start);
    // Only a material being named is completed: not a thickness, a density or an expression.
    m_offered.clear();
    if (!typed.isEmpty() && !typed.contains('@') && !typed.contains(':') && !typed.contains('=')) {
        const QString prefix = typed.toLower();
        for (const Offer& offer : m_offers) {
            if (std::any_of(offer.keys.begin(), offer.keys.end(),
                            [&](const QString& key) { return key.startsWith(prefix); })) {
                m_offered.push_back(offer.shown);
            }
        }
    }
    m_offeredModel->setStringList(m_offered);
    if (m_offered.isEmpty()) {
        materialCompleter->popup()->hide();
        return;
    }
    materialCompleter->complete();
}

void AttenuationWindow::complete(const QString& shown) {
    const auto offer = std::find_if(m_offers.begin(), m_offers.end(),
                                    [&](const Offer& o) { return o.shown == shown; });
    if (offer == m_offers.end()) {
        return;
    }
    // The chosen name replaces the whole word at the cursor, up to its '@' or its end.
    QString text = layersEdit->text();
    const qsizetype start = wordStart(text, layersEdit->cursorPosition());
    qsizetype end = start;
    while (end < text.size() && !QString(" \t,;@").contains(text[end])) {
        ++end;
    }
    text.replace(start, end - start, offer->inserted);
    layersEdit->setText(text);
    layersEdit->setCursorPosition(static_cast<int>(start + offer->inserted.size()));
}

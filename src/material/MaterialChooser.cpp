#include "material/MaterialChooser.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

MaterialChooser::MaterialChooser(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Materials");
    setModal(false);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Search", this), 0, 0);
    searchEdit = new QLineEdit(this);
    searchEdit->setObjectName("searchEdit");
    searchEdit->setPlaceholderText("steel 304, kapton, concrete, scintillator...");
    searchEdit->setClearButtonEnabled(true);
    grid->addWidget(searchEdit, 0, 1, 1, 2);
    choiceTable = new QTableWidget(0, 4, this);
    choiceTable->setObjectName("choiceTable");
    choiceTable->setHorizontalHeaderLabels({"Material", "Density (g/cm3)", "From", "Also named"});
    choiceTable->horizontalHeader()->setStretchLastSection(true);
    choiceTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    choiceTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    choiceTable->setSelectionMode(QAbstractItemView::SingleSelection);
    choiceTable->verticalHeader()->setVisible(false);
    choiceTable->verticalHeader()->setDefaultSectionSize(22);
    choiceTable->setMinimumSize(720, 420);
    grid->addWidget(choiceTable, 1, 0, 1, 3);
    countLabel = new QLabel(this);
    countLabel->setObjectName("countLabel");
    grid->addWidget(countLabel, 2, 0, 1, 2);
    useButton = new QPushButton("Use", this);
    useButton->setObjectName("useButton");
    useButton->setDefault(true);
    grid->addWidget(useButton, 2, 2);
    grid->setColumnStretch(1, 1);
    connect(searchEdit, &QLineEdit::textChanged, this, &MaterialChooser::filter);
    connect(searchEdit, &QLineEdit::returnPressed, this, &MaterialChooser::use);
    connect(useButton, &QPushButton::clicked, this, &MaterialChooser::use);
    connect(choiceTable, &QTableWidget::cellDoubleClicked, this, &MaterialChooser::use);
}

MaterialChooser* MaterialChooser::ForLayers(QWidget* window, QLineEdit* layers,
                                            const std::filesystem::path& root,
                                            QPushButton*& button) {
    button = new QPushButton("Materials...", window);
    button->setObjectName("materialsButton");
    button->setToolTip("Search the library's and the compendium's materials");
    auto* chooser = new MaterialChooser(window);
    connect(button, &QPushButton::clicked, chooser, [chooser, &root] { chooser->ShowFor(root); });
    connect(chooser, &MaterialChooser::Chosen, layers, [layers](const QString& typed) {
        layers->setText(PlaceMaterial(layers->text(), layers->cursorPosition(), typed));
    });
    return chooser;
}

QString MaterialChooser::PlaceMaterial(const QString& layers, int cursor, const QString& typed) {
    const QString separators = " \t,;";
    qsizetype start = std::clamp<qsizetype>(cursor, 0, layers.size());
    while (start > 0 && !separators.contains(layers[start - 1])) {
        --start;
    }
    qsizetype end = start;
    while (end < layers.size() && !separators.contains(layers[end]) && layers[end] != '@') {
        ++end;
    }
    if (layers.trimmed().isEmpty()) {
        return typed + "@1";
    }
    if (end == start && (end == layers.size() || layers[end] != '@')) {
        QString text = layers;
        while (!text.isEmpty() && separators.contains(text.back())) {
            text.chop(1);
        }
        return text + ", " + typed + "@1";
    }
    QString text = layers;
    const bool thickness = end < layers.size() && layers[end] == '@';
    text.replace(start, end - start, thickness ? typed : typed + "@1");
    return text;
}

void MaterialChooser::ShowFor(const std::filesystem::path& root) {
    m_choices = material::MaterialChoices(*material::CatalogueOf(root));
    filter();
    show();
    raise();
    searchEdit->setFocus();
}

void MaterialChooser::filter() {
    const std::string search = searchEdit->text().toStdString();
    m_shown.clear();
    for (std::size_t i = 0; i < m_choices.size(); ++i) {
        if (material::ChoiceMatches(m_choices[i], search)) {
            m_shown.push_back(i);
        }
    }
    choiceTable->setRowCount(static_cast<int>(m_shown.size()));
    for (int row = 0; row < choiceTable->rowCount(); ++row) {
        const material::MaterialChoice& choice = m_choices[m_shown[static_cast<std::size_t>(row)]];
        const QStringList cells = {
            QString::fromStdString(choice.name),
            choice.density > 0.0 ? QString::number(choice.density, 'g', 6) : QString(),
            choice.compendium ? "compendium" : "library", QString::fromStdString(choice.aliases)};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(QString::fromStdString("Type " + choice.typed));
            choiceTable->setItem(row, column, item);
        }
    }
    choiceTable->resizeColumnToContents(0);
    choiceTable->resizeColumnToContents(1);
    if (!m_shown.empty()) {
        choiceTable->selectRow(0);
    }
    countLabel->setText(QString("%1 of %2 materials").arg(m_shown.size()).arg(m_choices.size()));
    useButton->setEnabled(!m_shown.empty());
}

void MaterialChooser::use() {
    const int row = choiceTable->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= m_shown.size()) {
        return;
    }
    emit Chosen(QString::fromStdString(m_choices[m_shown[static_cast<std::size_t>(row)]].typed));
}

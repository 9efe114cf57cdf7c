#pragma once

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStringListModel;
class QTableWidget;
class QtCanvas;
class MaterialChooser;
struct AppContext;

namespace shielding {
class ShieldingLibrary;
}

/// The rate of a point source (an inventory of radionuclides, lines or a spectrum file) behind
/// layers, line by line with broad-beam buildup, as air kerma, exposure or H*(10) in a unit of
/// choice, after a decay time and over a stay; each nuclide's share, the rate against the last
/// layer's thickness and against time, the thickness for a target rate, and a look-up of
/// buildup factors with B against penetration.
class ShieldingWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ShieldingWindow(AppContext& context, QWidget* parent = nullptr);
    ~ShieldingWindow() override;

    /// Shows the window with `layers` (MATERIAL@CM words) in its layers box when given, and
    /// computes.
    void ShowFor(const QString& layers);
    /// Computes the table, the total, the thickness (when a target rate is given) and the plot.
    /// A problem is shown in a message box and as the table's only row.
    void Compute();
    /// Looks up the buildup factor and draws B against penetration.
    void LookUpBuildup();
    /// Asks for a file name (relative to the working folder) and writes the line table as CSV.
    void SaveCsv();
    /// Adds a row to the inventory (NUCLIDE, ACTIVITY with its unit) and returns its index.
    int AddInventoryRow(const QString& nuclide = {}, const QString& activity = {});
    /// Removes the inventory's selected row, else its last; the first row always stays.
    void RemoveInventoryRow();

    /// The inventory: one row per nuclide, its name and activity edits as cell widgets (named
    /// nuclideEditN and activityEditN beyond the first row).
    QTableWidget* inventoryTable = nullptr;
    QLineEdit* sourceEdit = nullptr;   ///< the first row: Co-60, lines:E=Y,... or a spectrum file
    QLineEdit* activityEdit = nullptr; ///< the first row's, with its unit: 1 GBq, 10 mCi
    QPushButton* addRowButton = nullptr;
    QPushButton* removeRowButton = nullptr;
    QLineEdit* decayEdit = nullptr;    ///< time since the activities were measured, with its unit
    QLineEdit* stayEdit = nullptr;     ///< with its unit, or empty for none
    QComboBox* quantityBox = nullptr;  ///< air kerma, exposure, H*(10)
    QComboBox* unitBox = nullptr;      ///< the rate units of the quantity
    QLineEdit* distanceEdit = nullptr; ///< with its unit: 1 m, 50 cm
    QLineEdit* layersEdit = nullptr;   ///< MATERIAL@CM[@DENSITY] words
    QComboBox* kindBox = nullptr;      ///< exposure, absorption, none
    QComboBox* ruleBox = nullptr;      ///< broder, last
    QLineEdit* tableEdit = nullptr;    ///< one named buildup table for the whole stack, or empty
    QLineEdit* cutoffEdit = nullptr;   ///< MeV
    QLineEdit* targetEdit = nullptr;   ///< a rate, in the chosen unit when bare, or empty
    QPushButton* materialsButton =
        nullptr; ///< opens the chooser of library and compendium materials
    MaterialChooser* chooser = nullptr;
    QPushButton* computeButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* geometryButton = nullptr; ///< asks for the Geometry window (Ctrl+Shift+G)
    QLabel* notesLabel = nullptr; ///< which material a name was taken for; hidden when none was
    QTableWidget* lineTable = nullptr;
    QLabel* totalLabel = nullptr;
    QLabel* thicknessLabel = nullptr;
    QtCanvas* ratePlot = nullptr;
    QTableWidget* nuclideTable = nullptr; ///< each nuclide's rate, share and dose over the stay
    QtCanvas* decayPlot = nullptr;        ///< the rate against time since the measurement

    QLineEdit* buildupMaterialEdit = nullptr;
    QLineEdit* buildupEnergyEdit = nullptr; ///< MeV
    QLineEdit* buildupMfpEdit = nullptr;
    QComboBox* buildupKindBox = nullptr;
    QPushButton* buildupButton = nullptr;
    QLabel* buildupLabel = nullptr; ///< the factor, and the note on the material's name if any
    QtCanvas* buildupPlot = nullptr;

    /// The rows of the line table as shown, the total last; empty after a problem.
    const std::vector<std::vector<std::string>>& Rows() const { return m_rows; }
    /// The rows of the nuclide table as shown, the total last; empty after a problem.
    const std::vector<std::vector<std::string>>& NuclideRows() const { return m_nuclideRows; }

  signals:
    /// The Geometry window is asked for: sources with a shape behind shields with shapes.
    void GeometryRequested();

  private:
    bool compute(std::string& problem);
    bool lookUpBuildup(std::string& problem);
    void fillUnits();

    AppContext& m_context;
    std::unique_ptr<shielding::ShieldingLibrary> m_library;
    std::vector<std::vector<std::string>> m_rows;
    std::vector<std::vector<std::string>> m_nuclideRows;
    std::vector<std::string> m_columns;         ///< the line table's headers, with the rate unit
    QStringListModel* m_nuclideNames = nullptr; ///< what the source box completes
};

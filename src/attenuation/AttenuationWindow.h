#pragma once

#include <QStringList>
#include <QWidget>

#include <string>
#include <vector>

class QCheckBox;
class LayersWindow;
class QComboBox;
class QCompleter;
class QLabel;
class QLineEdit;
class QPushButton;
class QStringListModel;
class QTableWidget;
class QtCanvas;
class MaterialChooser;
struct AppContext;
namespace attenuation {
struct TypedLayer;
}

/// Attenuation, energy absorption and dose for a material or a stack of layers at one energy or
/// for a spectrum file, with the stack's transmission from 1 keV to 20 MeV on log-log axes.
class AttenuationWindow : public QWidget {
    Q_OBJECT

  public:
    explicit AttenuationWindow(AppContext& context, QWidget* parent = nullptr);

    /// Shows the window with `dataPath` (or a formula) as a 1 cm layer, unless the layers box
    /// already names it, and reads the library's names again for the completion.
    void ShowFor(const std::string& dataPath);
    /// Computes the table and the plot from the boxes. A problem is shown in a message box and
    /// in the table's only row, and the plot is cleared, so that no earlier result stays.
    void Compute();
    /// Asks for a file name (relative to the working folder) and writes the table as CSV.
    void SaveCsv();

    /// MATERIAL@CM[@DENSITY] words, separated by blanks, commas or semicolons
    QLineEdit* layersEdit = nullptr;
    QLineEdit* energyEdit = nullptr;         ///< in the unit of energyUnitBox
    QComboBox* energyUnitBox = nullptr;      ///< keV or MeV, kept while the window lives; a
                                             ///< change converts the typed energy
    QCompleter* materialCompleter = nullptr; ///< offers the library's elements and materials
    QLineEdit* spectrumEdit = nullptr;       ///< a spectrum file; when given it replaces the energy
    /// The unit of the first layer's total coefficient: cm2/g (the table as it always was),
    /// barn/atom, 1/cm, or a length for the attenuation length
    QComboBox* coefficientUnitBox = nullptr;
    QCheckBox* withoutCoherentBox = nullptr; ///< adds the total without coherent scattering
    QPushButton* computeButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* shieldingButton = nullptr; ///< asks for the Shielding window on these layers
    QPushButton* layersButton = nullptr;    ///< opens the layer-by-layer window on these layers
    LayersWindow* layersWindow = nullptr;   ///< made the first time it is asked for
    QPushButton* materialsButton =
        nullptr; ///< opens the chooser of library and compendium materials
    MaterialChooser* chooser = nullptr;
    QLabel* notesLabel = nullptr; ///< which material a name was taken for; hidden when none was
    QTableWidget* resultTable = nullptr;
    QtCanvas* transmissionPlot = nullptr;

  signals:
    /// The Shielding window is asked for, with the layers typed here.
    void ShieldingRequested(const QString& layers);

  public:
    /// The rows shown: quantity, value, unit.
    const std::vector<std::vector<std::string>>& Rows() const { return m_rows; }

  private:
    /// One entry of the completion: what the list shows, the lower-case words it answers to
    /// and the text that goes into the layers box.
    struct Offer {
        QString shown;
        std::vector<QString> keys;
        QString inserted;
    };

    bool compute(std::string& problem);
    void unitChanged(const QString& unit);
    /// The rows of the first layer's total in the unit box's unit, and without coherent
    /// scattering when the box is ticked; none for cm2/g alone.
    template <typename Add>
    void addTotalsInUnit(const attenuation::TypedLayer& layer, double energyMeV, Add add) const;
    void showRows();
    void showProblem(const std::string& problem);
    void readOffers();
    void offerCompletions();
    void complete(const QString& shown);

    AppContext& m_context;
    std::vector<std::vector<std::string>> m_rows;
    std::vector<Offer> m_offers;
    QStringList m_offered; ///< the shown texts of the list open now
    QStringListModel* m_offeredModel = nullptr;
};

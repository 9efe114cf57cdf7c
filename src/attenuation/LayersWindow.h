#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QtCanvas;
struct AppContext;
namespace attenuation {
struct TypedLayer;
}
namespace material {
struct ResolvedMaterial;
}

/// A stack layer by layer at one energy and angle of incidence: what each layer takes out of the
/// beam (interacted, photo-absorbed, energy deposited) and lets through, the thickness of a
/// reference material (lead unless another is named) that transmits the same, at this energy and
/// against energy, and the efficiency of one layer, the sensor, against energy. Opened from the
/// Attenuation window.
class LayersWindow : public QWidget {
    Q_OBJECT

  public:
    explicit LayersWindow(AppContext& context, QWidget* parent = nullptr);

    /// Shows the window for these layers (MATERIAL@CM[@DENSITY] words) and energy, and computes.
    void ShowFor(const QString& layers, const QString& energy, const QString& unit);
    /// Computes the table, the equivalence and the plot; a problem is shown in the table's only
    /// row and in the plot, so that no earlier result stays.
    void Compute();

    QLineEdit* layersEdit = nullptr;
    QLineEdit* energyEdit = nullptr;
    QComboBox* energyUnitBox = nullptr; ///< keV or MeV
    QLineEdit* angleEdit = nullptr;     ///< degrees from the normal, 0 up to 90
    QLineEdit* sensorEdit = nullptr;    ///< 1 for the first layer; empty for the last
    QLineEdit* referenceEdit = nullptr; ///< the material of the equivalent thickness
    QPushButton* computeButton = nullptr;
    QLabel* notesLabel = nullptr; ///< which material a name was taken for; hidden when none was
    QTableWidget* shareTable = nullptr;
    QLabel* equivalentLabel = nullptr;
    QtCanvas* efficiencyPlot = nullptr;
    QtCanvas* equivalencePlot = nullptr; ///< the equivalent thickness against energy

    /// The rows shown: layer, interacted, photo-absorbed, deposited, transmitted.
    const std::vector<std::vector<std::string>>& Rows() const { return m_rows; }

  private:
    bool compute(std::string& problem);
    void showNotes(const std::vector<attenuation::TypedLayer>& layers,
                   const material::ResolvedMaterial* reference);

    AppContext& m_context;
    std::vector<std::vector<std::string>> m_rows;
};

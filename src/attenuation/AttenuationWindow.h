#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QLineEdit;
class QPushButton;
class QTableWidget;
class QtCanvas;
struct AppContext;

/// Attenuation, energy absorption and dose for a material or a stack of layers at one energy or
/// for a spectrum file, with the stack's transmission from 1 keV to 20 MeV on log-log axes.
class AttenuationWindow : public QWidget {
    Q_OBJECT

  public:
    explicit AttenuationWindow(AppContext& context, QWidget* parent = nullptr);

    /// Shows the window with `dataPath` (or a formula) as a 1 cm layer, unless the layers box
    /// already names it.
    void ShowFor(const std::string& dataPath);
    /// Computes the table and the plot from the boxes; a problem is shown in a message box and
    /// leaves the table empty.
    void Compute();
    /// Asks for a file name (relative to the working folder) and writes the table as CSV.
    void SaveCsv();

    QLineEdit* layersEdit = nullptr;   ///< MATERIAL@CM[@DENSITY] words, separated by blanks
    QLineEdit* energyEdit = nullptr;   ///< MeV
    QLineEdit* spectrumEdit = nullptr; ///< a spectrum file; when given it replaces the energy
    QPushButton* computeButton = nullptr;
    QPushButton* saveButton = nullptr;
    QTableWidget* resultTable = nullptr;
    QtCanvas* transmissionPlot = nullptr;

    /// The rows shown: quantity, value, unit.
    const std::vector<std::vector<std::string>>& Rows() const { return m_rows; }

  private:
    bool compute(std::string& problem);
    void showRows();

    AppContext& m_context;
    std::vector<std::vector<std::string>> m_rows;
};

#pragma once

#include <QWidget>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThread;
class QtCanvas;
struct AppContext;

namespace shielding {
class ShieldingLibrary;
}
namespace geometry {
struct DetectorResult;
struct ModelSpec;
struct PreparedModel;
} // namespace geometry

/// A shielding model: a source with a shape, shields with shapes, detectors and a dose map. The
/// model file's JSON is the one truth; the form above it edits its common fields in place. The
/// side and top views, the results per detector and line, the notes and the dose map come from
/// the geometry core; the computation runs on a thread of its own and can be cancelled.
class GeometryWindow : public QWidget {
    Q_OBJECT

  public:
    explicit GeometryWindow(AppContext& context, QWidget* parent = nullptr);
    ~GeometryWindow() override;

    /// The names of the worked examples, in the order of the examples box.
    static const std::vector<std::string>& ExampleNames();
    /// The JSON of a worked example; empty for a name not listed.
    static std::string ExampleText(const std::string& name);

    /// Shows the window; the first time with the first worked example in the editor.
    void ShowWindow();
    /// Reads and prepares the model in the editor, draws its views and starts the computation.
    /// A refused model keeps the results shown and says why in a message box.
    void Compute();
    /// Stops the computation; the detectors done are kept out of the table.
    void Cancel();
    /// Asks for a file name (relative to the working folder) and reads it into the editor.
    void OpenModel();
    /// Asks for a file name and writes the editor's text, aside then renamed over the old file.
    void SaveModel();
    /// True while a computation runs.
    bool Busy() const { return m_thread != nullptr; }

    QComboBox* exampleBox = nullptr;
    QPushButton* openButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPlainTextEdit* modelEdit = nullptr; ///< the model file's JSON
    QLineEdit* nuclidesEdit = nullptr;   ///< "Co-60 1 GBq, Cs-137 10 mCi"
    QLineEdit* fillerEdit = nullptr;     ///< the material around the bodies, or empty
    QLineEdit* detectorsEdit = nullptr;  ///< "x y z; x y z" in cm
    QLineEdit* accuracyEdit = nullptr;
    QPushButton* computeButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QProgressBar* progressBar = nullptr;
    QLabel* statusLabel = nullptr; ///< the refusal, or what was computed
    /// Each detector's total in mR/h, then how names were taken and the buildup notes.
    QPlainTextEdit* notesText = nullptr;
    QTableWidget* resultTable = nullptr;
    QtCanvas* sideView = nullptr; ///< along y: x across, z up
    QtCanvas* topView = nullptr;  ///< along z: x across, y up
    QtCanvas* mapView = nullptr;  ///< the dose map, when the model has one

    /// The result table's rows as shown; kept when a model is refused.
    const std::vector<std::vector<std::string>>& Rows() const { return m_rows; }

  signals:
    /// A computation ended, finished or cancelled, and its results are shown.
    void Computed();

  private:
    struct Run;
    void finish();
    void showResults(const Run& run);
    void fillForm();
    void applyForm();

    AppContext& m_context;
    std::unique_ptr<shielding::ShieldingLibrary> m_library;
    std::shared_ptr<Run> m_run;
    QThread* m_thread = nullptr;
    std::vector<std::vector<std::string>> m_rows;
    bool m_filling = false; ///< the form is being filled from the JSON
};

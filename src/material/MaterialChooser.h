#pragma once

#include "material/Catalogue.h"

#include <QDialog>

#include <filesystem>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

/// A searchable list of the library's materials and the compendium's, reached from the
/// Attenuation and Shielding windows: typed words narrow the list to the materials with a word
/// of their name, file name or aliases beginning with each; Use (or Enter, or a double click)
/// hands the chosen material's one-word name to the window. Shown without blocking.
class MaterialChooser : public QDialog {
    Q_OBJECT

  public:
    explicit MaterialChooser(QWidget* parent = nullptr);

    /// The layers text with `typed` as the material of the layer at `cursor` (its thickness and
    /// density kept; "@1" added where it has none), or as a new layer "typed@1" after the last
    /// one when the cursor stands after a separator or the text is empty.
    static QString PlaceMaterial(const QString& layers, int cursor, const QString& typed);

    /// A "Materials..." button for a window's layers box, made into `button`, and the chooser it
    /// opens on the materials of `root` (which must outlive the window); the material chosen goes
    /// into `layers` at its cursor. Both belong to `window`.
    static MaterialChooser* ForLayers(QWidget* window, QLineEdit* layers,
                                      const std::filesystem::path& root, QPushButton*& button);

    /// Lists the materials of `root`, the search kept as it was.
    void ShowFor(const std::filesystem::path& root);

    QLineEdit* searchEdit = nullptr;
    QTableWidget* choiceTable = nullptr; ///< name, density (g/cm3), source, aliases
    QLabel* countLabel = nullptr;
    QPushButton* useButton = nullptr;

  signals:
    /// A material was chosen: what to type for it ("Water_Liquid", "Steel_Stainless_304").
    void Chosen(const QString& typed);

  private:
    void filter();
    void use();

    std::vector<material::MaterialChoice> m_choices;
    std::vector<std::size_t> m_shown; ///< the choices of the table's rows
};

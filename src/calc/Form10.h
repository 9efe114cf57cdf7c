#pragma once

#include <QWidget>

#include <array>

struct AppContext;
namespace data {
struct MaterialTable;
}
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

/// The calculator: the loaded table as a list of its rows, seven value boxes, and the look-ups
/// of the six coefficients at a typed energy and of the energy at a typed total.
class Form10 : public QWidget {
    Q_OBJECT

  public:
    explicit Form10(AppContext& context, QWidget* parent = nullptr);
    /// Empties and disables the value boxes and their captions until the first load.
    void PrepareAtStartup();
    /// For a new table: empties the value boxes, enables them and their captions, and replaces
    /// the list with one line per row (a blank, then the row's text as read), shown from its top.
    void ShowTable(const data::MaterialTable& table);
    /// Selects list line `index` (0 for row 1) and shows that row, even when the line was
    /// selected already. Does nothing for a line the list does not hold.
    void SelectListRow(int index);

    /// The arrow of the energy row: empties the seven boxes and puts the focus in Text3.
    void Form10_Command1_Click();
    /// The arrow of the total row: empties the seven boxes and puts the focus in Text4.
    void Form10_Command3_Click();
    /// A key typed in the energy box; Enter (13) computes the six coefficients at that energy.
    void Form10_Text3_KeyPress(int keyAscii);
    /// A key typed in the total box; Enter (13) finds the energy where the total takes it.
    void Form10_Text4_KeyPress(int keyAscii);
    /// A list line was selected: shows that row and marks its energy on the graph window.
    void Form10_List1_Click();
    /// Opens the CSV save window.
    void Form10_Command5_Click();

    QLabel* Picture2;
    QLabel* Label1;
    QListWidget* List1;
    std::array<QLabel*, 5> Label17{}; ///< "cm" over each coefficient column, indices 0..4
    std::array<QLabel*, 5> Label19{}; ///< the small "2"
    std::array<QLabel*, 5> Label18{}; ///< "/g"
    QLabel* Label11;
    QPushButton* Command1;
    QLineEdit* Text3; ///< photon energy, MeV
    QLabel* Label26;
    QLabel* Label25;
    QLineEdit* Text5; ///< coherent scattering
    QLabel* Label6;
    QLabel* Label28;
    QLineEdit* Text6; ///< incoherent scattering
    QLabel* Label5;
    QLabel* Label29;
    QLineEdit* Text7; ///< photo-electric absorption
    QLabel* Label4;
    QLabel* Label30;
    QLineEdit* Text8; ///< pair production in the nuclear field
    QLabel* Label3;
    QLabel* Label31;
    QLineEdit* Text9; ///< pair production in the electron field
    QLabel* Label2;
    QLabel* Label32;
    QPushButton* Command3;
    QLineEdit* Text4; ///< total mass attenuation coefficient
    QLabel* Label35;
    QPushButton* Command5;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* MakeHeadings(double textLeft, double charWidth);
    std::array<QLineEdit*, 7> ValueBoxes() const;
    std::array<QLabel*, 7> QuantityLabels() const;
    void EmptyValueBoxes();
    void SetValuesEnabled(bool enabled);
    /// Marks an energy and a total on the graph window's cross-hair lines.
    void PlaceMarkers(double energyMeV, double total);

    AppContext& m_context;
};

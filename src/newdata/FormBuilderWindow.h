#pragma once

#include "newdata/Builder.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct AppContext;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class PatternFileList;

/// What the compound and the mixture builder windows share: the fields above the slots, the
/// element list, the category buttons, and the protocol of first OK, slot assignment, build and
/// leaving. Each window adds its own slot controls and names its handlers after them.
class BuilderWindow : public QWidget {
    Q_OBJECT

  public:
    QLabel* Label1;
    QLineEdit* Text1;
    QLabel* Label6;
    QLineEdit* Text13;
    QLabel* Label7;
    QLineEdit* Text14;
    QLabel* Label14;
    QLabel* Label2;
    QLineEdit* Text2;
    QPushButton* Command3;
    PatternFileList* File1;
    QLabel* Label4;
    QLabel* Label5;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QPushButton* Command1;
    QPushButton* Command2;
    QLabel* Label3;
    QFrame* Picture1;
    QFrame* Line1;

    /// Lists the element files ("*.ele") of `folder` in File1; the list keeps no selection.
    void SetElementFolder(const std::filesystem::path& folder);

    /// The state a fresh use of the builder starts from: default name and density, empty file
    /// name, count and slot boxes, second OK disabled. The slot table is the chooser's to clear.
    void PrepareForNewData();

  protected:
    /// Texts and rules that tell the two builders apart.
    struct Flavour {
        newdata::BuilderKind kind;
        QString caption;
        QString heading;
        QString defaultName;       ///< Text13 after a reset
        QString amountHeading;     ///< caption of the amount column
        std::string amountPrompt;  ///< prompt of the amount input box
        bool amountMustBePositive; ///< reject answers of 0 or less
        std::string noFileNameMessage;
    };

    /// One numbered row: its label, the element box and the amount box.
    struct SlotRow {
        QLabel* number = nullptr;
        QLineEdit* element = nullptr;
        QLineEdit* amount = nullptr;
    };

    /// Labels a builder names differently: count limit, list and instruction labels, the "No."
    /// heading and the category label.
    struct OwnLabels {
        QLabel* countLimit;
        QLabel* selectElement;
        QLabel* clickTarget;
        QLabel* numberHeading;
        QLabel* category;
    };

    BuilderWindow(AppContext& context, Flavour flavour, QWidget* parent);

    /// Creates slot `k` (label captioned k, element box, amount box, all hidden), hands the
    /// controls back through the references and names each after its reference's name.
    void MakeSlot(int k, QLabel*& label, const char* labelName, QLineEdit*& element,
                  const char* elementName, QLineEdit*& amount, const char* amountName);
    /// A label of this window with its objectName and caption.
    QLabel* MakeLabel(const char* name, const QString& caption);
    /// Arranges every control once all slots are made.
    void ArrangeControls(const OwnLabels& own);

    /// Calls `handler` when `widget` is clicked with the left button.
    void OnClick(QWidget* widget, std::function<void()> handler);
    /// Calls `handler` with the key code (Enter is 13) of every key pressed in `widget`; Enter
    /// goes no further, other keys reach the widget as usual.
    void OnKeyDown(QWidget* widget, std::function<void(int)> handler);

    /// First OK: checks name, density and count, then reveals the slots up to the count.
    void AcceptFields();
    /// Puts File1's selected element into slot `k`, then asks its amount.
    void AssignElement(int k);
    /// Asks the amount of slot `k`; the box shows the answer, the slot table the accepted value.
    void AskAmount(int k);
    /// Second OK: builds from the slot table and writes the material file.
    void BuildAndSave();
    /// Enter (13) moves the focus on from `from`: name to density to count to first OK, and
    /// file name to second OK while that is enabled. Other keys do nothing here.
    void MoveFocusOnEnter(QWidget* from, int keyCode);
    /// Cancel: slots and window hidden, main window shown.
    void Leave();

    /// The builder's single report of a failed build or save.
    virtual void ShowBuildError() = 0;

    bool eventFilter(QObject* watched, QEvent* event) override;

    AppContext& m_context;
    std::vector<SlotRow> m_slots; ///< 1-based; index 0 unused

  private:
    /// Every step of the second OK that can fail; the written path is in the result.
    newdata::BuildResult BuildAndWrite();
    void HideSlots();

    Flavour m_flavour;
    std::map<QObject*, std::function<void()>> m_clickHandlers;
    std::map<QObject*, std::function<void(int)>> m_keyHandlers;
};

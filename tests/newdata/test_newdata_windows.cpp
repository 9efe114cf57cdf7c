// The new-data windows driven headless: the chooser, the compound and the mixture builder, with
// scripted dialogs and a working folder holding two small element files.

#include "app/AppContext.h"
#include "app/Form1.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestSupport.h"
#include "newdata/BuilderState.h"
#include "newdata/Form4.h"
#include "newdata/Form5.h"
#include "newdata/Form6.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Hydrogen and oxygen with made-up but well-behaved values; together they give the grid
// 1E-3, 5E-3, 1E-2, 1E-1, 1 MeV. Pair columns stay 0.
const char* const kHydrogen = "Hydrogen\r\n8.375E-05\r\n4\r\n"
                              "1.000E-03 1.000E-01 2.000E-02 5.000E+00 0.000E+00 0.000E+00\r\n"
                              "1.000E-02 5.000E-02 2.500E-01 4.000E-03 0.000E+00 0.000E+00\r\n"
                              "1.000E-01 3.000E-03 3.500E-01 2.000E-06 0.000E+00 0.000E+00\r\n"
                              "1.000E+00 3.000E-05 1.200E-01 1.000E-09 0.000E+00 0.000E+00\r\n"
                              "1.0079\r\n";
const char* const kOxygen = "Oxygen\r\n1.429E-03\r\n5\r\n"
                            "1.000E-03 1.000E+00 2.000E-02 4.000E+03 0.000E+00 0.000E+00\r\n"
                            "5.000E-03 6.000E-01 6.000E-02 4.000E+01 0.000E+00 0.000E+00\r\n"
                            "1.000E-02 4.000E-01 8.000E-02 5.000E+00 0.000E+00 0.000E+00\r\n"
                            "1.000E-01 3.000E-02 1.500E-01 5.000E-03 0.000E+00 0.000E+00\r\n"
                            "1.000E+00 3.000E-04 6.000E-02 1.000E-06 0.000E+00 0.000E+00\r\n"
                            "15.999\r\n";

const char* const kDataError = " There is an error in the entered data ";

/// One working folder, the shared state and the windows the new-data road passes through.
struct Bench {
    testing::TempFolder folder;
    data::MaterialTable table;
    newdata::BuilderState builder;
    testing::ScriptedDialogs dialogs;
    testing::RecordingLauncher launcher;
    AppContext context{table, builder, dialogs, launcher, folder.path()};
    std::unique_ptr<Form1> form1;
    std::unique_ptr<Form4> form4;
    std::unique_ptr<Form6> form6;
    std::unique_ptr<Form5> form5;

    Bench() {
        testing::writeFile(root() / "ele" / "001_H.ele", kHydrogen);
        testing::writeFile(root() / "ele" / "008_O.ele", kOxygen);
        testing::writeFile(root() / "ele" / "notes.txt", "not an element\r\n");
        fs::create_directories(root() / "mix");
        form1 = std::make_unique<Form1>(context);
        form4 = std::make_unique<Form4>(context);
        form6 = std::make_unique<Form6>(context);
        form5 = std::make_unique<Form5>(context);
        context.windows.form1 = form1.get();
        context.windows.form4 = form4.get();
        context.windows.form5 = form5.get();
        context.windows.form6 = form6.get();
        form4->SetElementFolder(root() / "ele");
        form6->SetElementFolder(root() / "ele");
    }

    fs::path root() const { return folder.path(); }

    BuilderWindow* window(const QString& kind) {
        if (kind == "compound") {
            return form4.get();
        }
        return form6.get();
    }

    /// The road from the chooser: the main window hidden, the builder opened afresh.
    BuilderWindow* open(const QString& kind) {
        form5->show();
        QTest::mouseClick(kind == "compound" ? form5->Command1 : form5->Command2, Qt::LeftButton);
        return window(kind);
    }

    std::vector<std::string> mixFiles() const {
        std::vector<std::string> names;
        if (fs::exists(root() / "mix")) {
            for (const auto& entry : fs::directory_iterator(root() / "mix")) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }
};

template <typename Widget = QWidget> Widget* control(QWidget* window, const char* name) {
    auto* found = window->findChild<Widget*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("no control %s", name);
    }
    return found;
}

void click(QWidget* window, const char* name) {
    QTest::mouseClick(control(window, name), Qt::LeftButton);
}

/// Types the fields above the slots and presses the first OK.
void firstOk(BuilderWindow* w, const QString& name, const QString& density, const QString& count) {
    w->Text13->setText(name);
    w->Text14->setText(density);
    w->Text2->setText(count);
    QTest::mouseClick(w->Command3, Qt::LeftButton);
}

void selectElement(BuilderWindow* w, const QString& fileName) {
    const QList<QListWidgetItem*> found = w->File1->findItems(fileName, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    w->File1->setCurrentItem(found.front());
    QVERIFY(found.front()->isSelected());
}

/// Number labels of slots 1 to 15 in either window.
const char* const kSlotLabels[] = {"Label8",  "Label9",  "Label10", "Label11", "Label12",
                                   "Label13", "Label15", "Label16", "Label17", "Label18",
                                   "Label19", "Label20", "Label21", "Label22", "Label23"};

int visibleSlots(BuilderWindow* w, int slotCount) {
    int visible = 0;
    for (int k = 0; k < slotCount; ++k) {
        visible += control(w, kSlotLabels[k])->isVisible() ? 1 : 0;
    }
    return visible;
}

} // namespace

class NewDataWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void chooserOpensBuilderAfresh_data();
    void chooserOpensBuilderAfresh();
    void chooserCancelReturnsToMainWindow();
    void firstOkChecksFields_data();
    void firstOkChecksFields();
    void smallerCountKeepsRevealedSlots();
    void slotNeedsSelectedElement_data();
    void slotNeedsSelectedElement();
    void amountAnswers_data();
    void amountAnswers();
    void mixtureElementBoxIgnoresClicks();
    void enterMovesFocus_data();
    void enterMovesFocus();
    void savesNewMaterial_data();
    void savesNewMaterial();
    void emptyFileNameIsAsked_data();
    void emptyFileNameIsAsked();
    void failedBuildKeepsWindowOpen_data();
    void failedBuildKeepsWindowOpen();
    void cancelReturnsToMainWindow_data();
    void cancelReturnsToMainWindow();
};

void NewDataWindowsTest::chooserOpensBuilderAfresh_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("defaultName");
    QTest::addColumn<QString>("caption");
    QTest::newRow("compound") << "compound"
                              << "Chemical compound"
                              << "New chemical compound";
    QTest::newRow("mixture") << "mixture"
                             << "Mixture"
                             << "New mixture medium";
}

void NewDataWindowsTest::chooserOpensBuilderAfresh() {
    QFETCH(QString, kind);
    QFETCH(QString, defaultName);
    QFETCH(QString, caption);
    Bench bench;
    QCOMPARE(bench.form5->windowTitle(), QString("New Data"));
    QCOMPARE(bench.form5->Command1->text(), QString("Chemical compound"));
    QCOMPARE(bench.form5->Command2->text(), QString("Mixture"));

    // A builder left behind after an earlier use.
    BuilderWindow* w = bench.open(kind);
    QCOMPARE(w->File1->count(), 2); // element files only
    QCOMPARE(w->File1->item(0)->text(), QString("001_H.ele"));
    QCOMPARE(w->File1->item(1)->text(), QString("008_O.ele"));
    firstOk(w, "Old", "2", "3");
    w->Text1->setText("old");
    bench.dialogs.inputAnswers = {"4"};
    selectElement(w, "008_O.ele");
    click(w, "Label9");
    QCOMPARE(bench.builder.SlotAmount[2], 4.0);
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    QVERIFY(!w->isVisible());

    bench.open(kind);
    QVERIFY(w->isVisible());
    QVERIFY(!bench.form5->isVisible());
    QCOMPARE(w->windowTitle(), caption);
    QCOMPARE(w->Text13->text(), defaultName);
    QCOMPARE(w->Text14->text(), QString("9.999"));
    QVERIFY(w->Text1->text().isEmpty());
    QVERIFY(w->Text2->text().isEmpty());
    QVERIFY(control<QLineEdit>(w, "Text4")->text().isEmpty());
    QVERIFY(control<QLineEdit>(w, "Text9")->text().isEmpty());
    QVERIFY(!w->Command1->isEnabled());
    QCOMPARE(visibleSlots(w, 5), 0);
    QVERIFY(bench.builder.SlotFile[2].empty());
    QCOMPARE(bench.builder.SlotAmount[2], 0.0);
    // The count of the earlier first OK stays until the next one replaces it.
    QCOMPARE(bench.builder.ElementCount, 3.0);
    QVERIFY(w->Option3->isChecked());
}

void NewDataWindowsTest::chooserCancelReturnsToMainWindow() {
    Bench bench;
    bench.form4->Text13->setText("Kept");
    bench.builder.SlotFile[1] = "001_H.ele";
    bench.form5->show();
    QTest::mouseClick(bench.form5->Command3, Qt::LeftButton);
    QVERIFY(bench.form1->isVisible());
    QVERIFY(!bench.form5->isVisible());
    QVERIFY(!bench.form4->isVisible());
    QVERIFY(!bench.form6->isVisible());
    QCOMPARE(bench.form4->Text13->text(), QString("Kept"));
    QCOMPARE(bench.builder.SlotFile[1], std::string("001_H.ele"));
}

void NewDataWindowsTest::firstOkChecksFields_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("density");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::addColumn<QString>("nameAfter");
    QTest::addColumn<QString>("densityAfter");
    QTest::addColumn<int>("visible");

    const QString compound = "compound";
    const QString mixture = "mixture";
    const QString noName = " Input the Name ";
    const QString badDensity = " Inappropriate density input ";
    const QString badCount = " Input the number of element ";
    QTest::newRow("compound without name") << compound << ""
                                           << "1"
                                           << "2" << noName << "Chemical compound"
                                           << "1" << 0;
    QTest::newRow("mixture without name") << mixture << ""
                                          << "1"
                                          << "2" << noName << "Mixture"
                                          << "1" << 0;
    QTest::newRow("density 0") << compound << "W"
                               << "0"
                               << "2" << badDensity << "W"
                               << "9.999" << 0;
    QTest::newRow("density negative") << mixture << "W"
                                      << "-1"
                                      << "2" << badDensity << "W"
                                      << "9.999" << 0;
    QTest::newRow("density not a number") << compound << "W"
                                          << "abc"
                                          << "2" << badDensity << "W"
                                          << "9.999" << 0;
    QTest::newRow("compound count 0") << compound << "W"
                                      << "1"
                                      << "0" << badCount << "W"
                                      << "1" << 0;
    QTest::newRow("compound count empty") << compound << "W"
                                          << "1"
                                          << "" << badCount << "W"
                                          << "1" << 0;
    QTest::newRow("compound count 6") << compound << "W"
                                      << "1"
                                      << "6" << badCount << "W"
                                      << "1" << 0;
    QTest::newRow("mixture count 16") << mixture << "W"
                                      << "1"
                                      << "16" << badCount << "W"
                                      << "1" << 0;
    QTest::newRow("compound count 5") << compound << "W"
                                      << "1"
                                      << "5"
                                      << ""
                                      << "W"
                                      << "1" << 5;
    QTest::newRow("compound count 2.5") << compound << "W"
                                        << "1"
                                        << "2.5"
                                        << ""
                                        << "W"
                                        << "1" << 2;
    QTest::newRow("mixture count 6") << mixture << "W"
                                     << "1"
                                     << "6"
                                     << ""
                                     << "W"
                                     << "1" << 6;
    QTest::newRow("mixture count 15") << mixture << "W"
                                      << "1"
                                      << "15"
                                      << ""
                                      << "W"
                                      << "1" << 15;
}

void NewDataWindowsTest::firstOkChecksFields() {
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, density);
    QFETCH(QString, count);
    QFETCH(QString, message);
    QFETCH(QString, nameAfter);
    QFETCH(QString, densityAfter);
    QFETCH(int, visible);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    bench.builder.ElementCount = 7.0;

    firstOk(w, name, density, count);

    const int slotCount = kind == "compound" ? 5 : 15;
    QCOMPARE(visibleSlots(w, slotCount), visible);
    QCOMPARE(w->Text13->text(), nameAfter);
    QCOMPARE(w->Text14->text(), densityAfter);
    if (message.isEmpty()) {
        QVERIFY(bench.dialogs.shown.empty());
        QVERIFY(w->Command1->isEnabled());
        QCOMPARE(bench.builder.ElementCount, count.toDouble());
        QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->File1));
    } else {
        QCOMPARE(bench.dialogs.shown.size(), std::size_t{1});
        const testing::ShownDialog& shown = bench.dialogs.shown.front();
        QCOMPARE(QString::fromStdString(shown.text), message);
        QCOMPARE(shown.title, std::string(platform::kApplicationTitle));
        QCOMPARE(shown.icon, platform::MessageIcon::Exclamation);
        QVERIFY(!w->Command1->isEnabled());
        QCOMPARE(bench.builder.ElementCount, 7.0);
    }
}

void NewDataWindowsTest::smallerCountKeepsRevealedSlots() {
    Bench bench;
    BuilderWindow* w = bench.open("compound");
    firstOk(w, "W", "1", "4");
    firstOk(w, "W", "1", "2");
    QCOMPARE(visibleSlots(w, 5), 4);
    QCOMPARE(bench.builder.ElementCount, 2.0);
    // A changed count without a new first OK is not taken.
    w->Text2->setText("3");
    QCOMPARE(bench.builder.ElementCount, 2.0);
}

void NewDataWindowsTest::slotNeedsSelectedElement_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("clicked");
    QTest::newRow("compound number label") << "compound"
                                           << "Label8";
    QTest::newRow("compound element box") << "compound"
                                          << "Text3";
    QTest::newRow("mixture number label of slot 7") << "mixture"
                                                    << "Label15";
}

void NewDataWindowsTest::slotNeedsSelectedElement() {
    QFETCH(QString, kind);
    QFETCH(QString, clicked);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    firstOk(w, "W", "1", kind == "compound" ? "5" : "15");
    bench.dialogs.shown.clear();
    bench.dialogs.inputAnswers = {"3"};
    w->File1->clearSelection();

    click(w, clicked.toLatin1().constData());

    QCOMPARE(bench.dialogs.messages(), std::vector<std::string>{" Select a element "});
    QCOMPARE(bench.dialogs.shown.size(), std::size_t{1}); // no input box
    for (const std::string& file : bench.builder.SlotFile) {
        QVERIFY(file.empty());
    }
}

void NewDataWindowsTest::amountAnswers_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("stored");
    QTest::addColumn<bool>("rejected");
    // Slot 3 holds 2 from an earlier answer.
    QTest::newRow("compound fraction") << "compound"
                                       << "0.5" << 0.5 << false;
    QTest::newRow("compound with trailing text") << "compound"
                                                 << " 3 atoms" << 3.0 << false;
    QTest::newRow("compound zero") << "compound"
                                   << "0" << 2.0 << true;
    QTest::newRow("compound negative") << "compound"
                                       << "-1" << 2.0 << true;
    QTest::newRow("compound cancelled") << "compound"
                                        << "" << 2.0 << true;
    QTest::newRow("mixture weight") << "mixture"
                                    << "88.81" << 88.81 << false;
    QTest::newRow("mixture zero") << "mixture"
                                  << "0" << 0.0 << false;
    QTest::newRow("mixture negative") << "mixture"
                                      << "-1" << -1.0 << false;
    QTest::newRow("mixture cancelled") << "mixture"
                                       << "" << 0.0 << false;
}

void NewDataWindowsTest::amountAnswers() {
    QFETCH(QString, kind);
    QFETCH(QString, answer);
    QFETCH(double, stored);
    QFETCH(bool, rejected);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    const std::string prompt =
        kind == "compound" ? " Input the number of element " : " Enter the weight ";
    firstOk(w, "W", "1", "3");
    selectElement(w, "001_H.ele");
    bench.dialogs.inputAnswers = {"2"};
    click(w, "Label10");
    QCOMPARE(bench.builder.SlotFile[3], std::string("001_H.ele"));
    QCOMPARE(control<QLineEdit>(w, "Text5")->text(), QString("001_H.ele"));
    QCOMPARE(bench.builder.SlotAmount[3], 2.0);
    const testing::ShownDialog first = bench.dialogs.shown.back();
    QVERIFY(first.isInput);
    QCOMPARE(first.text, prompt);
    QVERIFY(first.title.empty());
    QVERIFY(first.defaultAnswer.empty());

    // Asking again through the amount box: the element stays, the last answer is the default.
    selectElement(w, "008_O.ele");
    bench.dialogs.shown.clear();
    bench.dialogs.inputAnswers = {answer.toStdString()};
    click(w, "Text10");

    QCOMPARE(bench.dialogs.shown.front().defaultAnswer, std::string("2"));
    QCOMPARE(bench.builder.SlotFile[3], std::string("001_H.ele"));
    QCOMPARE(control<QLineEdit>(w, "Text10")->text(), answer);
    QCOMPARE(bench.builder.SlotAmount[3], stored);
    const std::vector<std::string> expected =
        rejected ? std::vector<std::string>{" Incorrect input value "} : std::vector<std::string>{};
    QCOMPARE(bench.dialogs.messages(), expected);
}

void NewDataWindowsTest::mixtureElementBoxIgnoresClicks() {
    Bench bench;
    BuilderWindow* w = bench.open("mixture");
    firstOk(w, "W", "1", "15");
    selectElement(w, "001_H.ele");
    for (const char* element : {"Text3", "Text15", "Text29"}) {
        click(w, element);
    }
    QVERIFY(bench.dialogs.shown.empty());
    for (const std::string& file : bench.builder.SlotFile) {
        QVERIFY(file.empty());
    }
    // Slot 15's label does assign.
    click(w, "Label23");
    QCOMPARE(bench.builder.SlotFile[15], std::string("001_H.ele"));
    QCOMPARE(control<QLineEdit>(w, "Text29")->text(), QString("001_H.ele"));
}

void NewDataWindowsTest::enterMovesFocus_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("compound") << "compound";
    QTest::newRow("mixture") << "mixture";
}

void NewDataWindowsTest::enterMovesFocus() {
    QFETCH(QString, kind);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    w->Text13->setFocus();
    QTest::keyClick(w->Text13, Qt::Key_Return);
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->Text14));
    QTest::keyClick(w->Text14, Qt::Key_Enter);
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->Text2));
    QTest::keyClick(w->Text2, Qt::Key_Return);
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->Command3));

    // Other keys reach the box; Enter in the file name does nothing before the first OK.
    w->Text1->setFocus();
    QTest::keyClicks(w->Text1, "abc");
    QCOMPARE(w->Text1->text(), QString("abc"));
    QTest::keyClick(w->Text1, Qt::Key_Return);
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->Text1));

    firstOk(w, "W", "1", "2");
    w->Text1->setFocus();
    QTest::keyClick(w->Text1, Qt::Key_Return);
    QCOMPARE(w->focusWidget(), static_cast<QWidget*>(w->Command1));
    QVERIFY(bench.dialogs.shown.empty());
}

void NewDataWindowsTest::savesNewMaterial_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("hydrogen"); // amount answers for slots 1 (H) and 2 (O)
    QTest::addColumn<QString>("oxygen");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("density");
    QTest::addColumn<QString>("densityLine");
    QTest::addColumn<QString>("path");
    QTest::addColumn<double>("coherentAt1keV");

    // Water by atoms: mass fractions 2 x 1.0079 and 15.999 over their sum.
    const double hydrogenShare = 2 * 1.0079 / (2 * 1.0079 + 15.999);
    const double water = hydrogenShare * 0.1 + (1 - hydrogenShare) * 1.0;
    QTest::newRow("compound water, others") << "compound"
                                            << "2"
                                            << "2"
                                            << "1"
                                            << "Option3"
                                            << "0.998"
                                            << ".998"
                                            << "mix/Water.mix3" << water;
    QTest::newRow("compound count 2.5 uses two slots") << "compound"
                                                       << "2.5"
                                                       << "2"
                                                       << "1"
                                                       << "Option3"
                                                       << "1"
                                                       << "1."
                                                       << "mix/Water.mix3" << water;
    QTest::newRow("compound, human tissues") << "compound"
                                             << "2"
                                             << "2"
                                             << "1"
                                             << "Option1"
                                             << "1.06"
                                             << "1.06"
                                             << "mix/Water.mix1" << water;
    // Weights are taken as mass fractions directly, on any scale.
    QTest::newRow("mixture by weight, phantom") << "mixture"
                                                << "2"
                                                << "30"
                                                << "70"
                                                << "Option2"
                                                << "1"
                                                << "1."
                                                << "mix/Water.mix2" << 0.3 * 0.1 + 0.7 * 1.0;
    QTest::newRow("mixture by fractions, others") << "mixture"
                                                  << "2"
                                                  << "0.3"
                                                  << "0.7"
                                                  << "Option3"
                                                  << "0.5"
                                                  << ".5"
                                                  << "mix/Water.mix3" << 0.3 * 0.1 + 0.7 * 1.0;
}

void NewDataWindowsTest::savesNewMaterial() {
    QFETCH(QString, kind);
    QFETCH(QString, count);
    QFETCH(QString, hydrogen);
    QFETCH(QString, oxygen);
    QFETCH(QString, option);
    QFETCH(QString, density);
    QFETCH(QString, densityLine);
    QFETCH(QString, path);
    QFETCH(double, coherentAt1keV);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    firstOk(w, "Water", density, count);
    bench.dialogs.inputAnswers = {hydrogen.toStdString(), oxygen.toStdString()};
    selectElement(w, "001_H.ele");
    click(w, "Label8");
    selectElement(w, "008_O.ele");
    click(w, "Label9");
    control<QRadioButton>(w, option.toLatin1().constData())->click();
    w->Text1->setText("Water");
    bench.dialogs.shown.clear();

    QTest::mouseClick(w->Command1, Qt::LeftButton);

    QCOMPARE(bench.dialogs.shown.size(), std::size_t{1});
    const testing::ShownDialog& saved = bench.dialogs.shown.front();
    QCOMPARE(saved.text, std::string(" Data saved "));
    QCOMPARE(QString::fromStdString(saved.title), "New Data : " + path);
    QCOMPARE(saved.icon, platform::MessageIcon::None);
    QVERIFY(!w->isVisible());
    QVERIFY(bench.form1->isVisible());
    QCOMPARE(visibleSlots(w, 5), 0);

    const std::string text = testing::readFile(bench.root() / path.toStdString());
    const std::string head = "Water\r\n" + densityLine.toStdString() + "\r\n5\r\n";
    QCOMPARE(text.substr(0, head.size()), head);
    bench.table.SelectedPath = path.toStdString();
    const data::LoadResult loaded = data::LoadMaterialTable(bench.table, bench.root());
    QVERIFY(loaded.ok());
    QCOMPARE(bench.table.MaterialName, std::string("Water"));
    QCOMPARE(bench.table.RowCount, 5);
    const double grid[] = {1e-3, 5e-3, 1e-2, 1e-1, 1.0};
    for (int j = 1; j <= 5; ++j) {
        QVERIFY(testing::closeTo(bench.table.Energy[static_cast<std::size_t>(j)], grid[j - 1]));
    }
    // Four significant digits in the file.
    QVERIFY2(testing::closeTo(bench.table.Coherent[1], coherentAt1keV, 6e-4),
             qPrintable(QString::number(bench.table.Coherent[1], 'g', 10)));
}

void NewDataWindowsTest::emptyFileNameIsAsked_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("compound") << "compound"
                              << " Input File name ";
    QTest::newRow("mixture") << "mixture"
                             << "ファイル名を入力してください";
}

void NewDataWindowsTest::emptyFileNameIsAsked() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    firstOk(w, "Water", "1", "1");
    bench.dialogs.inputAnswers = {"1"};
    selectElement(w, "001_H.ele");
    click(w, "Label8");
    bench.dialogs.shown.clear();

    QTest::mouseClick(w->Command1, Qt::LeftButton);

    QCOMPARE(bench.dialogs.shown.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(bench.dialogs.shown.front().text), message);
    QCOMPARE(bench.dialogs.shown.front().title, std::string(platform::kApplicationTitle));
    QCOMPARE(bench.dialogs.shown.front().icon, platform::MessageIcon::Exclamation);
    QVERIFY(w->isVisible());
    QVERIFY(bench.mixFiles().empty());
}

void NewDataWindowsTest::failedBuildKeepsWindowOpen_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QStringList>("answers"); // slot 1 gets H, slot 2 O; fewer answers, fewer slots
    QTest::addColumn<bool>("removeMix");

    QTest::newRow("compound with every number of atoms rejected")
        << "compound"
        << "2" << QStringList{"0", "0"} << false;
    QTest::newRow("compound with an unassigned slot") << "compound"
                                                      << "2" << QStringList{"1"} << false;
    QTest::newRow("compound count below one") << "compound"
                                              << "0.5" << QStringList{} << false;
    QTest::newRow("compound without a material folder") << "compound"
                                                        << "2" << QStringList{"2", "1"} << true;
    QTest::newRow("mixture weights adding up to zero") << "mixture"
                                                       << "2" << QStringList{"1", "-1"} << false;
    QTest::newRow("mixture with every weight cancelled") << "mixture"
                                                         << "2" << QStringList{"", ""} << false;
    QTest::newRow("mixture without a material folder") << "mixture"
                                                       << "2" << QStringList{"30", "70"} << true;
}

void NewDataWindowsTest::failedBuildKeepsWindowOpen() {
    QFETCH(QString, kind);
    QFETCH(QString, count);
    QFETCH(QStringList, answers);
    QFETCH(bool, removeMix);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    firstOk(w, "Water", "1", count);
    const char* labels[] = {"Label8", "Label9"};
    const char* elements[] = {"001_H.ele", "008_O.ele"};
    for (int k = 0; k < answers.size(); ++k) {
        bench.dialogs.inputAnswers = {answers[k].toStdString()};
        selectElement(w, elements[k]);
        click(w, labels[k]);
    }
    if (removeMix) {
        fs::remove_all(bench.root() / "mix");
    }
    w->Text1->setText("Water");
    bench.dialogs.shown.clear();

    QTest::mouseClick(w->Command1, Qt::LeftButton);

    QCOMPARE(bench.dialogs.shown.size(), std::size_t{1});
    const testing::ShownDialog& shown = bench.dialogs.shown.front();
    QCOMPARE(shown.text, std::string(kDataError));
    if (kind == "compound") {
        QCOMPARE(shown.title, std::string(platform::kApplicationTitle));
        QCOMPARE(shown.icon, platform::MessageIcon::Exclamation);
    } else {
        QCOMPARE(shown.title, std::string("Input Error"));
        QCOMPARE(shown.icon, platform::MessageIcon::None);
    }
    QVERIFY(w->isVisible());
    QVERIFY(w->Command1->isEnabled());
    QCOMPARE(w->Text1->text(), QString("Water"));
    QVERIFY(!bench.form1->isVisible());
    QVERIFY(bench.mixFiles().empty());

    // The window is ready for another try once the fault is mended.
    if (removeMix) {
        fs::create_directories(bench.root() / "mix");
        bench.dialogs.shown.clear();
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QCOMPARE(bench.dialogs.messages(), std::vector<std::string>{" Data saved "});
        QCOMPARE(bench.mixFiles(), std::vector<std::string>{"Water.mix3"});
    }
}

void NewDataWindowsTest::cancelReturnsToMainWindow_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("slotCount");
    QTest::newRow("compound") << "compound" << 5;
    QTest::newRow("mixture") << "mixture" << 15;
}

void NewDataWindowsTest::cancelReturnsToMainWindow() {
    QFETCH(QString, kind);
    QFETCH(int, slotCount);
    Bench bench;
    BuilderWindow* w = bench.open(kind);
    firstOk(w, "Water", "1", QString::number(slotCount));
    bench.dialogs.inputAnswers = {"2"};
    selectElement(w, "001_H.ele");
    click(w, "Label8");
    QCOMPARE(visibleSlots(w, slotCount), slotCount);

    QTest::mouseClick(w->Command2, Qt::LeftButton);

    QVERIFY(!w->isVisible());
    QVERIFY(bench.form1->isVisible());
    w->show();
    QCOMPARE(visibleSlots(w, slotCount), 0);
    // The slot table waits for the chooser to clear it.
    QCOMPARE(bench.builder.SlotFile[1], std::string("001_H.ele"));
    QCOMPARE(bench.builder.SlotAmount[1], 2.0);
    QVERIFY(bench.mixFiles().empty());
}

QTEST_MAIN(NewDataWindowsTest)
#include "test_newdata_windows.moc"

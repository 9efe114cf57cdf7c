// The new-data windows driven headless: the chooser, the compound and the mixture builder. The
// builds themselves are the builder suite's; here each control reaches the right call and message.

#include "app/Form1.h"
#include "fakes/WindowFixture.h"
#include "newdata/Form4.h"
#include "newdata/Form5.h"
#include "newdata/Form6.h"
#include "platform/qt/PatternFileList.h"

#include <QPushButton>

namespace fs = std::filesystem;

namespace {

/// The program with two flat elements and a builder opened through the main window and the
/// chooser, its name, density and count typed and the first OK pressed.
struct NewData : testing::WindowFixture {
    BuilderWindow* w = nullptr;

    NewData(const QString& kind, const QStringList& fields) {
        for (const char* file : {"ele/001_H.ele", "ele/008_O.ele"}) {
            write(file,
                  testing::materialText("E", "1", {{1e-3, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1}}) +
                      "1\r\n");
        }
        fs::create_directories(root() / "mix");
        start();
        const bool compound = kind == "compound";
        w = compound ? static_cast<BuilderWindow*>(windows().form4) : windows().form6;
        QTest::mouseClick(windows().form1->Command4, Qt::LeftButton);
        QTest::mouseClick(compound ? windows().form5->Command1 : windows().form5->Command2,
                          Qt::LeftButton);
        w->Text13->setText(fields[0]);
        w->Text14->setText(fields[1]);
        w->Text2->setText(fields[2]);
        QTest::mouseClick(w->Command3, Qt::LeftButton);
    }
    /// Highlights an element file (none when empty), answers the input box, clicks a control.
    void click(const QString& file, const char* name, const QString& answer) {
        w->File1->setCurrentItem(w->File1->findItems(file, Qt::MatchExactly).value(0));
        dialogs.inputAnswers = {answer.toStdString()};
        QTest::mouseClick(testing::control<QWidget>(w, name), Qt::LeftButton);
    }
};

/// A dialog as a row spells it: "!" before an exclamation box, "?" before an input box, " @title"
/// after a title other than the program's.
QString describe(const testing::ShownDialog& d) {
    const QString text = QString::fromStdString(d.text);
    const std::string usual = d.isInput ? "" : platform::kApplicationTitle;
    return (d.isInput                                      ? "?" + text
            : d.icon == platform::MessageIcon::Exclamation ? "!" + text
                                                           : text) +
           (d.title == usual ? "" : " @" + QString::fromStdString(d.title));
}

} // namespace

class NewDataWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void build_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("typed"); // name, density, count; slot 1, slot 2 as
                                                // file=answer; category; file name
        QTest::addColumn<QStringList>("dialogs");
        QTest::addColumn<QString>("written"); // empty: nothing
        const auto row = [](const char* tag, const char* kind, const QStringList& typed,
                            const QStringList& dialogs, const char* written = "") {
            QTest::newRow(tag) << QString(kind) << typed << dialogs << QString(written);
        };
        const auto water = [&](const char* count,
                               QStringList pairs = {"001_H.ele=2", "008_O.ele=1"},
                               const char* option = "Option3", const char* file = "Water") {
            return QStringList{"Water", "0.998", count} + pairs + QStringList{option, file};
        };
        const QString number = "? Input the number of element ", weight = "? Enter the weight ";
        const QString saved = " Data saved  @New Data : mix/Water.mix%1";
        const QString error = " There is an error in the entered data ";
        // The first OK: a refused field stops the user there.
        row("compound, no name", "compound", {"", "1", "2"}, {"! Input the Name "});
        row("mixture, density not a number", "mixture", {"W", "abc", "2"},
            {"! Inappropriate density input "});
        row("mixture, count 16", "mixture", {"W", "1", "16"}, {"! Input the number of element "});
        // Slots and the second OK.
        row("compound, count 2.5 uses two slots", "compound", water("2.5"),
            {number, number, saved.arg(3)}, "Water.mix3");
        row("mixture, phantom substances", "mixture",
            water("2", {"001_H.ele=3", "008_O.ele=7"}, "Option2"), {weight, weight, saved.arg(2)},
            "Water.mix2");
        row("compound, nothing highlighted", "compound", water("2", {"=2", "008_O.ele=1"}),
            {"! Select a element ", number, "!" + error});
        row("compound, a negative number refused", "compound",
            water("2", {"001_H.ele=-1", "008_O.ele=1"}),
            {number, "! Incorrect input value ", number, saved.arg(3)}, "Water.mix3");
        row("mixture, a negative weight taken", "mixture",
            water("2", {"001_H.ele=1", "008_O.ele=-1"}), {weight, weight, error + " @Input Error"});
        row("compound, no file name", "compound",
            water("2", {"001_H.ele=2", "008_O.ele=1"}, "Option3", ""),
            {number, number, "! Input File name "});
        row("mixture, no file name", "mixture",
            water("2", {"001_H.ele=2", "008_O.ele=1"}, "Option3", ""),
            {weight, weight, "!ファイル名を入力してください"});
        row("compound, no material folder", "compound", water("2"), {number, number, "!" + error});
    }
    void build() {
        QFETCH(QString, kind);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, dialogs);
        QFETCH(QString, written);
        NewData f(kind, typed);
        if (typed.size() > 3) {
            f.click(typed[3].section('=', 0, 0), "Label8", typed[3].section('=', 1));
            f.click(typed[4].section('=', 0, 0), "Label9", typed[4].section('=', 1));
            testing::control<QAbstractButton>(f.w, qPrintable(typed[5]))->click();
            f.w->Text1->setText(typed[6]);
            if (QString(QTest::currentDataTag()).contains("folder")) {
                fs::remove_all(f.root() / "mix");
            }
            QTest::mouseClick(f.w->Command1, Qt::LeftButton);
        }
        QStringList shown;
        for (const testing::ShownDialog& d : f.dialogs.shown) {
            shown << describe(d);
        }
        QCOMPARE(shown, dialogs);
        // Saved: back to the main window; else the builder stays open.
        QCOMPARE(f.w->isVisible(), written.isEmpty());
        QCOMPARE(f.windows().form1->isVisible(), !written.isEmpty());
        // The main window lists a new file of the category it shows.
        QCOMPARE(testing::lines(f.windows().form1->File2).contains(written), written.endsWith("3"));
        QCOMPARE(f.builder.ElementCount, typed.size() > 3 ? typed[2].toDouble() : 0.0);
        // The name and density as typed, then a grid of two points; else nothing written.
        QVERIFY(written.isEmpty() ? !fs::exists(f.root() / "mix") || fs::is_empty(f.root() / "mix")
                                  : testing::readFile(f.root() / "mix" / written.toStdString())
                                        .starts_with("Water\r\n.998\r\n2\r\n"));
    }
};

QTEST_MAIN(NewDataWindowsTest)
#include "test_windows.moc"

// Materials by the names people type: bare formulas, library materials by their words, the
// compendium's names, aliases and common names, the refusals and the closest names offered.

#include "fakes/TestSupport.h"

#include "calc/Interpolation.h"
#include "material/Resolve.h"

#include <memory>

namespace {

std::filesystem::path library() { return testing::sourceDir() / "library"; }

} // namespace

class NamesTest : public QObject {
    Q_OBJECT

  private slots:
    // The material a text is taken for, its density (0: none known) and a part of the note
    // ("" for none). Names and densities are the NIST files' and the compendium's own.
    void resolves_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("density");
        QTest::addColumn<QString>("note");
        const auto row = [](const char* typed, const char* name, double density, const char* note) {
            QTest::newRow(typed) << QString::fromUtf8(typed) << QString::fromUtf8(name) << density
                                 << QString(note);
        };
        row("H2O", "H2O", 1.0, "composition of the library material Water_Liquid");
        row("H₂O", "H₂O", 1.0, "Water_Liquid");
        row("CsI", "CsI", 4.51, "Cesium_Iodide");
        row("SiO2", "SiO2", 0.0, "");
        row("CaSO4*2H2O", "CaSO4*2H2O", 0.0, "");
        row("formula:NaI", "NaI", 0.0, "");
        row("NaI", "Sodium Iodide - 0.2 wt% Thalium Doped", 3.667,
            "for the formula write formula:NaI");
        row("Bi4Ge3O12", "Bismuth Germanate (BGO)", 7.13, "formula:Bi4Ge3O12");
        row("BGO", "Bismuth Germanate (BGO)", 7.13, "taken for the compendium's");
        row("Kapton", "Kapton Polyimide Film", 1.42, "Kapton Polyimide Film (1.42 g/cm3)");
        row("kapton polyimide film", "Kapton Polyimide Film", 1.42, "");
        row("SS304", "Steel, Stainless 304", 8.03, "Steel, Stainless 304");
        row("steel stainless 304", "Steel, Stainless 304", 8.03, "Steel, Stainless 304");
        row("brass", "Brass (typical composition)", 8.07, "doubtful: ");
        row("water", "Water, Liquid", 1.0, "library material Water_Liquid");
        row("lead glass", "Glass, Lead", 6.22, "Glass_Lead");
        row("air", "Air, Dry (near sea level)", 0.001205, "Air_Dry");
        row("Pb", "Lead", 11.35, "");
        row("compendium:Water, Liquid", "Water, Liquid", 0.997, "");
        row("compendium:lead", "Lead", 11.35, "");
        row("mix:Kapton=1,Steel_Stainless_304=3", "Kapton=1,Steel_Stainless_304=3", 0.0, "");
    }
    void resolves() {
        QFETCH(QString, typed);
        QFETCH(QString, name);
        QFETCH(double, density);
        QFETCH(QString, note);
        auto resolved = std::make_unique<material::ResolvedMaterial>();
        std::string error;
        QVERIFY2(material::ResolveMaterial(library(), typed.toStdString(), *resolved, error),
                 error.c_str());
        QVERIFY2(error.empty(), error.c_str()); // no refusal of a reading tried on the way
        QCOMPARE(QString::fromStdString(resolved->name), name);
        QCOMPARE(resolved->densityGPerCm3.value_or(0.0), density);
        QVERIFY2(note.isEmpty() ? resolved->note.empty()
                                : QString::fromStdString(resolved->note).contains(note),
                 resolved->note.c_str());
        QVERIFY(resolved->composition.known || typed == "Pb");
    }

    // A part of the refusal of each text.
    void refuses_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* typed, const char* message) {
            QTest::newRow(typed) << QString::fromUtf8(typed) << QString(message);
        };
        row("stainless steel", "may mean 14 materials; name one: Steel, Stainless 304 (the usual "
                               "meaning); Steel, Stainless 202;");
        row("soil",
            "may mean 2 materials; name one: Earth, U.S. Average; Earth, Typical Western U.S.");
        row("concrete",
            "name one: Concrete_ANS; Concrete_Barite; Concrete_Ordinary; Concrete, Ordinary");
        row("LaBr3", "may mean 4 materials; name one: Lanthanum Bromide");
        row("CO", "reads both as the element Co and as a formula: write Co or formula:CO");
        row("HF", "reads both as the element Hf and as a formula");
        row("SI", "reads both as the element Si and as a formula");
        row("Watr", "did you mean Water_Liquid");
        row("Kaptn", "did you mean Kapton");
        row("stainles", "did you mean stainless steel");
        // Long names by some of their words, one with a slip.
        row("Bismuth Germante", "did you mean Bismuth Germanate (BGO)?");
        row("cesium lithium lanthnum bromide", "did you mean CLLB(Ce) - Cesium Lithium Lanthanum");
        row("Lutetium Yttrium Oxyorthosilicte",
            "mean Lutetium Yttrium OxyorthoSilicate: 0.5 atom%");
        row("Gadolinium Aluminum Gallium Oxide",
            "mean Gadolinium Aluminum Galium Oxide - 0.5 atom%");
        row("CuSO4.5H2O", "write CuSO4·5H2O or CuSO4*5H2O for a hydrate");
        row("Cu3Xq", "unknown element symbol 'Xq' at character 4");
        row("compendium:Water_Liquid2", "names no material of the compendium");
    }
    void refuses() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        material::ResolvedMaterial untouched;
        untouched.name = "before";
        std::string error;
        QVERIFY(!material::ResolveMaterial(library(), typed.toStdString(), untouched, error));
        QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
        QCOMPARE(untouched.name, std::string("before"));
    }

    // The compendium's water and the formula H2O differ by 4e-6 in their hydrogen share, so
    // their totals agree within the written tables' four digits.
    void compendiumWaterIsWater() {
        auto formula = std::make_unique<material::ResolvedMaterial>();
        auto compendium = std::make_unique<material::ResolvedMaterial>();
        std::string error;
        QVERIFY(material::ResolveMaterial(library(), "formula:H2O", *formula, error));
        QVERIFY(material::ResolveMaterial(library(), "compendium:water", *compendium, error));
        for (const double e : {0.01, 0.662, 5.0}) {
            double a = 0.0;
            double b = 0.0;
            calc::TotalAtEnergy(formula->table, e, a);
            calc::TotalAtEnergy(compendium->table, e, b);
            QVERIFY2(std::abs(a / b - 1.0) < 1e-3, qPrintable(QString::number(e)));
        }
    }

    // A material file written into a folder after a look-up is found by the next one.
    void newFilesAreFound() {
        testing::TempFolder folder;
        for (const char* file : {"ele/001_H.ele", "ele/008_O.ele"}) {
            std::filesystem::create_directories(folder.path() / "ele");
            std::filesystem::copy_file(library() / file, folder.path() / file);
        }
        auto resolved = std::make_unique<material::ResolvedMaterial>();
        std::string error;
        QVERIFY(material::ResolveMaterial(folder.path(), "hydrogen", *resolved, error));
        QVERIFY(!material::ResolveMaterial(folder.path(), "Water_Liquid", *resolved, error));
        std::filesystem::create_directories(folder.path() / "mix");
        std::filesystem::copy_file(library() / "mix/Water_Liquid.mix2",
                                   folder.path() / "mix/Water_Liquid.mix2");
        QVERIFY2(material::ResolveMaterial(folder.path(), "Water_Liquid", *resolved, error),
                 error.c_str());
        QVERIFY(!material::ResolveMaterial(folder.path(), "Kapton", *resolved, error));
        // A damaged compendium is named where a name is not found.
        testing::writeFile(folder.path() / "compendium/materials.csv", "name,density\n");
        testing::writeFile(folder.path() / "compendium/names.csv", "");
        QVERIFY(!material::ResolveMaterial(folder.path(), "Kapton", *resolved, error));
        QVERIFY2(error.find("compendium/materials.csv, line 1: the header is not") !=
                     std::string::npos,
                 error.c_str());
    }
};

QTEST_GUILESS_MAIN(NamesTest)
#include "test_names.moc"

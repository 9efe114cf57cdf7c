// Formulas and material expressions against hand-worked compositions and the builders' own files.

#include "calc/TotalRoots.h"
#include "data/MaterialFile.h"
#include "fakes/TestSupport.h"
#include "material/Formula.h"
#include "material/Resolve.h"
#include "newdata/Builder.h"
#include "newdata/MaterialWriter.h"

#include <QtTest>

#include <bit>
#include <cmath>
#include <memory>

namespace {

// "Ca:10 P:6 O:26 H:2" for a parsed formula, in its order.
QString countsText(const material::FormulaResult& parsed) {
    QStringList parts;
    for (const auto& element : parsed.elements) {
        parts << QString::fromStdString(element.symbol) + ":" + QString::number(element.atoms);
    }
    return parts.join(' ');
}

// The atomic weight on the last line of a library element file.
double atomicWeight(const std::string& file) {
    const QString text =
        QString::fromStdString(testing::readFile(testing::sourceDir() / "library" / "ele" / file));
    return text.trimmed().split('\n').last().trimmed().toDouble();
}

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

} // namespace

class MaterialTest : public QObject {
    Q_OBJECT

  private slots:
    void parsesFormulas_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("counts"); // empty when the text is refused
        QTest::addColumn<int>("position");   // of the error
        QTest::addColumn<QString>("errorPart");
        auto ok = [](const char* name, const char* text, const char* counts) {
            QTest::newRow(name) << QString::fromUtf8(text) << counts << 0 << QString();
        };
        auto bad = [](const char* name, const char* text, int position, const char* part) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString() << position << part;
        };
        ok("two-letter symbols", "NaCl", "Na:1 Cl:1");
        ok("repeated element summed", "CH3COOH", "C:2 H:4 O:2");
        ok("nested groups", "Ca10(PO4)6(OH)2", "Ca:10 P:6 O:26 H:2");
        ok("square brackets", "K4[Fe(CN)6]", "K:4 Fe:1 C:6 N:6");
        ok("decimal count", "C0.5H", "C:0.5 H:1");
        ok("decimal count at the end", "TiO1.5", "Ti:1 O:1.5");
        ok("middle dot hydrate", "CuSO4·5H2O", "Cu:1 S:1 O:9 H:10");
        ok("star hydrate", "CaSO4*2H2O", "Ca:1 S:1 O:6 H:4");
        ok("dot operator hydrate", "CuSO4⋅5H2O", "Cu:1 S:1 O:9 H:10");
        ok("hemihydrate, decimal leading count", "CaSO4·0.5H2O", "Ca:1 S:1 O:4.5 H:1");
        ok("leading count above 1 with decimals", "CaSO4*1.5H2O", "Ca:1 S:1 O:5.5 H:3");
        ok("decimal count in brackets", "CuS(O4.5)H2O", "Cu:1 S:1 O:5.5 H:2");
        ok("point before a zero count is a decimal", "CuSO4.0H2O", "Cu:1 S:1 O:5 H:2");
        ok("decimals after whole zeros", "C0.5H0.7", "C:0.5 H:0.7");
        ok("decimal count of a group", "(CH2)2.5", "C:2.5 H:5");
        ok("peer: decimals at the end", "H0.5Se1.5", "H:0.5 Se:1.5");
        ok("peer: group count then elements", "(NH4)2SO4", "N:2 H:8 S:1 O:4");
        ok("peer: bracketed water", "CuSO4(H2O)5", "Cu:1 S:1 O:9 H:10");
        ok("subscript digits", "Ca₁₀(PO₄)₆(OH)₂", "Ca:10 P:6 O:26 H:2");
        ok("blanks around", " \tH₂O ", "H:2 O:1");
        ok("more than fifteen elements", "HLiBeBCNOFNaMgAlSiPSClKCa",
           "H:1 Li:1 Be:1 B:1 C:1 N:1 O:1 F:1 Na:1 Mg:1 Al:1 Si:1 "
           "P:1 S:1 Cl:1 K:1 Ca:1");
        bad("empty", "", 1, "empty");
        bad("unknown symbol", "H2Xx", 3, "'Xx'");
        bad("lower-case symbol", "h2o", 1, "capital");
        bad("unclosed bracket", "Ca(OH2", 3, "not closed");
        bad("bracket closing nothing", "CaOH)2", 5, "closes nothing");
        bad("mismatched brackets", "K4[Fe(CN)6)", 11, "does not match");
        bad("empty brackets", "H2()", 3, "no element");
        bad("zero count", "H0O", 2, "greater than 0");
        bad("zero group count", "(OH)0", 5, "greater than 0");
        bad("negative count", "H-2O", 2, "negative");
        bad("charge", "SO4+", 4, "charges");
        bad("nothing after the dot", "CuSO4·", 7, "after");
        bad("dot inside brackets", "(H2O·H2O)", 5, "inside brackets");
        bad("count before nothing", "CuSO4·5", 8, "after");
        bad("isotope number", "[14C]", 2, "count must follow");
        bad("blank", "H2 O", 3, "unexpected");
        bad("position counts the blanks in front", "  H2Xx", 5, "'Xx'");
        bad("point read both ways", "CuSO4.5H2O", 6,
            "write CuSO4·5H2O or CuSO4*5H2O for a hydrate, or CuS(O4.5)H2O for a decimal count");
        bad("group count read both ways", "Ca(OH)2.5H2O", 8, "Ca((OH)2.5)H2O for a decimal");
        bad("decimal count before an element", "Fe1.5O", 4, "(Fe1.5)O");
    }
    void parsesFormulas() {
        QFETCH(QString, text);
        QFETCH(QString, counts);
        QFETCH(int, position);
        QFETCH(QString, errorPart);
        const material::FormulaResult parsed = material::ParseFormula(text.toStdString());
        if (counts.isEmpty()) {
            QVERIFY(!parsed.ok());
            QVERIFY(parsed.elements.empty());
            QCOMPARE(parsed.position, position);
            QVERIFY2(QString::fromStdString(parsed.error).contains(errorPart),
                     parsed.error.c_str());
        } else {
            QVERIFY2(parsed.ok(), parsed.error.c_str());
            QCOMPARE(countsText(parsed), counts);
        }
    }

    // Water's weight fractions from the atomic weights of the element files, worked by hand.
    void weighsByAtomicWeights() {
        const double h = atomicWeight("001_H.ele");
        const double o = atomicWeight("008_O.ele");
        QVERIFY(h > 1.0 && o > 15.0);
        material::Composition water;
        std::string error;
        QVERIFY2(
            material::FormulaComposition(testing::sourceDir() / "library", "H2O", water, error),
            error.c_str());
        QCOMPARE(water.elements.size(), std::size_t(2));
        QCOMPARE_CLOSE(water.elements[0].weightFraction, 2 * h / (2 * h + o));
        QCOMPARE_CLOSE(water.elements[1].weightFraction, o / (2 * h + o));
        QCOMPARE(water.elements[1].symbol, std::string("O"));
    }

    // An expression is the material the builder writes for the same slots, read back as GO
    // reads a file: every value to the last bit.
    void expressionsMatchTheBuilders_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<bool>("compound");
        QTest::addColumn<QStringList>("slotList"); // element file=amount, in slot order
        QTest::newRow("water") << "formula:H2O" << true
                               << QStringList{"001_H.ele=2", "008_O.ele=1"};
        QTest::newRow("hydroxyapatite")
            << "formula:Ca10(PO4)6(OH)2" << true
            << QStringList{"020_Ca.ele=10", "015_P.ele=6", "008_O.ele=26", "001_H.ele=2"};
        QTest::newRow("copper sulphate hydrate")
            << QString::fromUtf8("formula:CuSO4·5H2O") << true
            << QStringList{"029_Cu.ele=1", "016_S.ele=1", "008_O.ele=9", "001_H.ele=10"};
        QTest::newRow("gadolinium oxysulphide")
            << "formula:Gd2O2S" << true
            << QStringList{"064_Gd.ele=2", "008_O.ele=2", "016_S.ele=1"};
        QTest::newRow("mixture of elements by weight")
            << "mix:H=11.19,Pb=88.81" << false
            << QStringList{"001_H.ele=11.19", "082_Pb.ele=88.81"};
    }
    void expressionsMatchTheBuilders() {
        QFETCH(QString, expression);
        QFETCH(bool, compound);
        QFETCH(QStringList, slotList);
        testing::TempFolder temp;
        const std::filesystem::path library = testing::sourceDir() / "library";
        std::filesystem::create_directories(temp.path() / "mix");
        std::filesystem::create_symlink(library / "ele", temp.path() / "ele");

        auto state = std::make_unique<newdata::BuilderState>();
        state->ElementCount = static_cast<double>(slotList.size());
        for (int i = 0; i < slotList.size(); ++i) {
            state->SlotFile[std::size_t(i) + 1] = slotList[i].section('=', 0, 0).toStdString();
            state->SlotAmount[std::size_t(i) + 1] = slotList[i].section('=', 1).toDouble();
        }
        const auto kind = compound ? newdata::BuilderKind::Compound : newdata::BuilderKind::Mixture;
        QVERIFY(newdata::BuildMaterial(*state, temp.path(), kind).ok());
        QVERIFY(newdata::WriteMaterialFile(temp.path(), "built", 1.0, newdata::Category::Others,
                                           "built", *state)
                    .ok());
        auto built = std::make_unique<data::MaterialTable>();
        built->SelectedPath = "mix/built.mix3";
        QVERIFY(data::LoadMaterialTable(*built, temp.path()).ok());

        auto resolved = std::make_unique<material::ResolvedMaterial>();
        std::string error;
        QVERIFY2(material::ResolveMaterial(temp.path(), expression.toStdString(), *resolved, error),
                 error.c_str());
        const data::MaterialTable& got = resolved->table;
        QCOMPARE(got.RowCount, built->RowCount);
        for (std::size_t j = 1; j <= std::size_t(got.RowCount); ++j) {
            for (const auto column :
                 {&data::MaterialTable::Energy, &data::MaterialTable::Coherent,
                  &data::MaterialTable::PhotoElectric, &data::MaterialTable::PairElectron,
                  &data::MaterialTable::Total}) {
                QVERIFY2(sameBits((got.*column)[j], ((*built).*column)[j]),
                         qPrintable(QString("row %1").arg(j)));
            }
        }
        QVERIFY(resolved->composition.known);
        QVERIFY(!resolved->densityGPerCm3);
        double sum = 0.0;
        for (std::size_t i = 0; i < resolved->composition.elements.size(); ++i) {
            QCOMPARE(resolved->composition.elements[i].weightFraction, state->SlotFraction[i + 1]);
            sum += resolved->composition.elements[i].weightFraction;
        }
        QCOMPARE_CLOSE(sum, 1.0);
    }

    void refusesBadExpressions_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("bad formula") << "formula:H2Xx"
                                     << "'Xx' at character 3";
        QTest::newRow("weight not a number") << "mix:H2O=abc"
                                             << "not a positive number";
        QTest::newRow("zero weight") << "mix:H2O=0,NaCl=1"
                                     << "not a positive number";
        QTest::newRow("negative weight") << "mix:H2O=-1"
                                         << "not a positive number";
        QTest::newRow("part without weight") << "mix:H2O"
                                             << "PART=WEIGHT";
        QTest::newRow("part neither formula nor material") << "mix:Watr=1"
                                                           << "did you mean Water_Liquid";
        // Names that begin with the text come before the symbol Ti a letter away.
        QTest::newRow("closest names first")
            << "mix:Tis=1"
            << "did you mean Tissue_Soft_ICRU-44, Tissue_Soft_ICRU_"
               "Four-Component or Tissue-Equivalent_Gas_Methane";
        QTest::newRow("too many energies for a table") << "formula:UPuAmCmBkCfEsFmThPaNpAcRaFr"
                                                       << "more than 150";
    }
    void refusesBadExpressions() {
        QFETCH(QString, expression);
        QFETCH(QString, errorPart);
        material::ResolvedMaterial untouched;
        untouched.name = "before";
        std::string error;
        QVERIFY(!material::ResolveMaterial(testing::sourceDir() / "library",
                                           expression.toStdString(), untouched, error));
        QVERIFY2(QString::fromStdString(error).contains(errorPart), error.c_str());
        QCOMPARE(untouched.name, std::string("before"));
    }

    // A library material mixes in as its own table, and its recorded composition by weight.
    void mixesLibraryMaterials() {
        auto resolved = std::make_unique<material::ResolvedMaterial>();
        std::string error;
        QVERIFY2(material::ResolveMaterial(testing::sourceDir() / "library",
                                           "mix:Water_Liquid=99,NaCl=1", *resolved, error),
                 error.c_str());
        QVERIFY(resolved->composition.known);
        QCOMPARE_CLOSE(resolved->composition.elements.front().weightFraction, 0.99 * 0.111898);
        auto water = std::make_unique<material::ResolvedMaterial>();
        QVERIFY(material::ResolveMaterial(testing::sourceDir() / "library", "Water_Liquid", *water,
                                          error));
        // At 1 MeV, far from any edge, 1 % of salt moves the total of water by well under 2 %.
        calc::CoefficientSet mixed;
        calc::CoefficientSet pure;
        QCOMPARE(calc::CoefficientsAtEnergy(resolved->table, 1.0, mixed), calc::CalcStatus::Ok);
        QCOMPARE(calc::CoefficientsAtEnergy(water->table, 1.0, pure), calc::CalcStatus::Ok);
        QVERIFY(mixed.total != pure.total);
        QVERIFY(std::abs(mixed.total / pure.total - 1.0) < 0.02);
    }

    // Totals falling, jumping up at an edge, falling, then rising: three roots for 10 cm2/g.
    void findsEveryEnergyOfATotal_data() {
        QTest::addColumn<double>("total");
        QTest::addColumn<QList<double>>("energies");
        // Rows (MeV, cm2/g): (1, 100) (2, 10) (2, 40) edge (4, 5) (8, 20) (16, 20).
        // On a log-log line from (Ea, Ta) to (Eb, Tb): E = Ea (Eb/Ea)^(ln(Ta/T) / ln(Ta/Tb)).
        QTest::newRow("three roots, the first at a row")
            << 10.0 << QList<double>{2.0, 2.0 * std::pow(2.0, 2.0 / 3.0), 4.0 * std::sqrt(2.0)};
        QTest::newRow("inside the first line, the edge jumps across")
            << 30.0
            << QList<double>{std::pow(2.0, std::log(100.0 / 30.0) / std::log(10.0)),
                             2.0 * std::pow(2.0, std::log(40.0 / 30.0) / std::log(8.0))};
        QTest::newRow("flat run counts once at its first energy")
            << 20.0
            << QList<double>{std::pow(2.0, std::log(5.0) / std::log(10.0)),
                             2.0 * std::pow(2.0, std::log(2.0) / std::log(8.0)), 8.0};
        QTest::newRow("above every total") << 200.0 << QList<double>{};
    }
    void findsEveryEnergyOfATotal() {
        QFETCH(double, total);
        QFETCH(QList<double>, energies);
        auto table = std::make_unique<data::MaterialTable>();
        const double rows[][2] = {{1, 100}, {2, 10}, {2, 40}, {4, 5}, {8, 20}, {16, 20}};
        table->RowCount = 6;
        for (std::size_t i = 1; i <= 6; ++i) {
            table->Energy[i] = rows[i - 1][0];
            table->PhotoElectric[i] = rows[i - 1][1];
            table->Total[i] = rows[i - 1][1];
        }
        const std::vector<calc::TotalRoot> roots = calc::EnergiesAtTotal(*table, total);
        QCOMPARE(roots.size(), std::size_t(energies.size()));
        for (std::size_t k = 0; k < roots.size(); ++k) {
            QCOMPARE_CLOSE(roots[k].energyMeV, energies[qsizetype(k)]);
            QCOMPARE(roots[k].set.total, total);
            // The photo-electric column is the total here, so the line gives the total back.
            QCOMPARE_CLOSE(roots[k].set.photoElectric, total);
        }
    }
};

QTEST_GUILESS_MAIN(MaterialTest)
#include "test_formula.moc"

#include "fakes/TestSupport.h"

#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "newdata/Builder.h"
#include "newdata/MaterialWriter.h"
#include "newdata/ReferenceMaterials.h"

#include <array>
#include <cmath>
#include <map>
#include <vector>

using newdata::BuilderKind;
using newdata::BuildError;
using newdata::BuilderState;
using newdata::Category;

namespace {

struct Row {
    double energy;
    std::array<double, 5> c;
};

/// An element file as the library holds them: name, density, count, rows, atomic weight.
std::string elementText(const std::vector<Row>& rows, double atomicWeight) {
    std::vector<std::string> lines{"Element", "1.", data::FormatCount(double(rows.size()))};
    for (const Row& row : rows) {
        lines.push_back(data::FormatTableRow(row.energy, row.c));
    }
    lines.push_back(data::FormatExact(atomicWeight));
    return data::JoinLines(lines);
}

/// Rows at `energies` whose five columns all hold `value`.
std::vector<Row> flatRows(const QList<double>& energies, double value) {
    std::vector<Row> rows;
    for (double e : energies) {
        rows.push_back({e, {value, value, value, value, value}});
    }
    return rows;
}

/// An element with an L-type edge at 2 keV and pair production starting at 2 MeV.
const std::vector<Row> kEdgeElement = {
    {1e-3, {8000, 1, 100, 0, 0}}, {2e-3, {1000, 2, 50, 0, 0}},  {2e-3, {1000, 2, 400, 0, 0}},
    {1.0, {1, 3, 40, 0, 0}},      {2.0, {0.5, 4, 20, 0.25, 0}}, {10.0, {0.1, 5, 10, 1, 0.5}},
};

/// Every file and folder below `root` with its contents, to show that nothing changed.
std::map<std::string, std::string> snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string name = entry.path().lexically_relative(root).generic_string();
        entries[name] = entry.is_directory() ? "<folder>" : testing::readFile(entry.path());
    }
    return entries;
}

std::size_t gridIndex(const BuilderState& state, double energy) {
    for (std::size_t j = 1; j < state.MergedGrid.size(); ++j) {
        if (state.MergedGrid[j] == energy) {
            return j;
        }
    }
    return 0;
}

} // namespace

class NewdataBuilderTest : public QObject {
    Q_OBJECT

  private:
    testing::TempFolder m_folder;
    std::filesystem::path root() const { return m_folder.path(); }
    void putElement(const std::string& name, const std::string& text) {
        testing::writeFile(root() / "ele" / name, text);
    }
    /// Slots 1.. get the files and amounts given; the count is their number.
    static BuilderState withSlots(const QStringList& files, const QList<double>& amounts) {
        BuilderState state;
        state.ElementCount = double(files.size());
        for (qsizetype i = 0; i < files.size(); ++i) {
            state.SlotFile[std::size_t(i) + 1] = files[i].toStdString();
            state.SlotAmount[std::size_t(i) + 1] = amounts.value(i);
        }
        return state;
    }

  private slots:
    void init() {
        std::filesystem::remove_all(root());
        std::filesystem::create_directories(root() / "ele");
        std::filesystem::create_directories(root() / "mix");
    }

    void fractionRules_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<double>>("amounts");
        QTest::addColumn<QList<double>>("atomicWeights");
        QTest::addColumn<QList<double>>("fractions");

        const auto compound = int(BuilderKind::Compound);
        const auto mixture = int(BuilderKind::Mixture);
        QTest::newRow("compound: atoms times atomic weight (water)")
            << compound << QList<double>{2, 1} << QList<double>{1.008, 15.999}
            << QList<double>{2.016 / 18.015, 15.999 / 18.015};
        QTest::newRow("compound: fractional numbers of atoms")
            << compound << QList<double>{0.5, 1.5} << QList<double>{10, 20}
            << QList<double>{5.0 / 35.0, 30.0 / 35.0};
        QTest::newRow("compound: a slot without atoms contributes nothing")
            << compound << QList<double>{2, 0} << QList<double>{12, 16} << QList<double>{1, 0};
        QTest::newRow("mixture: weights in percent, atomic weight unused")
            << mixture << QList<double>{30, 70} << QList<double>{1, 200} << QList<double>{0.3, 0.7};
        QTest::newRow("mixture: a negative weight enters the sum")
            << mixture << QList<double>{3, -1} << QList<double>{1, 1} << QList<double>{1.5, -0.5};
    }
    void fractionRules() {
        QFETCH(int, kind);
        QFETCH(QList<double>, amounts);
        QFETCH(QList<double>, atomicWeights);
        QFETCH(QList<double>, fractions);

        // Flat columns: every interpolated value is the element's own constant.
        const QList<double> energies{1e-3, 0.1, 10};
        putElement("a.ele", elementText(flatRows(energies, 3.0), atomicWeights[0]));
        putElement("b.ele", elementText(flatRows(energies, 5.0), atomicWeights[1]));
        BuilderState state = withSlots({"a.ele", "b.ele"}, amounts);

        const newdata::BuildResult result =
            newdata::BuildMaterial(state, root(), BuilderKind(kind));
        QVERIFY2(result.ok(), newdata::DescribeBuildError(result).c_str());
        QCOMPARE_CLOSE(state.SlotFraction[1], fractions[0]);
        QCOMPARE_CLOSE(state.SlotFraction[2], fractions[1]);
        QCOMPARE(state.GridSize(), 3);
        for (std::size_t c = 0; c < 5; ++c) {
            for (std::size_t j = 1; j <= 3; ++j) {
                QVERIFY(testing::closeTo(state.Combined[c][j],
                                         fractions[0] * 3.0 + fractions[1] * 5.0, 1e-12));
            }
        }
    }

    void weightsOnAnyScaleGiveTheSameFile() {
        putElement("edge.ele", elementText(kEdgeElement, 50));
        putElement("flat.ele", elementText(flatRows({1e-3, 0.5, 10}, 2.0), 10));
        BuilderState percent = withSlots({"edge.ele", "flat.ele"}, {30, 70});
        BuilderState fraction = withSlots({"edge.ele", "flat.ele"}, {0.3, 0.7});
        QVERIFY(newdata::BuildMaterial(percent, root(), BuilderKind::Mixture).ok());
        QVERIFY(newdata::BuildMaterial(fraction, root(), BuilderKind::Mixture).ok());
        QVERIFY(newdata::WriteMaterialFile(root(), "Mix", 1.0, Category::Others, "percent", percent)
                    .ok());
        QVERIFY(
            newdata::WriteMaterialFile(root(), "Mix", 1.0, Category::Others, "fraction", fraction)
                .ok());
        const std::string written = testing::readFile(root() / "mix" / "percent.mix3");
        QCOMPARE(written.substr(0, 12), std::string("Mix\r\n1.\r\n7\r\n"));
        QCOMPARE(written, testing::readFile(root() / "mix" / "fraction.mix3"));
    }

    void mergedGrid_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<double>>("first");
        QTest::addColumn<QList<double>>("second");
        QTest::addColumn<QList<double>>("grid");

        const auto compound = int(BuilderKind::Compound);
        const auto mixture = int(BuilderKind::Mixture);
        QTest::newRow("shared energies appear once")
            << compound << QList<double>{1e-3, 1e-2, 1} << QList<double>{1e-3, 5e-3, 1e-2, 1}
            << QList<double>{1e-3, 5e-3, 1e-2, 1};
        QTest::newRow("energies below slot 1's are sorted in")
            << compound << QList<double>{2e-3, 1} << QList<double>{1e-3, 1.5e-3, 1}
            << QList<double>{1e-3, 1.5e-3, 2e-3, 1};
        QTest::newRow("compound edge moved up by 1E-4")
            << compound << QList<double>{1e-3, 2e-3, 2e-3, 1} << QList<double>{1e-3, 1}
            << QList<double>{1e-3, 2e-3, 2e-3 + 0.0001 * 2e-3, 1};
        QTest::newRow("mixture edge moved up by 1E-5")
            << mixture << QList<double>{1e-3, 2e-3, 2e-3, 1} << QList<double>{1e-3, 1}
            << QList<double>{1e-3, 2e-3, 2e-3 + 0.00001 * 2e-3, 1};
        QTest::newRow("one edge in two elements gives one pair of energies")
            << compound << QList<double>{1e-3, 2e-3, 2e-3, 1} << QList<double>{1e-3, 2e-3, 2e-3, 1}
            << QList<double>{1e-3, 2e-3, 2e-3 + 0.0001 * 2e-3, 1};
        QTest::newRow("edges of two elements interleave")
            << mixture << QList<double>{1e-3, 3e-3, 3e-3, 1} << QList<double>{1e-3, 2e-3, 2e-3, 1}
            << QList<double>{1e-3, 2e-3, 2e-3 + 0.00001 * 2e-3, 3e-3, 3e-3 + 0.00001 * 3e-3, 1};
    }
    void mergedGrid() {
        QFETCH(int, kind);
        QFETCH(QList<double>, first);
        QFETCH(QList<double>, second);
        QFETCH(QList<double>, grid);

        putElement("first.ele", elementText(flatRows(first, 1.0), 1));
        putElement("second.ele", elementText(flatRows(second, 1.0), 1));
        BuilderState state = withSlots({"first.ele", "second.ele"}, {1, 1});
        const newdata::BuildResult result =
            newdata::BuildMaterial(state, root(), BuilderKind(kind));
        QVERIFY2(result.ok(), newdata::DescribeBuildError(result).c_str());
        const QList<double> built(state.MergedGrid.begin() + 1, state.MergedGrid.end());
        QCOMPARE(built, grid);
    }

    void interpolation_data() {
        QTest::addColumn<double>("energy");
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("expected");

        const double above = 2e-3 + 0.00001 * 2e-3;
        QTest::newRow("below the table: the line through points 1 and 2") << 5e-4 << 0 << 64000.0;
        QTest::newRow("on a table point: its value") << 1e-3 << 0 << 8000.0;
        QTest::newRow("edge energy: the value below the edge") << 2e-3 << 2 << 50.0;
        QTest::newRow("nudged edge energy: the value above the edge") << above << 2 << 400.0;
        QTest::newRow("between points: the log-log line") << 1.5 << 0 << 1.0 / 1.5;
        QTest::newRow("below the pair threshold") << 1.5 << 3 << 0.0;
        QTest::newRow("first point above the threshold gives 0") << 2.0 << 3 << 0.0;
        QTest::newRow("next pair point keeps its value") << 10.0 << 3 << 1.0;
        QTest::newRow("electron-field pair at its first point gives 0") << 10.0 << 4 << 0.0;
    }
    void interpolation() {
        QFETCH(double, energy);
        QFETCH(int, column);
        QFETCH(double, expected);

        putElement("edge.ele", elementText(kEdgeElement, 50));
        putElement("wide.ele", elementText(flatRows({5e-4, 1.5, 10}, 1.0), 1));
        BuilderState state = withSlots({"edge.ele", "wide.ele"}, {1, 0});
        const newdata::BuildResult result =
            newdata::BuildMaterial(state, root(), BuilderKind::Mixture);
        QVERIFY2(result.ok(), newdata::DescribeBuildError(result).c_str());
        const std::size_t j = gridIndex(state, energy);
        QVERIFY(j > 0);
        QVERIFY2(
            testing::closeTo(state.Interpolated[1][std::size_t(column)][j], expected, 1e-9),
            qPrintable(QString::number(state.Interpolated[1][std::size_t(column)][j], 'g', 17)));
        // Slot 2 weighs nothing, so the material is slot 1 alone.
        QVERIFY(testing::closeTo(state.Combined[std::size_t(column)][j], expected, 1e-9));
    }

    void sameElementInTwoSlots_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<double>>("amounts");
        QTest::newRow("compound") << int(BuilderKind::Compound) << QList<double>{2, 1};
        QTest::newRow("mixture") << int(BuilderKind::Mixture) << QList<double>{1, 3};
    }
    void sameElementInTwoSlots() {
        QFETCH(int, kind);
        QFETCH(QList<double>, amounts);

        putElement("edge.ele", elementText(kEdgeElement, 50));
        BuilderState state = withSlots({"edge.ele", "edge.ele"}, amounts);
        QVERIFY(newdata::BuildMaterial(state, root(), BuilderKind(kind)).ok());
        QCOMPARE(state.GridSize(), int(kEdgeElement.size()));
        QCOMPARE_CLOSE(state.SlotFraction[1] + state.SlotFraction[2], 1.0);
        for (std::size_t j = 1; j <= kEdgeElement.size(); ++j) {
            for (std::size_t c = 0; c < 5; ++c) {
                double expected = kEdgeElement[j - 1].c[c];
                if (j > 1 && kEdgeElement[j - 2].c[c] == 0.0) {
                    expected = 0.0; // the first value above a threshold
                }
                QVERIFY2(testing::closeTo(state.Combined[c][j], expected, 1e-9),
                         qPrintable(QString("row %1 column %2").arg(j).arg(c)));
            }
        }
    }

    void failures_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("count");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QList<double>>("amounts");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("line");

        const auto compound = int(BuilderKind::Compound);
        const auto mixture = int(BuilderKind::Mixture);
        const QList<double> ones{1, 1};
        auto row = [&](const char* name, int kind, double count, QStringList files,
                       QList<double> amounts, BuildError error, int slot, int line) {
            QTest::newRow(name) << kind << count << files << amounts << int(error) << slot << line;
        };
        row("count below 1 puts no slot in use", compound, 0.5, {"good.ele"}, {1},
            BuildError::BadElementCount, 0, 0);
        row("count above the compound's five slots", compound, 6, {"good.ele"}, {1},
            BuildError::BadElementCount, 0, 0);
        row("used slot without an element", mixture, 2, {"good.ele", ""}, ones,
            BuildError::UnassignedSlot, 2, 0);
        row("missing element file", mixture, 2, {"good.ele", "missing.ele"}, ones,
            BuildError::CannotOpenElement, 2, 0);
        row("element name is a folder", mixture, 1, {"folder.ele"}, ones,
            BuildError::CannotOpenElement, 1, 0);
        row("empty element file", mixture, 1, {"empty.ele"}, ones, BuildError::MissingField, 1, 1);
        row("fewer rows than counted", compound, 1, {"short.ele"}, ones, BuildError::MissingField,
            1, 6);
        row("no atomic weight", compound, 1, {"noweight.ele"}, ones, BuildError::MissingField, 1,
            6);
        row("density not a number", mixture, 1, {"baddensity.ele"}, ones, BuildError::NotANumber, 1,
            2);
        row("row field not a number", mixture, 2, {"good.ele", "badrow.ele"}, ones,
            BuildError::NotANumber, 2, 4);
        row("a single point", mixture, 1, {"one.ele"}, ones, BuildError::BadPointCount, 1, 3);
        row("count not whole", mixture, 1, {"half.ele"}, ones, BuildError::BadPointCount, 1, 3);
        row("121 points", mixture, 1, {"many.ele"}, ones, BuildError::TooManyPoints, 1, 3);
        row("value too large to hold", mixture, 1, {"huge.ele"}, ones, BuildError::NonFiniteValue,
            1, 4);
        row("more than 150 energies together", mixture, 2, {"wide100.ele", "wide60.ele"}, ones,
            BuildError::TooManyEnergies, 2, 0);
        row("grid energy above a slot's last point", mixture, 2, {"good.ele", "upto1.ele"}, ones,
            BuildError::EnergyBeyondTable, 2, 0);
        row("negative coefficient", compound, 2, {"good.ele", "negative.ele"}, ones,
            BuildError::NonPositiveLog, 2, 0);
        row("extrapolation beyond any double", mixture, 2, {"steep.ele", "tiny.ele"}, ones,
            BuildError::NonFiniteValue, 1, 0);
        row("numbers of atoms all 0", compound, 2, {"good.ele", "good.ele"}, {0, 0},
            BuildError::ZeroSum, 0, 0);
        row("weights adding up to 0", mixture, 2, {"good.ele", "good.ele"}, {1, -1},
            BuildError::ZeroSum, 0, 0);
    }
    void failures() {
        QFETCH(int, kind);
        QFETCH(double, count);
        QFETCH(QStringList, files);
        QFETCH(QList<double>, amounts);
        QFETCH(int, error);
        QFETCH(int, slot);
        QFETCH(int, line);

        const std::vector<Row> good = flatRows({5e-4, 1e-3, 1, 10}, 2.0);
        putElement("good.ele", elementText(good, 12));
        std::filesystem::create_directories(root() / "ele" / "folder.ele");
        putElement("empty.ele", "");
        putElement("short.ele", "Short\r\n1.\r\n3\r\n" +
                                    data::FormatTableRow(1e-3, {1, 1, 1, 1, 1}) + "\r\n" +
                                    data::FormatTableRow(1, {1, 1, 1, 1, 1}) + "\r\n");
        std::string noWeight = elementText(flatRows({1e-3, 10}, 1), 1);
        noWeight.erase(noWeight.rfind("1\r\n"));
        putElement("noweight.ele", noWeight);
        putElement("baddensity.ele", "Bad\r\ndense\r\n2\r\n");
        std::string badRow = elementText(good, 12);
        badRow.replace(badRow.find(" 2.000E+00"), 10, " X.000E+00");
        putElement("badrow.ele", badRow);
        putElement("one.ele", elementText(flatRows({1e-3}, 1), 1));
        std::string half = elementText(flatRows({1e-3, 10, 20}, 1), 1);
        half.replace(half.find("\r\n3\r\n"), 5, "\r\n2.5\r\n");
        putElement("half.ele", half);
        QList<double> energies;
        for (int k = 0; k < 121; ++k) {
            energies.push_back(1e-3 * (1 + 0.01 * k));
        }
        putElement("many.ele", elementText(flatRows(energies, 1), 1));
        std::string huge = elementText(good, 12);
        huge.replace(huge.find("2.000E+00"), 9, "1.000E+999");
        putElement("huge.ele", huge);
        QList<double> wide100{10};
        QList<double> wide60{1e-3, 10};
        for (int k = 0; k < 100; ++k) {
            wide100.insert(k, 1e-3 * (1 + 0.01 * k));
        }
        for (int k = 0; k < 60; ++k) {
            wide60.insert(k + 1, 1e-3 * (1.005 + 0.01 * k));
        }
        putElement("wide100.ele", elementText(flatRows(wide100, 1), 1));
        putElement("wide60.ele", elementText(flatRows(wide60, 1), 1));
        putElement("upto1.ele", elementText(flatRows({1e-3, 1}, 1), 1));
        putElement(
            "negative.ele",
            elementText({{1e-4, {1, 1, 1, 1, 1}}, {1e-3, {-1, 1, 1, 1, 1}}, {10, {1, 1, 1, 1, 1}}},
                        1));
        putElement("steep.ele", elementText({{1e-3, {1e30, 1, 1, 1, 1}},
                                             {2e-3, {1e-30, 1, 1, 1, 1}},
                                             {10, {1e-31, 1, 1, 1, 1}}},
                                            1));
        putElement("tiny.ele", elementText(flatRows({1e-6, 10}, 1), 1));

        // A good build first: a failed one must leave its grid and columns alone.
        BuilderState state = withSlots({"good.ele"}, {1});
        QVERIFY(newdata::BuildMaterial(state, root(), BuilderKind(kind)).ok());
        const BuilderState before = state;

        BuilderState tried = before;
        tried.ClearSlots();
        for (qsizetype i = 0; i < files.size(); ++i) {
            tried.SlotFile[std::size_t(i) + 1] = files[i].toStdString();
            tried.SlotAmount[std::size_t(i) + 1] = amounts.value(i);
        }
        tried.ElementCount = count;
        const newdata::BuildResult result =
            newdata::BuildMaterial(tried, root(), BuilderKind(kind));
        QCOMPARE(int(result.error), error);
        QCOMPARE(result.slot, slot);
        QCOMPARE(result.line, line);
        QVERIFY(!newdata::DescribeBuildError(result).empty());
        QCOMPARE(tried.MergedGrid, before.MergedGrid);
        QCOMPARE(tried.Combined, before.Combined);
    }

    void equalNeighbouringEnergies() {
        // Tables read from files never hold them (the nudge separates repeats); a table built
        // in memory can.
        BuilderState state;
        state.Elements[1].n = 3;
        state.Elements[1].E = {0, 1, 1, 2};
        for (auto& column : state.Elements[1].C) {
            column = {0, 1, 2, 3};
        }
        state.MergedGrid = {0, 0.5};
        const newdata::BuildResult result = newdata::InterpolateOnGrid(state, 1);
        QCOMPARE(result.error, BuildError::EqualNeighbours);
        QCOMPARE(result.energyMeV, 0.5);
    }

    void categoryExtension_data() {
        QTest::addColumn<bool>("option1");
        QTest::addColumn<bool>("option2");
        QTest::addColumn<QString>("path");
        QTest::newRow("Human tissues") << true << false << "mix/NewData.mix1";
        QTest::newRow("Phantom substances") << false << true << "mix/NewData.mix2";
        QTest::newRow("Others") << false << false << "mix/NewData.mix3";
    }
    void categoryExtension() {
        QFETCH(bool, option1);
        QFETCH(bool, option2);
        QFETCH(QString, path);

        BuilderState state;
        state.MergedGrid = {0, 1e-3};
        for (auto& column : state.Combined) {
            column = {0, 1};
        }
        const newdata::BuildResult result = newdata::WriteMaterialFile(
            root(), "X", 1, newdata::CategoryOfOptions(option1, option2), "NewData", state);
        QVERIFY(result.ok());
        QCOMPARE(QString::fromStdString(result.path), path);
        QVERIFY(std::filesystem::is_regular_file(root() / path.toStdString()));
    }

    void writtenLayout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("density");
        QTest::addColumn<QString>("nameLine");
        QTest::addColumn<QString>("densityLine");
        QTest::newRow("name with blanks, density below 1")
            << "Chemical compound" << 0.5 << "Chemical compound"
            << ".5";
        QTest::newRow("density 1 keeps its point") << "Mixture" << 1.0 << "Mixture"
                                                   << "1.";
        QTest::newRow("long name written whole")
            << "15 mmol L-1 Ceric Ammonium Sulfate Solution" << 1.03
            << "15 mmol L-1 Ceric Ammonium Sulfate Solution"
            << "1.03";
        QTest::newRow("density rounded to six decimals") << "Air" << 0.00120479 << "Air"
                                                         << ".001205";
    }
    void writtenLayout() {
        QFETCH(QString, name);
        QFETCH(double, density);
        QFETCH(QString, nameLine);
        QFETCH(QString, densityLine);

        BuilderState state;
        state.MergedGrid = {0, 1e-3, 1.0001e-3};
        state.Combined = {std::vector<double>{0, 12.3456, 0.5},
                          {0, 1, 2},
                          {0, 3000, 3},
                          std::vector<double>{0, 0, 0},
                          {0, 0, 1e-7}};
        QVERIFY(newdata::WriteMaterialFile(root(), name.toStdString(), density, Category::Others,
                                           "NewData", state)
                    .ok());
        const std::string expected =
            nameLine.toStdString() + "\r\n" + densityLine.toStdString() +
            "\r\n2\r\n"
            "1.000E-03 1.235E+01 1.000E+00 3.000E+03 0.000E+00 0.000E+00\r\n"
            "1.000E-03 5.000E-01 2.000E+00 3.000E+00 0.000E+00 1.000E-07\r\n";
        QCOMPARE(testing::readFile(root() / "mix" / "NewData.mix3"), expected);
    }

    void savingReplacesAndCategoriesKeepApart() {
        BuilderState state;
        state.MergedGrid = {0, 1e-3};
        for (auto& column : state.Combined) {
            column = {0, 1};
        }
        QVERIFY(
            newdata::WriteMaterialFile(root(), "First", 1, Category::Others, "Same", state).ok());
        QVERIFY(
            newdata::WriteMaterialFile(root(), "Second", 2, Category::Others, "Same", state).ok());
        QVERIFY(
            newdata::WriteMaterialFile(root(), "Third", 3, Category::HumanTissues, "Same", state)
                .ok());
        QCOMPARE(testing::readFile(root() / "mix" / "Same.mix3").substr(0, 12),
                 std::string("Second\r\n2.\r\n"));
        QCOMPARE(testing::readFile(root() / "mix" / "Same.mix1").substr(0, 11),
                 std::string("Third\r\n3.\r\n"));
        QCOMPARE(snapshot(root() / "mix").size(), std::size_t(2));
    }

    void failedWriteLeavesEverythingAsItWas_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("removeMix");
        QTest::addColumn<int>("error");
        QTest::newRow("missing mix folder") << "Old" << true << int(BuildError::CannotWrite);
        QTest::newRow("target is a folder") << "Taken" << false << int(BuildError::CannotWrite);
        QTest::newRow("name into a missing folder")
            << "no/such" << false << int(BuildError::CannotWrite);
        QTest::newRow("empty file name") << "" << false << int(BuildError::CannotWrite);
        QTest::newRow("nothing built yet") << "Old" << false << int(BuildError::NothingBuilt);
    }
    void failedWriteLeavesEverythingAsItWas() {
        QFETCH(QString, fileName);
        QFETCH(bool, removeMix);
        QFETCH(int, error);

        testing::writeFile(root() / "mix" / "Old.mix3", "Old\r\n1.\r\n");
        testing::writeFile(root() / "mix" / "Taken.mix3" / "inside.txt", "kept");
        if (removeMix) {
            std::filesystem::remove_all(root() / "mix");
        }
        BuilderState state;
        if (error != int(BuildError::NothingBuilt)) {
            state.MergedGrid = {0, 1e-3};
            for (auto& column : state.Combined) {
                column = {0, 1};
            }
        }
        const auto before = snapshot(root());
        const newdata::BuildResult result = newdata::WriteMaterialFile(
            root(), "New", 1, Category::Others, fileName.toStdString(), state);
        QCOMPARE(int(result.error), error);
        QCOMPARE(snapshot(root()), before);
    }

    void referenceFileName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("keepParentheses");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("comma") << "Water, Liquid" << false << "Water_Liquid";
        QTest::newRow("parenthesised part dropped")
            << "Air, Dry (near sea level)" << false << "Air_Dry";
        QTest::newRow("slash and tag")
            << "Brain, Grey/White Matter (ICRU-44)" << false << "Brain_Grey_White_Matter";
        QTest::newRow("hyphens kept")
            << "A-150 Tissue-Equivalent Plastic" << false << "A-150_Tissue-Equivalent_Plastic";
        QTest::newRow("parentheses kept on request")
            << "Tissue, Soft (ICRU Four-Component)" << true << "Tissue_Soft_ICRU_Four-Component";
        QTest::newRow("no leading hyphen") << "-Odd- name" << false << "Odd-_name";
    }
    void referenceFileName() {
        QFETCH(QString, name);
        QFETCH(bool, keepParentheses);
        QFETCH(QString, fileName);
        QCOMPARE(
            QString::fromStdString(newdata::ReferenceFileName(name.toStdString(), keepParentheses)),
            fileName);
    }

    void referenceListRejectsDamagedRows_data() {
        QTest::addColumn<QString>("row");
        QTest::newRow("four fields") << "x,X,1.0,other";
        QTest::newRow("unknown category") << "x,X,1.0,bone,1:1";
        QTest::newRow("density not a number") << "x,X,dense,other,1:1";
        QTest::newRow("weight not a number") << "x,X,1.0,other,1:a";
        QTest::newRow("Z not a number") << "x,X,1.0,other,H:1";
        QTest::newRow("quote not closed") << "x,\"X, Y,1.0,other,1:1";
    }
    void referenceListRejectsDamagedRows() {
        QFETCH(QString, row);
        const std::string header = "key,name,density_g_cm3,category,composition\n";
        const std::string good = "w,\"Water, Liquid\",1.000,phantom,1:0.111898;8:0.888102\n";
        std::vector<newdata::ReferenceMaterial> materials;
        std::string error;
        QVERIFY(newdata::ParseReferenceMaterials(header + good, materials, error));
        QCOMPARE(materials.size(), std::size_t(1));
        QCOMPARE(materials[0].name, std::string("Water, Liquid"));
        QCOMPARE(materials[0].category, Category::PhantomSubstances);
        QCOMPARE(materials[0].composition.size(), std::size_t(2));
        QCOMPARE(materials[0].composition[1].first, 8);
        QCOMPARE(materials[0].composition[1].second, 0.888102);

        QVERIFY(!newdata::ParseReferenceMaterials(header + good + row.toStdString() + "\n",
                                                  materials, error));
        QVERIFY2(error.find("line 3") != std::string::npos, error.c_str());
    }

    void referenceMaterialsFromSmallList() {
        putElement("001_H.ele", elementText(flatRows({1e-3, 1, 10}, 2.0), 1.008));
        putElement("008_O.ele", elementText(flatRows({1e-3, 0.5, 10}, 4.0), 15.999));
        putElement("user.txt", "not an element");
        testing::writeFile(root() / "list.csv",
                           "key,name,density_g_cm3,category,composition\n"
                           "a,\"Tissue, Soft (ICRU-44)\",1.06,human,1:0.5;8:0.5\n"
                           "b,\"Tissue, Soft (Four-Component)\",1.0,human,1:0.25;8:0.75\n"
                           "c,\"Water, Liquid\",1.000,phantom,1:0.111898;8:0.888102\n"
                           "d,Iron,7.874,other,26:1\n");
        const auto files = newdata::ListElementFiles(root() / "ele");
        QCOMPARE(files.size(), std::size_t(2));
        QCOMPARE(files.at(8), std::string("008_O.ele"));

        const std::filesystem::path out = root() / "out";
        std::filesystem::create_directories(out / "mix");
        std::vector<newdata::GeneratedMaterial> generated;
        std::string error;
        QVERIFY(newdata::GenerateReferenceMaterials(root() / "list.csv", root(), out, generated,
                                                    error));
        QCOMPARE(generated.size(), std::size_t(4));
        QCOMPARE(generated[0].relativePath, std::string("mix/Tissue_Soft_ICRU-44.mix1"));
        QCOMPARE(generated[1].relativePath, std::string("mix/Tissue_Soft_Four-Component.mix1"));
        QCOMPARE(generated[2].relativePath, std::string("mix/Water_Liquid.mix2"));
        QCOMPARE(generated[2].gridSize, 4);
        QVERIFY(generated[2].problem.empty());
        QVERIFY(!generated[3].problem.empty()); // no iron file
        QVERIFY(!std::filesystem::exists(out / "mix" / "Iron.mix3"));

        const std::string water = testing::readFile(out / "mix" / "Water_Liquid.mix2");
        QCOMPARE(water.substr(0, 22), std::string("Water, Liquid\r\n1.\r\n4\r\n"));
        // 0.111898 x 2 + 0.888102 x 4 in every column.
        QVERIFY(water.find("1.000E-03 3.776E+00 3.776E+00") != std::string::npos);
    }
};

QTEST_GUILESS_MAIN(NewdataBuilderTest)
#include "test_newdata_builder.moc"

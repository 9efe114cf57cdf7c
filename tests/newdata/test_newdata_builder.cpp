#include "fakes/TestSupport.h"

#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "newdata/Builder.h"
#include "newdata/MaterialWriter.h"
#include "newdata/ReferenceMaterials.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>
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

/// A state as a successful build of one energy leaves it, ready to save.
BuilderState builtState() {
    BuilderState state;
    state.MergedGrid = {0, 1e-3};
    for (auto& column : state.Combined) {
        column = {0, 1};
    }
    return state;
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

    void fractionsAndGrid_data() {
        using L = QList<double>;
        QTest::addColumn<int>("kind");
        QTest::addColumn<L>("amounts");
        QTest::addColumn<L>("atomicWeights");
        QTest::addColumn<L>("fractions");
        QTest::addColumn<L>("first"); // energies of the two elements, and of the merged grid
        QTest::addColumn<L>("second");
        QTest::addColumn<L>("grid");
        const auto fractions = [](const char* name, BuilderKind kind, L amounts, L weights,
                                  L expected) {
            const L energies{1e-3, 0.1, 10};
            QTest::newRow(name) << int(kind) << amounts << weights << expected << energies
                                << energies << energies;
        };
        const auto grid = [](const char* name, BuilderKind kind, L first, L second, L expected) {
            QTest::newRow(name) << int(kind) << L{1, 1} << L{1, 1} << L{0.5, 0.5} << first << second
                                << expected;
        };
        const auto compound = BuilderKind::Compound;
        const auto mixture = BuilderKind::Mixture;
        fractions("compound: atoms times atomic weight (water)", compound, {2, 1}, {1.008, 15.999},
                  {2.016 / 18.015, 15.999 / 18.015});
        fractions("compound: fractional numbers of atoms", compound, {0.5, 1.5}, {10, 20},
                  {5.0 / 35.0, 30.0 / 35.0});
        fractions("compound: a slot without atoms contributes nothing", compound, {2, 0}, {12, 16},
                  {1, 0});
        fractions("mixture: weights in percent, atomic weight unused", mixture, {30, 70}, {1, 200},
                  {0.3, 0.7});
        fractions("mixture: a negative weight enters the sum", mixture, {3, -1}, {1, 1},
                  {1.5, -0.5});
        grid("shared energies appear once", compound, {1e-3, 1e-2, 1}, {1e-3, 5e-3, 1e-2, 1},
             {1e-3, 5e-3, 1e-2, 1});
        grid("energies below slot 1's are sorted in", compound, {2e-3, 1}, {1e-3, 1.5e-3, 1},
             {1e-3, 1.5e-3, 2e-3, 1});
        grid("compound edge moved up by 1E-4", compound, {1e-3, 2e-3, 2e-3, 1}, {1e-3, 1},
             {1e-3, 2e-3, 2e-3 + 0.0001 * 2e-3, 1});
        grid("mixture edge moved up by 1E-5", mixture, {1e-3, 2e-3, 2e-3, 1}, {1e-3, 1},
             {1e-3, 2e-3, 2e-3 + 0.00001 * 2e-3, 1});
        grid("one edge in two elements gives one pair of energies", compound, {1e-3, 2e-3, 2e-3, 1},
             {1e-3, 2e-3, 2e-3, 1}, {1e-3, 2e-3, 2e-3 + 0.0001 * 2e-3, 1});
        grid("edges of two elements interleave", mixture, {1e-3, 3e-3, 3e-3, 1},
             {1e-3, 2e-3, 2e-3, 1},
             {1e-3, 2e-3, 2e-3 + 0.00001 * 2e-3, 3e-3, 3e-3 + 0.00001 * 3e-3, 1});
    }
    void fractionsAndGrid() {
        QFETCH(int, kind);
        QFETCH(QList<double>, amounts);
        QFETCH(QList<double>, atomicWeights);
        QFETCH(QList<double>, fractions);
        QFETCH(QList<double>, first);
        QFETCH(QList<double>, second);
        QFETCH(QList<double>, grid);

        // Flat columns: every interpolated value is the element's own constant.
        putElement("a.ele", elementText(flatRows(first, 3.0), atomicWeights[0]));
        putElement("b.ele", elementText(flatRows(second, 5.0), atomicWeights[1]));
        BuilderState state = withSlots({"a.ele", "b.ele"}, amounts);
        const newdata::BuildResult result =
            newdata::BuildMaterial(state, root(), BuilderKind(kind));
        QVERIFY2(result.ok(), newdata::DescribeBuildError(result).c_str());
        QCOMPARE(QList<double>(state.MergedGrid.begin() + 1, state.MergedGrid.end()), grid);
        QCOMPARE_CLOSE(state.SlotFraction[1], fractions[0]);
        QCOMPARE_CLOSE(state.SlotFraction[2], fractions[1]);
        for (std::size_t c = 0; c < 5; ++c) {
            for (std::size_t j = 1; j <= std::size_t(grid.size()); ++j) {
                QVERIFY(testing::closeTo(state.Combined[c][j],
                                         fractions[0] * 3.0 + fractions[1] * 5.0, 1e-12));
            }
        }
    }

    void interpolationWithOneElementTwice_data() {
        QTest::addColumn<double>("energy");
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("expected");
        const double above = 2e-3 + 0.00001 * 2e-3;
        QTest::newRow("below the table: the line through points 1 and 2") << 5e-4 << 0 << 64000.0;
        QTest::newRow("on a table point: its value") << 1e-3 << 0 << 8000.0;
        QTest::newRow("edge energy: the value below the edge") << 2e-3 << 2 << 50.0;
        QTest::newRow("just above the edge: the value above the edge") << above << 2 << 400.0;
        QTest::newRow("between points: the log-log line") << 1.5 << 0 << 1.0 / 1.5;
        QTest::newRow("first point above the pair threshold gives 0") << 2.0 << 3 << 0.0;
        QTest::newRow("next pair point keeps its value") << 10.0 << 3 << 1.0;
    }
    void interpolationWithOneElementTwice() {
        QFETCH(double, energy);
        QFETCH(int, column);
        QFETCH(double, expected);

        // One element in two slots is that element alone: no extra energies, the same values.
        // The third slot weighs nothing and only widens the grid.
        putElement("edge.ele", elementText(kEdgeElement, 50));
        putElement("wide.ele", elementText(flatRows({5e-4, 1.5, 10}, 1.0), 1));
        for (const auto& [kind, amounts] :
             {std::pair{BuilderKind::Compound, QList<double>{2, 1, 0}},
              std::pair{BuilderKind::Mixture, QList<double>{1, 3, 0}}}) {
            BuilderState state = withSlots({"edge.ele", "edge.ele", "wide.ele"}, amounts);
            const newdata::BuildResult result = newdata::BuildMaterial(state, root(), kind);
            QVERIFY2(result.ok(), newdata::DescribeBuildError(result).c_str());
            QCOMPARE(state.GridSize(), 8);
            QCOMPARE_CLOSE(state.SlotFraction[1] + state.SlotFraction[2], 1.0);
            // The grid energy at or just above the one asked for: the edge's nudge depends on
            // the builder.
            const auto at =
                std::lower_bound(state.MergedGrid.begin() + 1, state.MergedGrid.end(), energy);
            QVERIFY(at != state.MergedGrid.end());
            const auto j = std::size_t(at - state.MergedGrid.begin());
            const double value = state.Interpolated[1][std::size_t(column)][j];
            QVERIFY2(testing::closeTo(value, expected, 1e-9),
                     qPrintable(QString::number(value, 'g', 17)));
            QVERIFY(testing::closeTo(state.Combined[std::size_t(column)][j], expected, 1e-9));
        }
    }

    void failures_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<double>("count"); // 0: as many as there are files
        QTest::addColumn<QList<double>>("amounts");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("line");

        const auto compound = int(BuilderKind::Compound);
        const auto mixture = int(BuilderKind::Mixture);
        auto row = [&](const char* name, int kind, QStringList files, BuildError error, int slot,
                       int line, QList<double> amounts = {1, 1}, double count = 0) {
            QTest::newRow(name) << kind << files << count << amounts << int(error) << slot << line;
        };
        row("count above the compound's five slots", compound, QStringList(6, "good.ele"),
            BuildError::BadElementCount, 0, 0);
        row("count below 1 puts no slot in use", compound, {"good.ele"},
            BuildError::BadElementCount, 0, 0, {1}, 0.5);
        row("used slot without an element", mixture, {"good.ele", ""}, BuildError::UnassignedSlot,
            2, 0);
        row("missing element file", mixture, {"good.ele", "missing.ele"},
            BuildError::CannotOpenElement, 2, 0);
        row("element name is a folder", mixture, {"folder.ele"}, BuildError::CannotOpenElement, 1,
            0);
        row("empty element file", mixture, {"empty.ele"}, BuildError::MissingField, 1, 1);
        row("fewer rows than counted", compound, {"short.ele"}, BuildError::MissingField, 1, 6);
        row("row field not a number", mixture, {"good.ele", "badrow.ele"}, BuildError::NotANumber,
            2, 4);
        row("count not whole", mixture, {"half.ele"}, BuildError::BadPointCount, 1, 3);
        row("a single point", mixture, {"one.ele"}, BuildError::BadPointCount, 1, 3);
        row("121 points", mixture, {"many.ele"}, BuildError::TooManyPoints, 1, 3);
        row("value too large to hold", mixture, {"huge.ele"}, BuildError::NonFiniteValue, 1, 4);
        row("extrapolation beyond any double", mixture, {"steep.ele", "tiny.ele"},
            BuildError::NonFiniteValue, 1, 0);
        row("more than 150 energies together", mixture, {"wide100.ele", "wide60.ele"},
            BuildError::TooManyEnergies, 2, 0);
        row("grid energy above a slot's last point", mixture, {"good.ele", "upto1.ele"},
            BuildError::EnergyBeyondTable, 2, 0);
        row("negative coefficient", compound, {"good.ele", "negative.ele"},
            BuildError::NonPositiveLog, 2, 0);
        row("numbers of atoms all 0", compound, {"good.ele", "good.ele"}, BuildError::ZeroSum, 0, 0,
            {0, 0});
        row("weights adding up to 0", mixture, {"good.ele", "good.ele"}, BuildError::ZeroSum, 0, 0,
            {1, -1});
    }
    void failures() {
        QFETCH(int, kind);
        QFETCH(QStringList, files);
        QFETCH(double, count);
        QFETCH(QList<double>, amounts);
        QFETCH(int, error);
        QFETCH(int, slot);
        QFETCH(int, line);

        const std::vector<Row> good = flatRows({5e-4, 1e-3, 1, 10}, 2.0);
        const std::string goodText = elementText(good, 12);
        const auto changed = [&](const std::string& from, const std::string& to) {
            std::string text = goodText;
            return text.replace(text.find(from), from.size(), to);
        };
        putElement("good.ele", goodText);
        std::filesystem::create_directories(root() / "ele" / "folder.ele");
        putElement("empty.ele", "");
        putElement("one.ele", elementText(flatRows({1e-3}, 1), 1));
        putElement("short.ele", "Short\r\n1.\r\n3\r\n" +
                                    data::FormatTableRow(1e-3, {1, 1, 1, 1, 1}) + "\r\n" +
                                    data::FormatTableRow(1, {1, 1, 1, 1, 1}) + "\r\n");
        putElement("badrow.ele", changed(" 2.000E+00", " X.000E+00"));
        putElement("half.ele", changed("\r\n4\r\n", "\r\n2.5\r\n"));
        putElement("huge.ele", changed("2.000E+00", "1.000E+999"));
        QList<double> many, interleaved{1e-3};
        for (int k = 0; k < 121; ++k) {
            many << 1e-3 * (1 + 0.01 * k);
            if (k < 60) {
                interleaved << 1e-3 * (1.005 + 0.01 * k);
            }
        }
        putElement("many.ele", elementText(flatRows(many, 1), 1));
        putElement("wide100.ele", elementText(flatRows(many.mid(0, 100) << 10, 1), 1));
        putElement("wide60.ele", elementText(flatRows(interleaved << 10, 1), 1));
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
        BuilderState before = withSlots({"good.ele"}, {1});
        QVERIFY(newdata::BuildMaterial(before, root(), BuilderKind(kind)).ok());
        BuilderState tried = withSlots(files, amounts);
        if (count != 0) {
            tried.ElementCount = count;
        }
        tried.MergedGrid = before.MergedGrid;
        tried.Combined = before.Combined;
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
        // Files never hold them (the nudge separates repeats); a table built in memory can.
        BuilderState state;
        state.Elements[1].n = 3;
        state.Elements[1].E = {0, 1, 1, 2};
        state.Elements[1].C.fill(std::vector<double>{0, 1, 2, 3});
        state.MergedGrid = {0, 0.5};
        const newdata::BuildResult result = newdata::InterpolateOnGrid(state, 1);
        QCOMPARE(result.error, BuildError::EqualNeighbours);
        QCOMPARE(result.energyMeV, 0.5);
    }

    void writtenLayout() {
        BuilderState state;
        state.MergedGrid = {0, 1e-3, 1.0001e-3};
        state.Combined = {std::vector<double>{0, 12.3456, 0.5},
                          {0, 1, 2},
                          {0, 3000, 3},
                          std::vector<double>{0, 0, 0},
                          {0, 0, 1e-7}};
        const std::string name = "15 mmol L-1 Ceric Ammonium Sulfate Solution";
        QVERIFY(
            newdata::WriteMaterialFile(root(), name, 0.00120479, Category::Others, "NewData", state)
                .ok());
        QCOMPARE(testing::readFile(root() / "mix" / "NewData.mix3"),
                 name + "\r\n.001205\r\n2\r\n"
                        "1.000E-03 1.235E+01 1.000E+00 3.000E+03 0.000E+00 0.000E+00\r\n"
                        "1.000E-03 5.000E-01 2.000E+00 3.000E+00 0.000E+00 1.000E-07\r\n");
    }

    void savingReplacesAndCategoriesKeepApart() {
        const BuilderState state = builtState();
        const auto save = [&](const char* name, Category category) {
            const newdata::BuildResult result =
                newdata::WriteMaterialFile(root(), name, 1, category, "Same", state);
            return result.ok() ? result.path : "failed: " + newdata::DescribeBuildError(result);
        };
        QCOMPARE(save("First", Category::Others), std::string("mix/Same.mix3"));
        QCOMPARE(save("Second", newdata::CategoryOfOptions(false, false)),
                 std::string("mix/Same.mix3"));
        QCOMPARE(save("Third", newdata::CategoryOfOptions(true, false)),
                 std::string("mix/Same.mix1"));
        QCOMPARE(save("Fourth", newdata::CategoryOfOptions(false, true)),
                 std::string("mix/Same.mix2"));
        QCOMPARE(testing::readFile(root() / "mix" / "Same.mix3").substr(0, 8),
                 std::string("Second\r\n"));
        QCOMPARE(testing::readFile(root() / "mix" / "Same.mix1").substr(0, 7),
                 std::string("Third\r\n"));
        QCOMPARE(snapshot(root() / "mix").size(), std::size_t(3));
    }

    void failedWriteLeavesEverythingAsItWas_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("removeMix");
        QTest::addColumn<int>("error");
        QTest::newRow("missing mix folder") << "Old" << true << int(BuildError::CannotWrite);
        QTest::newRow("target is a folder") << "Taken" << false << int(BuildError::CannotWrite);
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
        const BuilderState state =
            error == int(BuildError::NothingBuilt) ? BuilderState{} : builtState();
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
        const auto row = [](const char* name, const char* material, bool keep, const char* file) {
            QTest::newRow(name) << QString(material) << keep << QString(file);
        };
        row("slash and tag", "Brain, Grey/White Matter (ICRU-44)", false,
            "Brain_Grey_White_Matter");
        row("parentheses kept on request", "Tissue, Soft (ICRU Four-Component)", true,
            "Tissue_Soft_ICRU_Four-Component");
        row("no leading hyphen", "-Odd- name", false, "Odd-_name");
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
        QTest::newRow("weight not a number") << "x,X,1.0,other,1:a";
        QTest::newRow("quote not closed") << "x,\"X, Y,1.0,other,1:1";
    }
    void referenceListRejectsDamagedRows() {
        QFETCH(QString, row);
        const std::string good = "key,name,density_g_cm3,category,composition\n"
                                 "w,\"Water, Liquid\",1.000,phantom,1:0.111898;8:0.888102\n";
        std::vector<newdata::ReferenceMaterial> materials;
        std::string error;
        QVERIFY(newdata::ParseReferenceMaterials(good, materials, error));
        QVERIFY(
            !newdata::ParseReferenceMaterials(good + row.toStdString() + "\n", materials, error));
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
        QVERIFY(generated[2].problem.empty());
        QVERIFY(!generated[3].problem.empty()); // no iron file
        QVERIFY(!std::filesystem::exists(out / "mix" / "Iron.mix3"));
        // 0.111898 x 2 + 0.888102 x 4 in every column.
        QVERIFY(testing::readFile(out / "mix" / "Water_Liquid.mix2")
                    .starts_with("Water, Liquid\r\n1.\r\n4\r\n1.000E-03 3.776E+00 3.776E+00"));
    }
};

QTEST_GUILESS_MAIN(NewdataBuilderTest)
#include "test_newdata_builder.moc"

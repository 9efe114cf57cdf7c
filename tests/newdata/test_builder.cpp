// The compound and mixture builders against hand-computed sums, their failures, and the
// material file they write.

#include "fakes/TestSupport.h"

#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "newdata/Builder.h"
#include "newdata/MaterialWriter.h"

#include <algorithm>

namespace fs = std::filesystem;
using newdata::BuilderKind;
using newdata::BuildError;
using newdata::BuilderState;
using L = std::vector<double>;
constexpr BuilderKind kCompound = BuilderKind::Compound;
constexpr BuilderKind kMixture = BuilderKind::Mixture;

namespace {

struct Row {
    double energy;
    std::array<double, 5> c;
};

/// An element file as the library holds them: name, density, count, rows, atomic weight.
std::string element(const std::vector<Row>& rows, double atomicWeight = 1) {
    std::vector<std::string> lines{"Element", "1.", data::FormatCount(double(rows.size()))};
    for (const Row& row : rows) {
        lines.push_back(data::FormatTableRow(row.energy, row.c));
    }
    lines.push_back(data::FormatExact(atomicWeight));
    return data::JoinLines(lines);
}

/// An element whose five columns hold `value` at every one of `energies`.
std::string flat(const L& energies, double value = 1, double atomicWeight = 1) {
    std::vector<Row> rows;
    for (double e : energies) {
        rows.push_back({e, {value, value, value, value, value}});
    }
    return element(rows, atomicWeight);
}

/// Slots 1.. get element files of the texts given (in `root/ele`) and the amounts; the count is
/// their number. "<none>" leaves a slot unassigned, "<missing>" names a file that is not there.
BuilderState withSlots(const fs::path& root, const std::vector<std::string>& texts,
                       const L& amounts) {
    BuilderState state;
    state.ElementCount = double(texts.size());
    for (std::size_t slot = 1; slot <= texts.size(); ++slot) {
        const std::string& text = texts[slot - 1];
        const std::string name = std::to_string(slot) + ".ele";
        state.SlotAmount[slot] = slot <= amounts.size() ? amounts[slot - 1] : 0.0;
        state.SlotFile[slot] = text == "<none>" ? "" : name;
        if (text != "<missing>" && text != "<none>") {
            testing::writeFile(root / "ele" / name, text);
        }
    }
    return state;
}

/// An element with an edge at 2 keV and pair production starting at 2 MeV.
const std::vector<Row> kEdgeElement = {
    {1e-3, {8000, 1, 100, 0, 0}}, {2e-3, {1000, 2, 50, 0, 0}},  {2e-3, {1000, 2, 400, 0, 0}},
    {1.0, {1, 3, 40, 0, 0}},      {2.0, {0.5, 4, 20, 0.25, 0}}, {10.0, {0.1, 5, 10, 1, 0.5}},
};

const std::string kLongName = "15 mmol L-1 Ceric Ammonium Sulfate Solution";

struct Sums {
    BuilderKind kind;
    L amounts, atomicWeights, fractions;
    L first, second, grid; // energies of the two elements and of the merged grid
};

struct Failure {
    BuilderKind kind;
    std::vector<std::string> files; // texts, or <none>, <missing>
    BuildError error;
    int slot = 0, line = 0;
    double energyMeV = 0;
    L amounts{1, 1};
    double count = 0; // 0: as many as there are files
    int gridSize = 0; // of a build that succeeds
};

struct Saved {
    L row; // energy and five coefficients; empty: nothing built
    BuildError error;
    std::string expected; // the file written, or part of the failure's sentence
    double density = 1.06;
    std::string path = "mix/New.mix3";
    std::string fileName = "New";
    bool option1 = false, option2 = false;
};

} // namespace

Q_DECLARE_METATYPE(Sums)
Q_DECLARE_METATYPE(Failure)
Q_DECLARE_METATYPE(Saved)

class BuilderTest : public QObject {
    Q_OBJECT

  private slots:
    void fractionsAndGrid_data() {
        QTest::addColumn<Sums>("c");
        const L e{1e-3, 0.1, 10};
        const auto grid = [](BuilderKind kind, L first, L second, L merged) {
            return Sums{kind, {1, 1}, {1, 1}, {0.5, 0.5}, first, second, merged};
        };
        QTest::newRow("compound: atoms times atomic weight (water)")
            << Sums{kCompound, {2, 1}, {1.008, 15.999}, {2.016 / 18.015, 15.999 / 18.015}, e, e, e};
        QTest::newRow("mixture: weights on any scale, atomic weight unused")
            << Sums{kMixture, {30, 70}, {1, 200}, {0.3, 0.7}, e, e, e};
        QTest::newRow("mixture: a negative weight enters the sum")
            << Sums{kMixture, {3, -1}, {1, 1}, {1.5, -0.5}, e, e, e};
        QTest::newRow("shared energies appear once, the rest sorted in")
            << grid(kCompound, {2e-3, 1e-2, 1}, {1e-3, 2e-3, 5e-3, 1}, {1e-3, 2e-3, 5e-3, 1e-2, 1});
        QTest::newRow("compound edge moved up by 1E-4") << grid(
            kCompound, {1e-3, 2e-3, 2e-3, 1}, {1e-3, 1}, {1e-3, 2e-3, 2e-3 + 0.0001 * 2e-3, 1});
        QTest::newRow("one edge in both elements, mixture step 1E-5")
            << grid(kMixture, {1e-3, 2e-3, 2e-3, 1}, {1e-3, 2e-3, 2e-3, 1},
                    {1e-3, 2e-3, 2e-3 + 0.00001 * 2e-3, 1});
        QTest::newRow("edges of two elements interleave")
            << grid(kMixture, {1e-3, 3e-3, 3e-3, 1}, {1e-3, 2e-3, 2e-3, 1},
                    {1e-3, 2e-3, 2e-3 + 0.00001 * 2e-3, 3e-3, 3e-3 + 0.00001 * 3e-3, 1});
    }
    void fractionsAndGrid() {
        QFETCH(Sums, c);
        // Flat columns: every interpolated value is the element's own constant.
        testing::TempFolder folder;
        BuilderState state =
            withSlots(folder.path(),
                      {flat(c.first, 3, c.atomicWeights[0]), flat(c.second, 5, c.atomicWeights[1])},
                      c.amounts);
        const newdata::BuildResult result = newdata::BuildMaterial(state, folder.path(), c.kind);
        QVERIFY2(result.ok(), newdata::DescribeBuildError(result).c_str());
        QCOMPARE(L(state.MergedGrid.begin() + 1, state.MergedGrid.end()), c.grid);
        QCOMPARE_CLOSE(state.SlotFraction[1], c.fractions[0]);
        QCOMPARE_CLOSE(state.SlotFraction[2], c.fractions[1]);
        for (const auto& column : state.Combined) {
            QCOMPARE(column.size(), c.grid.size() + 1);
            for (std::size_t j = 1; j < column.size(); ++j) {
                QCOMPARE_CLOSE(column[j], c.fractions[0] * 3.0 + c.fractions[1] * 5.0);
            }
        }
    }

    void interpolation_data() {
        QTest::addColumn<double>("energy");
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("expected");
        QTest::newRow("below the table: the line through points 1 and 2") << 5e-4 << 0 << 64000.0;
        QTest::newRow("on a table point: its value") << 1e-3 << 0 << 8000.0;
        QTest::newRow("edge energy: the value below the edge") << 2e-3 << 2 << 50.0;
        QTest::newRow("just above the edge: the value above") << 2.00002e-3 << 2 << 400.0;
        QTest::newRow("between points: the log-log line") << 1.5 << 0 << 1.0 / 1.5;
        QTest::newRow("first point above the pair threshold gives 0") << 2.0 << 3 << 0.0;
        QTest::newRow("next pair point keeps its value") << 10.0 << 3 << 1.0;
    }
    void interpolation() {
        QFETCH(double, energy);
        QFETCH(int, column);
        QFETCH(double, expected);
        // One element in two slots is that element alone: no extra energies, the same values.
        // The third slot weighs nothing and only widens the grid.
        testing::TempFolder folder;
        const std::string edge = element(kEdgeElement, 50);
        for (const auto& [kind, amounts] :
             {std::pair{kCompound, L{2, 1, 0}}, std::pair{kMixture, L{1, 3, 0}}}) {
            BuilderState state =
                withSlots(folder.path(), {edge, edge, flat({5e-4, 1.5, 10})}, amounts);
            QVERIFY(newdata::BuildMaterial(state, folder.path(), kind).ok());
            QCOMPARE(state.GridSize(), 8);
            // The grid energy at or just above the one asked for: the nudge depends on the kind.
            const auto j = std::size_t(
                std::lower_bound(state.MergedGrid.begin() + 1, state.MergedGrid.end(), energy) -
                state.MergedGrid.begin());
            const double value = state.Interpolated[1][std::size_t(column)][j];
            QVERIFY2(testing::closeTo(value, expected, 1e-9), qPrintable(QString::number(value)));
            QVERIFY(testing::closeTo(state.Combined[std::size_t(column)][j], expected, 1e-9));
        }
    }

    void failures_data() {
        QTest::addColumn<Failure>("c");
        const std::string good = flat({5e-4, 1e-3, 1, 10}, 2, 12);
        const auto changed = [&](const std::string& from, const std::string& to) {
            return std::string(good).replace(good.find(from), from.size(), to);
        };
        L many, interleaved{1e-3};
        for (int k = 0; k < 121; ++k) {
            many.push_back(1e-3 * (1 + 0.01 * k));
            interleaved.push_back(1e-3 * (1.005 + 0.01 * k));
        }
        const auto first = [](const L& values, std::size_t n, L more = {}) {
            L part(values.begin(), values.begin() + std::ptrdiff_t(n));
            part.insert(part.end(), more.begin(), more.end());
            return part;
        };
        const std::string wide = flat(first(many, 100, {10}));
        const std::string row1 = data::FormatTableRow(1e-3, {1, 1, 1, 1, 1}) + "\r\n";
        const std::string shortFile = "Short\r\n1.\r\n3\r\n" + row1 + row1;
        const std::string wide49 = flat(first(interleaved, 50, {10}));
        const std::string steep = element(
            {{1e-3, {1e30, 1, 1, 1, 1}}, {2e-3, {1e-30, 1, 1, 1, 1}}, {10, {1, 1, 1, 1, 1}}});
        const std::string negative =
            element({{1e-4, {1, 1, 1, 1, 1}}, {1e-3, {-1, 1, 1, 1, 1}}, {10, {1, 1, 1, 1, 1}}});
        const auto row = [](const char* name, Failure c) { QTest::newRow(name) << c; };
        row("count above the compound's five slots",
            {kCompound, std::vector(6, good), BuildError::BadElementCount});
        row("count below 1 puts no slot in use",
            {kCompound, {good}, BuildError::BadElementCount, 0, 0, 0, {1}, 0.5});
        row("used slot without an element",
            {kMixture, {good, "<none>"}, BuildError::UnassignedSlot, 2});
        row("missing element file",
            {kMixture, {good, "<missing>"}, BuildError::CannotOpenElement, 2});
        row("empty element file", {kMixture, {""}, BuildError::MissingField, 1, 1});
        row("fewer rows than counted", {kCompound, {shortFile}, BuildError::MissingField, 1, 6});
        row("row field not a number",
            {kMixture, {good, changed(" 2.000E+00", " X.000E+00")}, BuildError::NotANumber, 2, 4});
        row("count not whole",
            {kMixture, {changed("\r\n4\r\n", "\r\n2.5\r\n")}, BuildError::BadPointCount, 1, 3});
        row("a single point", {kMixture, {flat({1e-3})}, BuildError::BadPointCount, 1, 3});
        row("121 points", {kMixture, {flat(many)}, BuildError::TooManyPoints, 1, 3});
        row("120 points",
            {kMixture, {flat(first(many, 120))}, BuildError::None, 0, 0, 0, {1}, 0, 120});
        row("a field of decimals only", {kMixture,
                                         {changed("\r\n12\r\n", "\r\n.9\r\n")},
                                         BuildError::None,
                                         0,
                                         0,
                                         0,
                                         {1},
                                         0,
                                         4});
        row("value too large to hold",
            {kMixture, {changed("2.000E+00", "1.000E+999")}, BuildError::NonFiniteValue, 1, 4});
        row("extrapolation beyond any double",
            {kMixture, {steep, flat({1e-6, 10})}, BuildError::NonFiniteValue, 1, 0, 1e-6});
        row("151 energies together",
            {kMixture, {wide, flat(first(interleaved, 51, {10}))}, BuildError::TooManyEnergies, 2});
        row("150 energies together",
            {kMixture, {wide, wide49}, BuildError::None, 0, 0, 0, {1, 1}, 0, 150});
        row("grid energy above a slot's last point",
            {kMixture, {good, flat({1e-3, 1})}, BuildError::EnergyBeyondTable, 2, 0, 10});
        row("negative coefficient",
            {kCompound, {good, negative}, BuildError::NonPositiveLog, 2, 0, 1e-4});
        row("numbers of atoms all 0",
            {kCompound, {good, good}, BuildError::ZeroSum, 0, 0, 0, {0, 0}});
        row("weights adding up to 0",
            {kMixture, {good, good}, BuildError::ZeroSum, 0, 0, 0, {1, -1}});
    }
    void failures() {
        QFETCH(Failure, c);
        testing::TempFolder folder;
        // A good build first: a failed one must leave its grid and columns alone.
        const fs::path elsewhere = folder.path() / "before";
        BuilderState before = withSlots(elsewhere, {flat({1e-3, 1})}, {1});
        QVERIFY(newdata::BuildMaterial(before, elsewhere, c.kind).ok());
        BuilderState tried = withSlots(folder.path(), c.files, c.amounts);
        tried.ElementCount = c.count != 0 ? c.count : tried.ElementCount;
        tried.MergedGrid = before.MergedGrid;
        tried.Combined = before.Combined;

        const newdata::BuildResult result = newdata::BuildMaterial(tried, folder.path(), c.kind);
        QCOMPARE(result.error, c.error);
        QCOMPARE(result.slot, c.slot);
        QCOMPARE(result.line, c.line);
        QCOMPARE(result.energyMeV, c.energyMeV);
        if (result.ok()) {
            QCOMPARE(tried.GridSize(), c.gridSize);
        } else {
            QCOMPARE(tried.MergedGrid, before.MergedGrid);
            QCOMPARE(tried.Combined, before.Combined);
        }
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

    void writtenFile_data() {
        QTest::addColumn<Saved>("c");
        const L one{1, 1, 1, 1, 1, 1};
        const std::string ones = kLongName + "\r\n1.06\r\n1\r\n1.000E+00 1.000E+00 1.000E+00 "
                                             "1.000E+00 1.000E+00 1.000E+00\r\n";
        const auto row = [](const char* name, Saved c) { QTest::newRow(name) << c; };
        row("name whole, density and row through the masks",
            {{1e-3, 12.3456, 0.99996, 3000, 0, 1e-7},
             BuildError::None,
             kLongName + "\r\n.001205\r\n1\r\n"
                         "1.000E-03 1.235E+01 1.000E+00 3.000E+03 0.000E+00 1.000E-07\r\n",
             0.00120479});
        row("widest values that fit",
            {{9.9994e99, 1e-99, 0, 1, 1, 1},
             BuildError::None,
             kLongName + "\r\n1.06\r\n1\r\n"
                         "9.999E+99 1.000E-99 0.000E+00 1.000E+00 1.000E+00 1.000E+00\r\n"});
        row("human tissues", {one, BuildError::None, ones, 1.06, "mix/New.mix1", "New", true});
        row("phantom substances",
            {one, BuildError::None, ones, 1.06, "mix/New.mix2", "New", false, true});
        row("the first option wins",
            {one, BuildError::None, ones, 1.06, "mix/New.mix1", "New", true, true});
        row("a file of that name is replaced",
            {one, BuildError::None, ones, 1.06, "mix/Old.mix3", "Old"});
        row("negative value",
            {{1, 1, -0.5, 1, 1, 1}, BuildError::ValueDoesNotFit, "-5.000E-01 at 1.000E+00 MeV"});
        row("exponent of 100", {{1, 1, 1, 1, 1e100, 1}, BuildError::ValueDoesNotFit, "1.000E+100"});
        row("exponent of -100",
            {{1, 1, 1, 1, 1, 1e-100}, BuildError::ValueDoesNotFit, "1.000E-100"});
        row("rounded up to an exponent of 100",
            {{1, 9.9996e99, 1, 1, 1, 1}, BuildError::ValueDoesNotFit, "1.000E+100"});
        row("negative energy",
            {{-1e-3, 1, 1, 1, 1, 1}, BuildError::ValueDoesNotFit, "-1.000E-03 at -1.000E-03 MeV"});
        row("density too large to hold", {one, BuildError::NonFiniteValue, "too large", HUGE_VAL});
        row("empty file name",
            {one, BuildError::CannotWrite, "no file name", 1.06, "mix/.mix3", ""});
        row("nothing built", {{}, BuildError::NothingBuilt, "no built material"});
    }
    void writtenFile() {
        QFETCH(Saved, c);
        testing::TempFolder folder;
        testing::writeFile(folder.path() / "mix" / "Old.mix3", "Old\r\n1.\r\n");
        BuilderState state;
        if (!c.row.empty()) {
            state.MergedGrid = {0, c.row[0]};
            for (std::size_t k = 0; k < 5; ++k) {
                state.Combined[k] = {0, c.row[k + 1]};
            }
        }
        const newdata::BuildResult result = newdata::WriteMaterialFile(
            folder.path(), kLongName, c.density, newdata::CategoryOfOptions(c.option1, c.option2),
            c.fileName, state);
        QCOMPARE(result.error, c.error);
        QCOMPARE(result.path, c.path);
        if (result.ok()) {
            QCOMPARE(testing::readFile(folder.path() / c.path), c.expected);
            return;
        }
        const std::string sentence = newdata::DescribeBuildError(result);
        QVERIFY2(sentence.find(c.expected) != std::string::npos, sentence.c_str());
        QCOMPARE(testing::readFile(folder.path() / "mix" / "Old.mix3"),
                 std::string("Old\r\n1.\r\n"));
        QCOMPARE(std::distance(fs::directory_iterator(folder.path() / "mix"), {}), 1);
    }
};

QTEST_GUILESS_MAIN(BuilderTest)
#include "test_builder.moc"

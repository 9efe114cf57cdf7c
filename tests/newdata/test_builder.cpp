// The compound and mixture builders against hand-computed sums, their failures, and the
// material file they write.

#include "fakes/TestSupport.h"

#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "newdata/Builder.h"
#include "newdata/MaterialWriter.h"

namespace fs = std::filesystem;
using newdata::BuilderKind;
using E = newdata::BuildError;
using newdata::BuilderState;
using L = std::vector<double>;
constexpr BuilderKind kCompound = BuilderKind::Compound;
constexpr BuilderKind kMixture = BuilderKind::Mixture;

namespace {

/// An element file whose five columns hold `value` at every one of `energies`.
std::string flat(const L& energies, double value = 1, double atomicWeight = 1) {
    std::vector<std::string> lines{"Element", "1.", data::FormatCount(double(energies.size()))};
    for (double e : energies) {
        lines.push_back(data::FormatTableRow(e, {value, value, value, value, value}));
    }
    lines.push_back(data::FormatExact(atomicWeight));
    return data::JoinLines(lines);
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

const std::string kLongName = "15 mmol L-1 Ceric Ammonium Sulfate Solution";

struct Sums {
    BuilderKind kind;
    L amounts, atomicWeights, fractions;
    L first, second, grid; // energies of the two elements and of the merged grid
};

struct Failure {
    BuilderKind kind;
    std::vector<std::string> files; // texts, or <none>, <missing>
    E error;
    int slot = 0, line = 0;
    double energyMeV = 0;
    L amounts{1, 1};
    int gridSize = 0; // of a build that succeeds
};

struct Saved {
    L row; // energy and five coefficients; the energy alone: columns not combined; empty: none
    E error;
    std::string expected; // the file written, or part of the failure's sentence
    std::string path = "mix/New.mix3", fileName = "New";
    double density = 1.06;
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

    void failures_data() {
        QTest::addColumn<Failure>("c");
        const std::string good = flat({5e-4, 1e-3, 1, 10}, 2, 12);
        const auto changed = [&](const std::string& from, const std::string& to) {
            return std::string(good).replace(good.find(from), from.size(), to);
        };
        // Energies 1E-3 (1 + 0.01 k) from `first`, then `more`.
        const auto points = [](int n, double first, L more = {}) {
            L energies;
            for (int k = 0; k < n; ++k) {
                energies.push_back(1e-3 * (first + 0.01 * k));
            }
            energies.insert(energies.end(), more.begin(), more.end());
            return energies;
        };
        const std::string wide = flat(points(100, 1, {10})); // 101 energies
        const auto row = [](const char* name, Failure c) { QTest::newRow(name) << c; };
        row("count above the compound's five slots",
            {kCompound, std::vector(6, good), E::BadElementCount});
        row("the compound's five slots all used",
            {kCompound, std::vector(5, good), E::None, 0, 0, 0, L(5, 1.0), 4});
        row("the mixture's fifteen slots all used",
            {kMixture, std::vector(15, good), E::None, 0, 0, 0, L(15, 1.0), 4});
        row("used slot without an element", {kMixture, {good, "<none>"}, E::UnassignedSlot, 2});
        row("missing element file", {kMixture, {good, "<missing>"}, E::CannotOpenElement, 2});
        row("fewer rows than counted",
            {kCompound, {changed("\r\n4\r\n", "\r\n6\r\n")}, E::MissingField, 1, 9});
        row("row field not a number",
            {kMixture, {good, changed(" 2.000E+00", " X.000E+00")}, E::NotANumber, 2, 4});
        row("a single point", {kMixture, {flat({1e-3})}, E::BadPointCount, 1, 3});
        row("121 points", {kMixture, {flat(points(121, 1))}, E::TooManyPoints, 1, 3});
        row("120 points", {kMixture, {flat(points(120, 1))}, E::None, 0, 0, 0, {1}, 120});
        row("value too large to hold",
            {kMixture, {changed("2.000E+00", "1.000E+999")}, E::NonFiniteValue, 1, 4});
        row("151 energies together",
            {kMixture, {wide, flat(points(50, 1.005, {10}))}, E::TooManyEnergies, 2});
        row("150 energies together",
            {kMixture, {wide, flat(points(49, 1.005, {10}))}, E::None, 0, 0, 0, {1, 1}, 150});
        row("grid energy above a slot's last point",
            {kMixture, {good, flat({1e-3, 1})}, E::EnergyBeyondTable, 2, 0, 10});
        row("negative coefficient",
            {kCompound, {good, changed(" 2.000E+00", " -2.0")}, E::NonPositiveLog, 2, 0, 5e-4});
        row("numbers of atoms all 0", {kCompound, {good, good}, E::ZeroSum, 0, 0, 0, {0, 0}});
    }
    void failures() {
        QFETCH(Failure, c);
        testing::TempFolder folder;
        // A good build first: a failed one must leave its grid and columns alone.
        const fs::path elsewhere = folder.path() / "before";
        BuilderState before = withSlots(elsewhere, {flat({1e-3, 1})}, {1});
        QVERIFY(newdata::BuildMaterial(before, elsewhere, c.kind).ok());
        BuilderState tried = withSlots(folder.path(), c.files, c.amounts);
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
        QCOMPARE(result.error, E::EqualNeighbours);
        QCOMPARE(result.energyMeV, 0.5);
    }

    void writtenFile_data() {
        QTest::addColumn<Saved>("c");
        const L one{1, 1, 1, 1, 1, 1}, widest{9.9994e99, 1e-99, 0, 1, 1, 1};
        const std::string text = kLongName + "\r\n1.06\r\n1\r\n9.999E+99 1.000E-99 0.000E+00 "
                                             "1.000E+00 1.000E+00 1.000E+00\r\n";
        const auto row = [](const char* name, Saved c) { QTest::newRow(name) << c; };
        row("widest values that fit", {widest, E::None, text});
        row("the first option wins",
            {widest, E::None, text, "mix/New.mix1", "New", 1.06, true, true});
        row("negative value",
            {{1, 1, -0.5, 1, 1, 1}, E::ValueDoesNotFit, "-5.000E-01 at 1.000E+00 MeV"});
        row("rounded up to an exponent of 100",
            {{1, 9.9996e99, 1, 1, 1, 1}, E::ValueDoesNotFit, "1.000E+100"});
        row("density too large to hold",
            {one, E::NonFiniteValue, "A value of the new material is too large", "mix/New.mix3",
             "New", HUGE_VAL});
        row("empty file name", {one, E::CannotWrite, "no file name", "mix/.mix3", ""});
        row("nothing built", {{}, E::NothingBuilt, "no built material"});
        row("a grid whose columns were not combined", {{1}, E::NothingBuilt, "no built material"});
    }
    void writtenFile() {
        QFETCH(Saved, c);
        testing::TempFolder folder;
        testing::writeFile(folder.path() / "mix" / "Old.mix3", "Old\r\n1.\r\n");
        BuilderState state;
        if (!c.row.empty()) {
            state.MergedGrid = {0, c.row[0]};
            for (std::size_t k = 0; k < 5 && c.row.size() > 1; ++k) {
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

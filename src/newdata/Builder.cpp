#include "newdata/Builder.h"

#include "data/MaterialFile.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"
#include "data/TableField.h"
#include "data/VectorState.h"

#include <array>
#include <cmath>
#include <string_view>
#include <vector>

namespace newdata {

namespace {

BuildResult failure(BuildError error, int slot = 0) {
    BuildResult result;
    result.error = error;
    result.slot = slot;
    return result;
}

BuildResult failureAt(BuildError error, int slot, double energyMeV) {
    BuildResult result = failure(error, slot);
    result.energyMeV = energyMeV;
    return result;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

/// Sequential free-format reader over an element file's text: fields end at a blank, a comma or
/// a line end, as the builders have always read these files.
class FieldReader {
  public:
    explicit FieldReader(std::string_view text) : m_text(text) {}

    /// Line 1's first field: up to a comma or the line end (a quoted field up to its closing
    /// quote). The comma or line end that closes it is consumed.
    bool readName() {
        skipBlanks();
        if (m_pos >= m_text.size()) {
            return false;
        }
        if (m_text[m_pos] == '"') {
            const std::size_t close = m_text.find('"', m_pos + 1);
            m_pos = close == std::string_view::npos ? m_text.size() : close + 1;
        }
        while (m_pos < m_text.size() && m_text[m_pos] != ',' && !isLineEnd(m_text[m_pos])) {
            ++m_pos;
        }
        consumeDelimiter();
        return true;
    }

    /// The next numeric field; leading blanks and line ends are skipped. False at the end of the
    /// text; `field` is empty when a comma follows at once.
    bool readNumberField(std::string_view& field) {
        while (m_pos < m_text.size() && (isBlank(m_text[m_pos]) || isLineEnd(m_text[m_pos]))) {
            ++m_pos;
        }
        if (m_pos >= m_text.size()) {
            return false;
        }
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && !isBlank(m_text[m_pos]) && !isLineEnd(m_text[m_pos]) &&
               m_text[m_pos] != ',') {
            ++m_pos;
        }
        field = m_text.substr(start, m_pos - start);
        m_fieldStart = start;
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == ',') {
            ++m_pos;
        }
        return true;
    }

    /// 1-based line of the last field read, or of the end of the text after a failed read.
    /// Counted on demand: only a failed read needs it.
    int fieldLine() const { return lineAt(m_fieldStart); }
    int endLine() const { return lineAt(m_text.size()); }

  private:
    void skipBlanks() {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos])) {
            ++m_pos;
        }
    }
    void consumeDelimiter() {
        if (m_pos >= m_text.size()) {
            return;
        }
        if (m_text[m_pos] == ',') {
            ++m_pos;
        } else if (m_text[m_pos] == '\r') {
            ++m_pos;
            if (m_pos < m_text.size() && m_text[m_pos] == '\n') {
                ++m_pos;
            }
        } else if (m_text[m_pos] == '\n') {
            ++m_pos;
        }
    }
    int lineAt(std::size_t offset) const {
        int line = 1;
        for (std::size_t i = 0; i < offset && i < m_text.size(); ++i) {
            if (m_text[i] == '\n') {
                ++line;
            }
        }
        return line;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_fieldStart = 0;
};

/// Reads one number field; on failure `result` says why and where.
bool readNumber(FieldReader& reader, double& value, BuildResult& result) {
    std::string_view field;
    if (!reader.readNumberField(field)) {
        result.error = BuildError::MissingField;
        result.line = reader.endLine();
        return false;
    }
    if (!data::StartsWithNumber(field)) {
        result.error = BuildError::NotANumber;
        result.line = reader.fieldLine();
        return false;
    }
    value = data::TableFieldValue(field);
    if (!std::isfinite(value)) {
        result.error = BuildError::NonFiniteValue;
        result.line = reader.fieldLine();
        return false;
    }
    return true;
}

BuildResult readElementFile(ElementTable& table, const std::filesystem::path& file,
                            double nudgeStep) {
    BuildResult result;
    std::string text;
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec) || !data::ReadWholeFile(file, text)) {
        result.error = BuildError::CannotOpenElement;
        return result;
    }
    FieldReader reader(text);
    if (!reader.readName()) {
        result.error = BuildError::MissingField;
        result.line = 1;
        return result;
    }
    double density = 0.0;
    double count = 0.0;
    if (!readNumber(reader, density, result) || !readNumber(reader, count, result)) {
        return result;
    }
    if (count > kMaxElementPoints) {
        result.error = BuildError::TooManyPoints;
        result.line = reader.fieldLine();
        return result;
    }
    if (count < 2.0 || count != std::floor(count)) {
        result.error = BuildError::BadPointCount;
        result.line = reader.fieldLine();
        return result;
    }
    ElementTable scratch;
    scratch.n = static_cast<int>(count);
    scratch.E.assign(static_cast<std::size_t>(scratch.n) + 1, 0.0);
    for (auto& column : scratch.C) {
        column.assign(static_cast<std::size_t>(scratch.n) + 1, 0.0);
    }
    for (std::size_t j = 1; j <= static_cast<std::size_t>(scratch.n); ++j) {
        if (!readNumber(reader, scratch.E[j], result)) {
            return result;
        }
        for (auto& column : scratch.C) {
            if (!readNumber(reader, column[j], result)) {
                return result;
            }
        }
        // An edge is tabulated twice at one energy; the second row stands just above it.
        if (scratch.E[j] == scratch.E[j - 1]) {
            scratch.E[j] = scratch.E[j] + nudgeStep * scratch.E[j];
        }
    }
    if (!readNumber(reader, scratch.A, result)) {
        return result;
    }
    table = std::move(scratch);
    return BuildResult{};
}

std::string slotText(int slot) { return data::FormatCount(slot); }

} // namespace

double NudgeStep(BuilderKind kind) { return kind == BuilderKind::Compound ? 0.0001 : 0.00001; }

int MaxElements(BuilderKind kind) { return kind == BuilderKind::Compound ? 5 : kMaxSlots; }

int UsedSlots(double elementCount) {
    if (!std::isfinite(elementCount) || elementCount < 1.0) {
        return 0;
    }
    if (elementCount >= kMaxSlots + 1) {
        return kMaxSlots + 1; // more than any builder holds; callers reject it
    }
    return static_cast<int>(std::floor(elementCount));
}

BuildResult ReadElementTables(BuilderState& state, int used, const std::filesystem::path& root,
                              double nudgeStep) {
    for (int i = 1; i <= used; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const std::string& name = state.SlotFile[slot];
        if (name.empty()) {
            return failure(BuildError::UnassignedSlot, i);
        }
        BuildResult result = readElementFile(state.Elements[slot], root / "ele" / name, nudgeStep);
        result.path = "ele/" + name;
        if (!result.ok()) {
            result.slot = i;
            return result;
        }
    }
    return BuildResult{};
}

BuildResult BuildMergedGrid(BuilderState& state, int used) {
    std::vector<double> grid{0.0};
    const ElementTable& first = state.Elements[1];
    grid.insert(grid.end(), first.E.begin() + 1, first.E.begin() + 1 + first.n);
    for (int i = 2; i <= used; ++i) {
        const ElementTable& table = state.Elements[static_cast<std::size_t>(i)];
        for (std::size_t j = 1; j <= static_cast<std::size_t>(table.n); ++j) {
            const double energy = table.E[j];
            bool present = false;
            for (std::size_t k = 1; k < grid.size() && !present; ++k) {
                present = grid[k] == energy;
            }
            if (present) {
                continue;
            }
            if (static_cast<int>(grid.size()) - 1 >= kMaxGridEnergies) {
                return failure(BuildError::TooManyEnergies, i);
            }
            grid.push_back(energy);
        }
    }
    // Exchange sort, kept as the builders have always sorted: equal energies keep their order.
    const std::size_t n = grid.size() - 1;
    for (std::size_t m = n; m >= 2; --m) {
        for (std::size_t p = 1; p <= m - 1; ++p) {
            if (grid[p] > grid[p + 1]) {
                std::swap(grid[p], grid[p + 1]);
            }
        }
    }
    state.MergedGrid = std::move(grid);
    return BuildResult{};
}

namespace {

// The natural logarithm of each positive value; 0 stands in for a value that is not positive,
// whose logarithm the interpolation never takes.
std::vector<double> logarithmsOf(const std::vector<double>& values) {
    std::vector<double> logs(values.size(), 0.0);
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (values[k] > 0.0) {
            logs[k] = std::log(values[k]);
        }
    }
    return logs;
}

} // namespace

BuildResult InterpolateOnGrid(BuilderState& state, int used) {
    const std::vector<double>& G = state.MergedGrid;
    const std::size_t n = G.size() - 1;
    // Every logarithm is taken once here rather than at each use: the same numbers, fewer calls.
    const std::vector<double> logG = logarithmsOf(G);
    for (int i = 1; i <= used; ++i) {
        const ElementTable& table = state.Elements[static_cast<std::size_t>(i)];
        const auto& E = table.E;
        const std::vector<double> logE = logarithmsOf(E);
        std::array<std::vector<double>, 5> logC;
        for (std::size_t c = 0; c < 5; ++c) {
            logC[c] = logarithmsOf(table.C[c]);
        }
        auto& V = state.Interpolated[static_cast<std::size_t>(i)];
        for (auto& column : V) {
            column.assign(n + 1, 0.0);
        }
        const auto last = static_cast<std::size_t>(table.n);
        std::size_t p = 2;
        for (std::size_t j = 1; j <= n; ++j) {
            // The first point from 2 on not below G[j]. Every point the search for G[j-1] passed
            // lies below G[j-1], so below G[j] too when the grid rises: go on from there.
            if (j == 1 || !(G[j] >= G[j - 1])) {
                p = 2;
            }
            if (p > last) {
                return failureAt(BuildError::EnergyBeyondTable, i, G[j]);
            }
            while (E[p] < G[j]) {
                ++p;
                if (p > last) {
                    return failureAt(BuildError::EnergyBeyondTable, i, G[j]);
                }
            }
            for (std::size_t c = 0; c < 5; ++c) {
                const double below = table.C[c][p - 1];
                const double above = table.C[c][p];
                // Below a threshold (pair production) a column is 0 on one side: no log-log line.
                if (below == 0.0 || above == 0.0) {
                    V[c][j] = 0.0;
                    continue;
                }
                if (below < 0.0 || above < 0.0 || G[j] <= 0.0 || E[p - 1] <= 0.0 || E[p] <= 0.0) {
                    return failureAt(BuildError::NonPositiveLog, i, G[j]);
                }
                if (E[p] == E[p - 1]) {
                    return failureAt(BuildError::EqualNeighbours, i, G[j]);
                }
                const double logBelow = logC[c][p - 1];
                const double value =
                    std::exp(logBelow + (logG[j] - logE[p - 1]) / (logE[p] - logE[p - 1]) *
                                            (logC[c][p] - logBelow));
                if (!std::isfinite(value)) {
                    return failureAt(BuildError::NonFiniteValue, i, G[j]);
                }
                V[c][j] = value;
            }
        }
    }
    return BuildResult{};
}

BuildResult CompoundFractions(BuilderState& state, int used) {
    double sum = 0.0;
    for (std::size_t i = 1; i <= static_cast<std::size_t>(used); ++i) {
        sum += state.SlotAmount[i] * state.Elements[i].A;
    }
    if (!std::isfinite(sum)) {
        return failure(BuildError::NonFiniteValue);
    }
    if (sum == 0.0) {
        return failure(BuildError::ZeroSum);
    }
    for (std::size_t i = 1; i <= static_cast<std::size_t>(used); ++i) {
        state.SlotFraction[i] = state.SlotAmount[i] * state.Elements[i].A / sum;
    }
    return BuildResult{};
}

BuildResult MixtureFractions(BuilderState& state, int used) {
    double sum = 0.0;
    for (std::size_t i = 1; i <= static_cast<std::size_t>(used); ++i) {
        sum += state.SlotAmount[i];
    }
    if (!std::isfinite(sum)) {
        return failure(BuildError::NonFiniteValue);
    }
    if (sum == 0.0) {
        return failure(BuildError::ZeroSum);
    }
    for (std::size_t i = 1; i <= static_cast<std::size_t>(used); ++i) {
        state.SlotFraction[i] = state.SlotAmount[i] / sum;
    }
    return BuildResult{};
}

BuildResult CombineByMassFraction(BuilderState& state, int used) {
    const std::size_t n = state.MergedGrid.size() - 1;
    for (std::size_t c = 0; c < 5; ++c) {
        std::vector<double> column(n + 1, 0.0);
        for (std::size_t j = 1; j <= n; ++j) {
            double sum = 0.0;
            for (std::size_t i = 1; i <= static_cast<std::size_t>(used); ++i) {
                sum += state.SlotFraction[i] * state.Interpolated[i][c][j];
            }
            if (!std::isfinite(sum)) {
                return failureAt(BuildError::NonFiniteValue, 0, state.MergedGrid[j]);
            }
            column[j] = sum;
        }
        state.Combined[c] = std::move(column);
    }
    return BuildResult{};
}

BuildResult BuildMaterial(BuilderState& state, const std::filesystem::path& root,
                          BuilderKind kind) {
    data::ClearUpperVectorState();
    const int used = UsedSlots(state.ElementCount);
    if (used < 1 || used > MaxElements(kind)) {
        return failure(BuildError::BadElementCount);
    }
    // Work on a copy so that a failed build leaves the last good grid and columns in place.
    BuilderState work = state;
    BuildResult result = ReadElementTables(work, used, root, NudgeStep(kind));
    if (result.ok()) {
        result = BuildMergedGrid(work, used);
    }
    if (result.ok()) {
        result = InterpolateOnGrid(work, used);
    }
    if (result.ok()) {
        result = kind == BuilderKind::Compound ? CompoundFractions(work, used)
                                               : MixtureFractions(work, used);
    }
    if (result.ok()) {
        result = CombineByMassFraction(work, used);
    }
    if (result.ok()) {
        state = std::move(work);
    }
    return result;
}

std::string DescribeBuildError(const BuildResult& result) {
    const std::string slot = "slot " + slotText(result.slot);
    const std::string file = result.path.empty() ? slot : result.path + " (" + slot + ")";
    const std::string where =
        result.line > 0 ? file + ", line " + data::FormatCount(result.line) : file;
    const std::string energy = data::FormatScientific(result.energyMeV) + " MeV";
    switch (result.error) {
    case BuildError::None:
        return "No error.";
    case BuildError::BadElementCount:
        return "The number of elements puts no slot in use or exceeds the slots of this builder.";
    case BuildError::UnassignedSlot:
        return "No element has been chosen for " + slot + ".";
    case BuildError::CannotOpenElement:
        return "The element file " + file + " cannot be opened.";
    case BuildError::MissingField:
        return "The element file " + where + " ends before all of its values.";
    case BuildError::NotANumber:
        return "The element file " + where + " holds a field that is not a number.";
    case BuildError::BadPointCount:
        return "The element file " + file + " must hold a whole number of 2 or more points.";
    case BuildError::TooManyPoints:
        return "The element file " + file + " holds more than 120 points.";
    case BuildError::TooManyEnergies:
        return "The elements together have more than 150 distinct energies.";
    case BuildError::EnergyBeyondTable:
        return "The energy " + energy + " lies above the table of " + slot + ".";
    case BuildError::NonPositiveLog:
        return "The table of " + slot + " holds a value that is not positive near " + energy + ".";
    case BuildError::EqualNeighbours:
        return "The table of " + slot + " has two neighbouring points at one energy near " +
               energy + ".";
    case BuildError::ZeroSum:
        return "The amounts of the elements add up to zero.";
    case BuildError::NonFiniteValue:
        if (result.line > 0) {
            return "The element file " + where + " holds a number too large to use.";
        }
        return "A value of the new material is too large to hold.";
    case BuildError::NothingBuilt:
        return "There is no built material to save.";
    case BuildError::ValueDoesNotFit:
        return "The value " + data::FormatScientific(result.value) + " at " + energy +
               " does not fit the nine characters of a table field: it is negative or needs an "
               "exponent of three digits.";
    case BuildError::CannotWrite:
        return "The file " + result.path + " cannot be written: " + result.reason;
    }
    return "Unknown error.";
}

} // namespace newdata

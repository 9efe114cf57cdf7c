// The builders on any element files: the input is one element file, or two separated by a line
// "##". A build either fails with a described error and leaves the builder's state as it was,
// or yields a grid and columns of finite values that the writer turns into a material file the
// viewer loads back row for row. Odd-sized inputs build a compound, even-sized ones a mixture.

#include "FuzzCheck.h"

#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "newdata/Builder.h"
#include "newdata/BuilderState.h"
#include "newdata/MaterialWriter.h"

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;

/// A working folder with ele/ for the run of the fuzzer, removed at exit.
class WorkFolder {
  public:
    WorkFolder() {
        const char* shm = "/dev/shm";
        std::error_code ec;
        std::string pattern =
            (fs::is_directory(shm, ec) ? std::string(shm) : fs::temp_directory_path().string()) +
            "/fuzz-element-XXXXXX";
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr, "mkdtemp failed");
        m_root = pattern;
        fs::create_directories(m_root / "ele");
    }
    ~WorkFolder() {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    const fs::path& root() const { return m_root; }

    void write(const std::string& name, std::string_view bytes) const {
        std::ofstream out(m_root / "ele" / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        FUZZ_CHECK(out.good(), "cannot write " + name);
    }

  private:
    fs::path m_root;
};

bool fitsNineCharacters(double value) {
    return value == 0.0 || (value >= 1e-99 && value < 9.9995e99);
}

/// A state as an earlier successful build left it, to see that a failed build keeps it.
newdata::BuilderState previousState() {
    newdata::BuilderState state;
    state.MergedGrid = {0.0, 0.001, 0.01};
    for (auto& column : state.Combined) {
        column = {0.0, 1.0, 2.0};
    }
    return state;
}

void checkBuilt(const newdata::BuilderState& state, const std::string& where) {
    const int n = state.GridSize();
    FUZZ_CHECK(n >= 1 && n <= newdata::kMaxGridEnergies, where);
    for (std::size_t j = 1; j <= static_cast<std::size_t>(n); ++j) {
        FUZZ_CHECK(std::isfinite(state.MergedGrid[j]), where);
        FUZZ_CHECK(j == 1 || state.MergedGrid[j] >= state.MergedGrid[j - 1], where);
        for (const auto& column : state.Combined) {
            FUZZ_CHECK(column.size() == state.MergedGrid.size() && std::isfinite(column[j]), where);
        }
    }

    // What the writer would put in the file, loaded as GO would load it.
    const std::string text = newdata::MaterialFileText("Built", 1.0, state);
    data::MaterialTable table;
    const data::LoadResult loaded = data::LoadMaterialTableFromText(table, text);
    FUZZ_CHECK(loaded.ok() && table.RowCount == n,
               data::DescribeLoadError(loaded, "built") + "\n" + fuzzing::printable(text, 600));
    for (std::size_t j = 1; j <= static_cast<std::size_t>(n); ++j) {
        const double built[6] = {state.MergedGrid[j],  state.Combined[0][j], state.Combined[1][j],
                                 state.Combined[2][j], state.Combined[3][j], state.Combined[4][j]};
        const double read[6] = {table.Energy[j],      table.Coherent[j],
                                table.Incoherent[j],  table.PhotoElectric[j],
                                table.PairNuclear[j], table.PairElectron[j]};
        for (int c = 0; c < 6; ++c) {
            if (!fitsNineCharacters(built[c])) {
                return; // beyond what a nine-character field holds: see the reliability notes
            }
        }
        for (int c = 0; c < 6; ++c) {
            FUZZ_CHECK(std::fabs(read[c] - built[c]) <= 5.0001e-4 * std::fabs(built[c]),
                       "row " + std::to_string(j) + ": " + fuzzing::exact(built[c]) +
                           " reads back as " + fuzzing::exact(read[c]));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static const WorkFolder folder;
    static const newdata::BuilderState previous = previousState();
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const std::size_t separator = input.find("\n##\n");
    const bool two = separator != std::string_view::npos;
    folder.write("a.ele", input.substr(0, separator));
    if (two) {
        folder.write("b.ele", input.substr(separator + 4));
    }

    newdata::BuilderState state = previous;
    state.ElementCount = two ? 2.0 : 1.0;
    state.SlotFile[1] = "a.ele";
    state.SlotFile[2] = "b.ele";
    state.SlotAmount[1] = 2.0;
    state.SlotAmount[2] = 1.0;
    const auto kind =
        size % 2 == 1 ? newdata::BuilderKind::Compound : newdata::BuilderKind::Mixture;
    const newdata::BuildResult result = newdata::BuildMaterial(state, folder.root(), kind);
    const std::string where = fuzzing::printable(input);
    if (!result.ok()) {
        FUZZ_CHECK(!newdata::DescribeBuildError(result).empty(), where);
        FUZZ_CHECK(state.MergedGrid == previous.MergedGrid && state.Combined == previous.Combined,
                   "a failed build changed the state: " + where);
        return 0;
    }
    checkBuilt(state, where);
    return 0;
}

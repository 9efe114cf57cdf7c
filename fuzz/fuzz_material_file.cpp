// A data file as the viewer reads it: the header reader and the table load, from a file and
// from memory, on any bytes. The three must agree; a failed load must leave the table exactly as
// it was; a good load must hold only finite values and totals; and a good table written back
// with the program's own masks must load again to the same values.

#include "FuzzCheck.h"

#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

/// The fuzz input as a file: a memory-backed file reached through /proc/self/fd, so nothing is
/// left on disk.
class InputFile {
  public:
    InputFile() : m_fd(memfd_create("fuzz-material", 0)) {
        FUZZ_CHECK(m_fd >= 0, "memfd_create failed");
    }
    std::filesystem::path folder() const { return "/proc/self/fd"; }
    std::string name() const { return std::to_string(m_fd); }
    void write(std::string_view bytes) const {
        FUZZ_CHECK(ftruncate(m_fd, 0) == 0, "ftruncate failed");
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                pwrite(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            FUZZ_CHECK(n > 0, "pwrite failed");
            done += static_cast<std::size_t>(n);
        }
    }

  private:
    int m_fd;
};

/// A table as an earlier load left it: seven rows of recognisable values.
data::MaterialTable previousTable() {
    data::MaterialTable table;
    table.MaterialName = "previous";
    table.RowCount = 7;
    for (std::size_t i = 0; i <= data::kTableCapacity; ++i) {
        const double v = 1.0 + static_cast<double>(i);
        table.RowText[i] = "row " + std::to_string(i);
        for (data::Column* column :
             {&table.Energy, &table.Coherent, &table.Incoherent, &table.PhotoElectric,
              &table.PairNuclear, &table.PairElectron, &table.Total, &table.FracCoherent,
              &table.FracIncoherent, &table.FracPhotoElectric, &table.FracPairNuclear,
              &table.FracPairElectron}) {
            (*column)[i] = v;
        }
    }
    table.TotalMin = 3.0;
    table.TotalMax = 5000.0;
    return table;
}

bool sameTable(const data::MaterialTable& a, const data::MaterialTable& b) {
    return a.SelectedPath == b.SelectedPath && a.MaterialName == b.MaterialName &&
           a.RowCount == b.RowCount && a.RowText == b.RowText && a.Energy == b.Energy &&
           a.Coherent == b.Coherent && a.Incoherent == b.Incoherent &&
           a.PhotoElectric == b.PhotoElectric && a.PairNuclear == b.PairNuclear &&
           a.PairElectron == b.PairElectron && a.Total == b.Total &&
           a.FracCoherent == b.FracCoherent && a.FracIncoherent == b.FracIncoherent &&
           a.FracPhotoElectric == b.FracPhotoElectric && a.FracPairNuclear == b.FracPairNuclear &&
           a.FracPairElectron == b.FracPairElectron && a.TotalMin == b.TotalMin &&
           a.TotalMax == b.TotalMax && a.EnlargedViewUsed == b.EnlargedViewUsed;
}

bool headerError(data::LoadError error) {
    return error == data::LoadError::CannotOpen || error == data::LoadError::MissingName ||
           error == data::LoadError::MissingDensity || error == data::LoadError::BadDensity ||
           error == data::LoadError::MissingCount || error == data::LoadError::CountNotNumber ||
           error == data::LoadError::BadValue;
}

/// A value the nine-character field "0.000E+00" can hold so that it reads back.
bool fitsNineCharacters(double value) {
    return value == 0.0 || (value > 0.0 && value >= 1e-99 && value < 9.9995e99);
}

double rowValue(const data::MaterialTable& t, std::size_t i, int c) {
    const data::Column* columns[] = {&t.Energy,        &t.Coherent,    &t.Incoherent,
                                     &t.PhotoElectric, &t.PairNuclear, &t.PairElectron};
    return (*columns[c])[i];
}

/// Writes a loaded table back in the builders' layout and loads it again.
void checkRoundTrip(const data::MaterialTable& table, double density) {
    if (table.RowCount < 1 || table.MaterialName.rfind("\xEF\xBB\xBF", 0) == 0) {
        return; // no count line can say 0 rows; a name opening with a byte-order mark loses it
    }
    std::vector<std::string> lines = {data::FormatName(table.MaterialName),
                                      data::FormatDensity(density),
                                      data::FormatCount(table.RowCount)};
    for (std::size_t i = 1; i <= static_cast<std::size_t>(table.RowCount); ++i) {
        for (int c = 0; c < 6; ++c) {
            if (!fitsNineCharacters(rowValue(table, i, c))) {
                return;
            }
        }
        lines.push_back(data::FormatTableRow(
            table.Energy[i], {table.Coherent[i], table.Incoherent[i], table.PhotoElectric[i],
                              table.PairNuclear[i], table.PairElectron[i]}));
    }
    const std::string text = data::JoinLines(lines);
    data::MaterialTable again;
    const data::LoadResult result = data::LoadMaterialTableFromText(again, text);
    FUZZ_CHECK(result.ok(),
               "written table does not load: " + data::DescribeLoadError(result, "rewritten") +
                   "\n" + fuzzing::printable(text, 400));
    FUZZ_CHECK(again.RowCount == table.RowCount && again.MaterialName == table.MaterialName,
               fuzzing::printable(text, 400));
    FUZZ_CHECK(std::fabs(result.density - density) <= 0.5e-6 + std::fabs(density) * 1e-15,
               fuzzing::exact(density) + " reads back as " + fuzzing::exact(result.density));
    for (std::size_t i = 1; i <= static_cast<std::size_t>(table.RowCount); ++i) {
        for (int c = 0; c < 6; ++c) {
            const double before = rowValue(table, i, c);
            const double after = rowValue(again, i, c);
            FUZZ_CHECK(std::fabs(after - before) <= 5.0001e-4 * std::fabs(before) + 1e-300,
                       "row " + std::to_string(i) + ": " + fuzzing::exact(before) +
                           " reads back as " + fuzzing::exact(after));
        }
    }
}

void checkLoaded(const data::MaterialTable& before, const data::MaterialTable& table) {
    FUZZ_CHECK(table.RowCount >= 0 && table.RowCount <= data::kTableCapacity,
               std::to_string(table.RowCount));
    double low = before.TotalMin;
    double high = before.TotalMax;
    for (std::size_t i = 1; i <= static_cast<std::size_t>(table.RowCount); ++i) {
        const double sum = table.Coherent[i] + table.Incoherent[i] + table.PhotoElectric[i] +
                           table.PairNuclear[i] + table.PairElectron[i];
        FUZZ_CHECK(table.Total[i] == sum, "row " + std::to_string(i));
        for (int c = 0; c < 6; ++c) {
            FUZZ_CHECK(std::isfinite(rowValue(table, i, c)), "row " + std::to_string(i));
        }
        FUZZ_CHECK(std::isfinite(table.Total[i]),
                   "row " + std::to_string(i) + " total " + fuzzing::exact(table.Total[i]));
        FUZZ_CHECK(table.RowText[i].find_first_of("\r\n") == std::string::npos,
                   "row " + std::to_string(i));
        low = std::min(low, table.Total[i]);
        high = std::max(high, table.Total[i]);
    }
    FUZZ_CHECK(table.TotalMin == low && table.TotalMax == high,
               fuzzing::exact(table.TotalMin) + " / " + fuzzing::exact(table.TotalMax));
    // Slots above the new count keep what the earlier load left there.
    for (std::size_t i = static_cast<std::size_t>(table.RowCount) + 1; i <= data::kTableCapacity;
         ++i) {
        FUZZ_CHECK(table.Energy[i] == before.Energy[i] && table.RowText[i] == before.RowText[i],
                   "slot " + std::to_string(i) + " was cleared");
    }

    data::MaterialTable fractions = table;
    data::ComputeFractions(fractions);
    for (std::size_t i = 1; i <= static_cast<std::size_t>(table.RowCount); ++i) {
        for (double f : {fractions.FracCoherent[i], fractions.FracIncoherent[i],
                         fractions.FracPhotoElectric[i], fractions.FracPairNuclear[i],
                         fractions.FracPairElectron[i]}) {
            FUZZ_CHECK(std::isfinite(f), "row " + std::to_string(i) + " fraction " +
                                             fuzzing::exact(f) + " of total " +
                                             fuzzing::exact(table.Total[i]));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static const InputFile input;
    static const data::MaterialTable previous = previousTable();
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    input.write(text);

    data::DataFileHeader header;
    header.name = "unchanged";
    const data::LoadResult headerResult =
        data::ReadDataFileHeader(input.folder() / input.name(), header);

    data::MaterialTable fromText = previous;
    const data::LoadResult textResult = data::LoadMaterialTableFromText(fromText, text);

    data::MaterialTable fromFile = previous;
    fromFile.SelectedPath = input.name();
    const data::LoadResult fileResult = data::LoadMaterialTable(fromFile, input.folder());
    fromFile.SelectedPath = previous.SelectedPath;

    const std::string where = fuzzing::printable(text);
    FUZZ_CHECK(textResult.error == fileResult.error && textResult.line == fileResult.line &&
                   textResult.density == fileResult.density && sameTable(fromText, fromFile),
               "file and text loads differ on " + where);

    if (!headerResult.ok()) {
        FUZZ_CHECK(headerError(headerResult.error), where);
        FUZZ_CHECK(header.name == "unchanged", where);
        FUZZ_CHECK(textResult.error == headerResult.error && textResult.line == headerResult.line,
                   "header and table loads disagree on " + where);
    } else {
        FUZZ_CHECK(std::isfinite(header.density) && header.density == headerResult.density, where);
        FUZZ_CHECK(textResult.ok() || !headerError(textResult.error) ||
                       textResult.error == data::LoadError::BadValue,
                   where);
        if (textResult.ok()) {
            FUZZ_CHECK(header.name == fromText.MaterialName && header.density == textResult.density,
                       where);
        }
    }

    if (!textResult.ok()) {
        const std::string message = data::DescribeLoadError(textResult, "mix/x.mix3");
        FUZZ_CHECK(message.rfind("mix/x.mix3", 0) == 0, message);
        FUZZ_CHECK(sameTable(fromText, previous), "a failed load changed the table: " + where);
        return 0;
    }
    checkLoaded(previous, fromText);
    checkRoundTrip(fromText, textResult.density);
    return 0;
}

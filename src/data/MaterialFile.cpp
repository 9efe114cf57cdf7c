#include "data/MaterialFile.h"

#include "data/LookupAids.h"
#include "data/NumberMask.h"
#include "data/NumericText.h"
#include "data/TableField.h"
#include "data/VectorState.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace data {

namespace {

/// Sequential reading of a data file's text: whole lines and free-format number fields, with
/// CR LF, LF or a lone CR as line end. Tracks the 1-based line number for messages.
class TextReader {
  public:
    explicit TextReader(std::string_view text) : m_text(text) {
        // A UTF-8 byte-order mark is not part of the name.
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF") {
            m_pos = 3;
        }
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    int line() const { return m_line; }
    /// The line on which the last field read by readField() begins.
    int fieldLine() const { return m_fieldLine; }

    /// The rest of the current line, without its end; false at the end of the text.
    bool readLine(std::string_view& out) {
        if (atEnd()) {
            return false;
        }
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != '\n' && m_text[m_pos] != '\r') {
            ++m_pos;
        }
        out = m_text.substr(start, m_pos - start);
        skipLineEnd();
        return true;
    }

    /// The next number field: blanks and empty lines before it are skipped; it ends at a blank,
    /// a comma or the line end, and one delimiter after it is consumed. False at the end.
    bool readField(std::string_view& out) {
        while (!atEnd()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t') {
                ++m_pos;
            } else if (c == '\n' || c == '\r') {
                skipLineEnd();
            } else {
                break;
            }
        }
        if (atEnd()) {
            return false;
        }
        m_fieldLine = m_line;
        const std::size_t start = m_pos;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t' || c == ',' || c == '\n' || c == '\r') {
                break;
            }
            ++m_pos;
        }
        out = m_text.substr(start, m_pos - start);
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t')) {
            ++m_pos;
        }
        if (m_pos < m_text.size() && m_text[m_pos] == ',') {
            ++m_pos;
        } else {
            skipLineEnd();
        }
        return true;
    }

  private:
    void skipLineEnd() {
        if (m_pos < m_text.size() && m_text[m_pos] == '\r') {
            ++m_pos;
            if (m_pos < m_text.size() && m_text[m_pos] == '\n') {
                ++m_pos;
            }
            ++m_line;
        } else if (m_pos < m_text.size() && m_text[m_pos] == '\n') {
            ++m_pos;
            ++m_line;
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_line = 1;
    int m_fieldLine = 0;
};

LoadResult failure(LoadError error, int line) {
    LoadResult result;
    result.error = error;
    result.line = line;
    return result;
}

/// Name, density and row count, the part every reader shares.
struct Header {
    std::string_view name;
    double density = 0.0;
    double count = 0.0;
    int countLine = 0;
};

/// A density field: a number, or a lone point, which is how the density mask writes a value
/// that rounds to 0 at six places (with its sign when it was negative).
bool isDensityText(std::string_view field) {
    const std::string_view unsignedPart =
        !field.empty() && (field[0] == '+' || field[0] == '-') ? field.substr(1) : field;
    return unsignedPart == "." || StartsWithNumber(field);
}

LoadResult readHeader(TextReader& reader, Header& header) {
    if (!reader.readLine(header.name)) {
        return failure(LoadError::MissingName, 1);
    }
    std::string_view field;
    if (!reader.readField(field)) {
        return failure(LoadError::MissingDensity, reader.line());
    }
    // Row fields read a non-number as 0, but a density or count that is not a number means the
    // file is damaged: reading it as 0 would show a made-up density or an empty table.
    if (!isDensityText(field)) {
        return failure(LoadError::BadDensity, reader.fieldLine());
    }
    header.density = NumericValue(field);
    if (!std::isfinite(header.density)) {
        return failure(LoadError::BadValue, reader.fieldLine());
    }
    if (!reader.readField(field)) {
        return failure(LoadError::MissingCount, reader.line());
    }
    header.countLine = reader.fieldLine();
    if (!StartsWithNumber(field)) {
        return failure(LoadError::CountNotNumber, header.countLine);
    }
    header.count = NumericValue(field);
    return {};
}

double fieldValue(std::string_view line, std::size_t start) {
    if (start >= line.size()) {
        return 0.0;
    }
    return TableFieldValue(line.substr(start, 9));
}

} // namespace

std::string DescribeLoadError(const LoadResult& result, std::string_view displayPath) {
    std::string where(displayPath);
    if (result.line > 0) {
        where += ", line " + std::to_string(result.line);
    }
    std::string what;
    switch (result.error) {
    case LoadError::None:
        return {};
    case LoadError::CannotOpen:
        what = "the file is missing or cannot be read";
        break;
    case LoadError::MissingName:
        what = "the file is empty";
        break;
    case LoadError::MissingDensity:
        what = "the file ends before the density";
        break;
    case LoadError::BadDensity:
        what = "the density is not a number";
        break;
    case LoadError::MissingCount:
        what = "the file ends before the number of rows";
        break;
    case LoadError::CountNotNumber:
        what = "the number of rows is not a number";
        break;
    case LoadError::BadCount:
        what = "the number of rows is not a whole number from 0 to 150";
        break;
    case LoadError::TooManyRows:
        what = "the file declares more than 150 rows";
        break;
    case LoadError::MissingRows:
        what = "the file ends before all the rows the count announces";
        break;
    case LoadError::BadValue:
        what = "a number is too large to be a value";
        break;
    }
    return where + ": " + what + ".";
}

LoadResult ReadDataFileHeader(const std::filesystem::path& file, DataFileHeader& header) {
    std::string text;
    if (!ReadWholeFile(file, text)) {
        return failure(LoadError::CannotOpen, 0);
    }
    TextReader reader(text);
    Header read;
    LoadResult result = readHeader(reader, read);
    if (!result.ok()) {
        return result;
    }
    header.name = std::string(read.name);
    header.density = read.density;
    result.density = read.density;
    return result;
}

TableRow ParseTableRow(std::string_view line) {
    TableRow row;
    row.energy = TableFieldValue(line.substr(0, 9));
    for (std::size_t k = 0; k < row.coefficients.size(); ++k) {
        row.coefficients[k] = fieldValue(line, 10 + 10 * k);
    }
    return row;
}

LoadResult LoadMaterialTableFromText(MaterialTable& table, std::string_view text) {
    ClearUpperVectorState(); // the look-up aids take a logarithm of every value
    TextReader reader(text);
    Header header;
    LoadResult result = readHeader(reader, header);
    if (!result.ok()) {
        return result;
    }
    if (header.count > kTableCapacity && header.count == std::floor(header.count)) {
        return failure(LoadError::TooManyRows, header.countLine);
    }
    if (!(header.count >= 0 && header.count <= kTableCapacity) ||
        header.count != std::floor(header.count)) {
        return failure(LoadError::BadCount, header.countLine);
    }
    const int count = static_cast<int>(header.count);

    // Parse into scratch rows; the shared table changes only once the whole file has been read.
    struct Scratch {
        std::string_view text;
        TableRow row;
    };
    std::array<Scratch, kTableCapacity + 1> rows;
    for (int i = 1; i <= count; ++i) {
        if (!reader.readLine(rows[static_cast<std::size_t>(i)].text)) {
            return failure(LoadError::MissingRows, reader.line());
        }
        TableRow& row = rows[static_cast<std::size_t>(i)].row;
        row = ParseTableRow(rows[static_cast<std::size_t>(i)].text);
        // Each field may fit a double while their sum does not (five times 1E+308).
        bool finite =
            std::isfinite(row.energy) &&
            std::isfinite(row.coefficients[0] + row.coefficients[1] + row.coefficients[2] +
                          row.coefficients[3] + row.coefficients[4]);
        for (double v : row.coefficients) {
            finite = finite && std::isfinite(v);
        }
        if (!finite) {
            return failure(LoadError::BadValue, reader.line() - 1);
        }
    }

    // assign() keeps the strings' storage from the previous load.
    table.MaterialName.assign(header.name);
    table.RowCount = count;
    for (int i = 1; i <= count; ++i) {
        const auto s = static_cast<std::size_t>(i);
        const TableRow& row = rows[s].row;
        table.RowText[s].assign(rows[s].text);
        table.Energy[s] = row.energy;
        table.Coherent[s] = row.coefficients[0];
        table.Incoherent[s] = row.coefficients[1];
        table.PhotoElectric[s] = row.coefficients[2];
        table.PairNuclear[s] = row.coefficients[3];
        table.PairElectron[s] = row.coefficients[4];
        const double total = row.coefficients[0] + row.coefficients[1] + row.coefficients[2] +
                             row.coefficients[3] + row.coefficients[4];
        table.Total[s] = total;
        if (total > table.TotalMax) {
            table.TotalMax = total;
        }
        if (total < table.TotalMin) {
            table.TotalMin = total;
        }
    }
    RefreshLookupAids(table);
    result.density = header.density;
    return result;
}

LoadResult LoadMaterialTable(MaterialTable& table, const std::filesystem::path& root) {
    std::string text;
    if (table.SelectedPath.empty() || !ReadWholeFile(root / table.SelectedPath, text)) {
        return failure(LoadError::CannotOpen, 0);
    }
    return LoadMaterialTableFromText(table, text);
}

void ComputeFractions(MaterialTable& table) {
    for (int i = 1; i <= table.RowCount; ++i) {
        const auto s = static_cast<std::size_t>(i);
        const double total = table.Total[s];
        // A share that cannot be held (a total of 0, or one cancelled down to almost nothing by
        // negative coefficients) is 0, so that no infinity reaches a plot.
        const auto share = [total](double value) {
            const double quotient = total == 0.0 ? 0.0 : value / total;
            return std::isfinite(quotient) ? quotient : 0.0;
        };
        table.FracCoherent[s] = share(table.Coherent[s]);
        table.FracIncoherent[s] = share(table.Incoherent[s]);
        table.FracPhotoElectric[s] = share(table.PhotoElectric[s]);
        table.FracPairNuclear[s] = share(table.PairNuclear[s]);
        table.FracPairElectron[s] = share(table.PairElectron[s]);
    }
}

std::string FormatTableRow(double energyMeV, const std::array<double, 5>& coefficients) {
    std::string row = FormatScientific(energyMeV);
    for (double value : coefficients) {
        row += FormatScientificBlank(value);
    }
    return row;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

bool ReadWholeFile(const std::filesystem::path& file, std::string& text) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return false;
    }
    // One read of the size the file has, rather than a character at a time.
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) {
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || !in.seekg(0)) {
        return false;
    }
    text.resize(static_cast<std::size_t>(size));
    in.read(text.data(), static_cast<std::streamsize>(size));
    // A file cut short meanwhile gives what it still holds.
    text.resize(static_cast<std::size_t>(in.gcount()));
    return !in.bad();
}

WriteResult WriteFileReplacing(const std::filesystem::path& target, std::string_view bytes) {
    namespace fs = std::filesystem;
    // The system would cut the name at a NUL and write some other file.
    if (target.native().find('\0') != fs::path::string_type::npos) {
        return {false, "the name holds a character no file name may hold"};
    }
    std::error_code error;
    const fs::file_status existing = fs::status(target, error);
    if (fs::is_directory(existing)) {
        return {false, "a folder of that name exists"};
    }
    // A device, a pipe or a socket would be swapped for a plain file by the rename.
    if (fs::exists(existing) && !fs::is_regular_file(existing)) {
        return {false, "a special file of that name exists"};
    }
#ifndef _WIN32
    // A write-protected file is left alone, as a write in place would leave it; the rename
    // alone would not notice the protection.
    if (fs::exists(existing) && access(target.c_str(), W_OK) != 0) {
        return {false, std::error_code(errno, std::generic_category()).message()};
    }
#endif

    // A new name beside the target, so the final rename stays on one file system. Its stem is
    // cut short so that even a target name of the longest length a folder takes leaves room
    // for the dot and the suffix.
    std::string stem = target.filename().string().substr(0, 200);
    while (!stem.empty() && (static_cast<unsigned char>(stem.back()) & 0xC0) == 0x80) {
        stem.pop_back(); // no half of a UTF-8 character
    }
    std::random_device seed;
    fs::path temporary;
    std::FILE* raw = nullptr;
    for (int attempt = 0; attempt < 8 && raw == nullptr; ++attempt) {
        temporary =
            target.parent_path() / ("." + stem + ".tmp" + std::to_string(seed() % 1000000u));
        raw = std::fopen(temporary.string().c_str(), "wbx");
        if (raw == nullptr && errno != EEXIST) {
            break;
        }
    }
    if (raw == nullptr) {
        return {false, std::error_code(errno, std::generic_category()).message()};
    }

    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(raw);
    // The data reaches the disk before the rename, so that a crash in between leaves the old
    // file or the new one, never a new name with nothing in it.
    bool written =
        std::fwrite(bytes.data(), 1, bytes.size(), raw) == bytes.size() && std::fflush(raw) == 0;
#ifndef _WIN32
    written = written && fsync(fileno(raw)) == 0;
#endif
    const int writeErrno = errno;
    const bool closed = std::fclose(file.release()) == 0;
    const int closeErrno = errno;
    if (!written || !closed) {
        fs::remove(temporary, error);
        return {
            false,
            std::error_code(written ? closeErrno : writeErrno, std::generic_category()).message()};
    }
    if (fs::exists(existing)) {
        // The replacement keeps the access rights of the file it replaces.
        fs::permissions(temporary, existing.permissions(), error);
    }
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return {false, error.message()};
    }
    return {};
}

} // namespace data

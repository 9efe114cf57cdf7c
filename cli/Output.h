#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum class OutputFormat {
    Text, ///< columns two blanks apart, under a "# " line naming them with their units
    Csv,  ///< comma-separated, with a header line of column keys
    Json, ///< one object a line, keyed by column
};

/// The unit energies are typed and printed in.
enum class EnergyUnit { MeV, keV };

/// How rows are printed: the form, the significant digits, the energy unit, and whether text
/// carries its header line.
struct OutputStyle {
    OutputFormat format = OutputFormat::Text;
    int digits = 4;
    EnergyUnit energyUnit = EnergyUnit::MeV;
    bool textHeader = true;
};

/// True for a column key that holds an energy ("energy", "mean_energy_in").
bool IsEnergyKey(std::string_view key);

/// The header line of columns with these keys: in CSV the keys, in text "# " and each key with
/// its unit ("energy (MeV)  total (cm2/g)") two blanks apart, or tabs apart when `tabs`; nothing
/// in JSON or when the style leaves the text header out. `units`, where given and not empty for
/// a column, names that column's unit instead of the one its key has everywhere else.
void AppendHeader(std::string& out, const OutputStyle& style,
                  std::span<const std::string_view> keys, bool tabs = false,
                  std::span<const std::string_view> units = {});

/// A value in the column of `key`: an energy in the style's unit, any other value as it is.
void AppendColumnValue(std::string& out, const OutputStyle& style, std::string_view key,
                       double value);

/// A value as a cell of a row: as AppendColumnValue, except that NaN, which stands for no value,
/// is empty in CSV, null in JSON and "-" in text, and JSON gives an infinity as a string.
void AppendCell(std::string& out, const OutputStyle& style, std::string_view key, double value);

/// Text gathered for one stream and written in large blocks, so that a million rows cost a few
/// system calls rather than a million.
class BufferedStream {
  public:
    explicit BufferedStream(std::FILE* file) : m_file(file) {}
    ~BufferedStream() { Flush(); }
    BufferedStream(const BufferedStream&) = delete;
    BufferedStream& operator=(const BufferedStream&) = delete;

    std::string& Text() { return m_text; }
    /// Writes out what is gathered once it is large.
    void FlushIfLarge() {
        if (m_text.size() >= kBlockBytes) {
            Flush();
        }
    }
    /// Writes out everything gathered; false when the stream refused some of it.
    bool Flush();

  private:
    static constexpr std::size_t kBlockBytes = 1 << 20;
    std::FILE* m_file;
    std::string m_text;
    bool m_failed = false;
};

/// Rows of numbers under fixed column keys, in one of the three output forms.
class RowWriter {
  public:
    /// `units`, where given, name the columns' units in the header (see AppendHeader).
    RowWriter(const OutputStyle& style, std::vector<std::string_view> keys,
              std::vector<std::string_view> units = {});

    /// The header line (see AppendHeader).
    void Header(std::string& out) const;
    /// One row of values, one for each key, printed with the writer's digits.
    void Values(std::string& out, std::span<const double> values) const;
    /// A row whose computation failed: the given input in its column and `word` in place of
    /// every computed number (JSON: the input and an "error" member holding the word).
    void Failure(std::string& out, std::size_t inputColumn, double input,
                 std::string_view word) const;

  private:
    OutputStyle m_style;
    std::vector<std::string_view> m_keys;
    std::vector<std::string_view> m_units;
};

/// One text field of a CSV line: quoted (with doubled quotes) when it holds a comma, a quote or
/// a line end, else unchanged.
void AppendCsvField(std::string& out, std::string_view field);

/// A JSON string literal. Valid UTF-8 passes through; any other byte is taken as Latin-1, so a
/// name in an older code page still gives valid JSON.
void AppendJsonString(std::string& out, std::string_view text);

} // namespace cli

#include "xcom_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <optional>
#include <system_error>

namespace xcom {
namespace {

// No element weighs more; the bound also keeps barns-to-cm2/g conversions finite.
constexpr double kMaxAtomicWeight = 1000.0;
constexpr int kMaxAtomicNumber = 100;
// Points of one photoelectric fit list; the real files hold at most ten.
constexpr int kMaxFitPoints = 1000;

constexpr int kEdgeIndexWidth = 6;
constexpr int kEdgeIndicesPerLine = 12;
constexpr int kEdgeNameWidth = 3;
constexpr int kEdgeNamesPerLine = 14;
constexpr int kEdgeEnergyWidth = 9;
constexpr int kEdgeEnergiesPerLine = 8;
constexpr int kEnergyWidth = 13;
constexpr int kEnergiesPerLine = 6;
constexpr int kCrossSectionWidth = 10;
constexpr int kCrossSectionsPerLine = 8;

std::string_view trimLeft(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    return text;
}

// Fortran pads records with blanks, and a copy may have gained CR before each LF; neither is
// part of the data.
std::string_view trimRight(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// The whole field must be the number: "1.5E+03x" or "1 5" are damage, not 1500 or 1.
std::optional<int> parseInt(std::string_view field) {
    field = trimLeft(field);
    int value = 0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    if (field.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseReal(std::string_view field) {
    field = trimLeft(field);
    double value = 0.0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value, std::chars_format::general);
    if (field.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Hands out the lines of the text one by one, without line ends and trailing blanks.
class LineCursor {
  public:
    explicit LineCursor(std::string_view text) : m_rest(text) {}

    bool atEnd() const { return m_rest.empty(); }

    /// Number of the last line handed out (1-based), or 0 before the first.
    int lineNumber() const { return m_lineNumber; }

    std::optional<std::string_view> next() {
        if (m_rest.empty()) {
            return std::nullopt;
        }
        const std::size_t lf = m_rest.find('\n');
        std::string_view line = m_rest.substr(0, lf);
        m_rest = lf == std::string_view::npos ? std::string_view() : m_rest.substr(lf + 1);
        ++m_lineNumber;
        return trimRight(line);
    }

  private:
    std::string_view m_rest;
    int m_lineNumber = 0;
};

// Splits a line of `count` fields `width` columns wide. Numbers are right-justified, so the
// line must fill every column: a line cut inside its last number is damage. Only a field that
// ends in a blank (a one-letter edge name) may have lost that blank with the trailing ones.
bool splitFixed(std::string_view line, int count, int width, std::vector<std::string_view>& out,
                bool lastMayEndInBlank = false) {
    out.clear();
    if (count < 1 || width < 1) {
        return false;
    }
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t n = static_cast<std::size_t>(count);
    const std::size_t shortest = lastMayEndInBlank ? n * w - 1 : n * w;
    if (line.size() < shortest || line.size() > n * w) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(line.substr(i * w, w));
    }
    return true;
}

bool isEdgeName(std::string_view name) {
    if (name.empty() || name.size() > 2) {
        return false;
    }
    for (const char c : name) {
        const bool letterOrDigit =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!letterOrDigit) {
            return false;
        }
    }
    return true;
}

class Reader {
  public:
    explicit Reader(std::string_view text) : m_lines(text) {}

    ReadResult run() {
        if (readHeader() && readCounts() && readEdges() && readTable() && readFitData() &&
            readEnd()) {
            m_result.block = Block::End;
            m_result.line = 0;
        } else {
            m_result.data = ElementData{};
        }
        return m_result;
    }

  private:
    bool fail(ReadError error, Block block, int line) {
        m_result.error = error;
        m_result.block = block;
        m_result.line = line;
        return false;
    }

    std::optional<std::string_view> nextLine(Block block) {
        auto line = m_lines.next();
        if (!line) {
            fail(ReadError::Truncated, block, m_lines.lineNumber() + 1);
        }
        return line;
    }

    bool readHeader() {
        // Columns 1-6 hold Z, columns 7-18 the atomic weight.
        const auto line = nextLine(Block::Header);
        if (!line) {
            return false;
        }
        const int number = m_lines.lineNumber();
        if (line->size() != 18) {
            return fail(ReadError::BadLayout, Block::Header, number);
        }
        const auto z = parseInt(line->substr(0, 6));
        const auto weight = parseReal(line->substr(6));
        if (!z || !weight) {
            return fail(ReadError::BadNumber, Block::Header, number);
        }
        if (*z < 1 || *z > kMaxAtomicNumber || !(*weight > 0.0) || *weight > kMaxAtomicWeight) {
            return fail(ReadError::BadValue, Block::Header, number);
        }
        m_result.data.atomicNumber = *z;
        m_result.data.atomicWeight = *weight;
        return true;
    }

    bool readCounts() {
        const auto line = nextLine(Block::Counts);
        if (!line) {
            return false;
        }
        const int number = m_lines.lineNumber();
        if (!splitFixed(*line, 2, 6, m_fields)) {
            return fail(ReadError::BadLayout, Block::Counts, number);
        }
        const auto edges = parseInt(m_fields[0]);
        const auto energies = parseInt(m_fields[1]);
        if (!edges || !energies) {
            return fail(ReadError::BadNumber, Block::Counts, number);
        }
        if (*edges < 0 || *edges > kMaxEdges || *energies < 1) {
            return fail(ReadError::BadValue, Block::Counts, number);
        }
        if (*energies != kGridEnergies + 2 * *edges) {
            return fail(ReadError::CountMismatch, Block::Counts, number);
        }
        m_result.data.edgeCount = *edges;
        m_result.data.energyCount = *energies;
        return true;
    }

    // Reads `total` fixed-width fields, `perLine` to a line, the last line holding the rest,
    // and hands each field to `take`, which returns the error it finds (None to go on).
    template <typename Take>
    bool readBlock(Block block, int total, int perLine, int width, Take take) {
        // Edge names are the only left-justified fields.
        const bool lastMayEndInBlank = block == Block::EdgeNames;
        int done = 0;
        while (done < total) {
            const auto line = nextLine(block);
            if (!line) {
                return false;
            }
            const int number = m_lines.lineNumber();
            const int count = std::min(perLine, total - done);
            if (!splitFixed(*line, count, width, m_fields, lastMayEndInBlank)) {
                return fail(ReadError::BadLayout, block, number);
            }
            for (const std::string_view field : m_fields) {
                const ReadError error = take(field);
                if (error != ReadError::None) {
                    return fail(error, block, number);
                }
            }
            done += count;
        }
        return true;
    }

    bool readEdges() {
        ElementData& data = m_result.data;
        const int edges = data.edgeCount;
        const bool indicesRead =
            readBlock(Block::EdgeIndices, edges, kEdgeIndicesPerLine, kEdgeIndexWidth,
                      [&](std::string_view field) {
                          const auto index = parseInt(field);
                          if (!index) {
                              return ReadError::BadNumber;
                          }
                          // Each edge needs the energy below it at the previous position, and
                          // the edges come from the highest down, so the pairs must not overlap.
                          const bool inRange = *index >= 2 && *index <= data.energyCount;
                          const bool below =
                              data.edgeIndices.empty() || *index <= data.edgeIndices.back() - 2;
                          if (!inRange || !below) {
                              return ReadError::BadEdgeIndex;
                          }
                          data.edgeIndices.push_back(*index);
                          return ReadError::None;
                      });
        if (!indicesRead) {
            return false;
        }
        const bool namesRead = readBlock(Block::EdgeNames, edges, kEdgeNamesPerLine, kEdgeNameWidth,
                                         [&](std::string_view field) {
                                             const std::string_view name = trimLeft(field);
                                             if (!isEdgeName(trimRight(name))) {
                                                 return ReadError::BadName;
                                             }
                                             data.edgeNames.emplace_back(trimRight(name));
                                             return ReadError::None;
                                         });
        if (!namesRead) {
            return false;
        }
        return readBlock(Block::EdgeEnergies, edges, kEdgeEnergiesPerLine, kEdgeEnergyWidth,
                         [&](std::string_view field) {
                             const auto energy = parseReal(field);
                             if (!energy) {
                                 return ReadError::BadNumber;
                             }
                             if (!(*energy > 0.0)) {
                                 return ReadError::BadValue;
                             }
                             data.edgeEnergiesEv.push_back(*energy);
                             return ReadError::None;
                         });
    }

    bool readTable() {
        ElementData& data = m_result.data;
        const int count = data.energyCount;
        data.energiesEv.reserve(static_cast<std::size_t>(count));
        const bool energiesRead = readBlock(
            Block::Energies, count, kEnergiesPerLine, kEnergyWidth, [&](std::string_view field) {
                const auto energy = parseReal(field);
                if (!energy) {
                    return ReadError::BadNumber;
                }
                if (!(*energy > 0.0)) {
                    return ReadError::BadValue;
                }
                // Equal neighbours are allowed: the two energies of a high K edge
                // print alike in six digits.
                if (!data.energiesEv.empty() && *energy < data.energiesEv.back()) {
                    return ReadError::EnergiesNotAscending;
                }
                data.energiesEv.push_back(*energy);
                return ReadError::None;
            });
        if (!energiesRead) {
            return false;
        }
        constexpr std::array<Block, kProcessCount> blocks = {
            Block::Coherent, Block::Incoherent, Block::PhotoElectric, Block::PairNuclear,
            Block::PairElectron};
        for (int p = 0; p < kProcessCount; ++p) {
            std::vector<double>& column = data.crossSectionsBarns[static_cast<std::size_t>(p)];
            column.reserve(static_cast<std::size_t>(count));
            const bool read =
                readBlock(blocks[static_cast<std::size_t>(p)], count, kCrossSectionsPerLine,
                          kCrossSectionWidth, [&](std::string_view field) {
                              const auto sigma = parseReal(field);
                              if (!sigma) {
                                  return ReadError::BadNumber;
                              }
                              if (*sigma < 0.0) {
                                  return ReadError::BadValue;
                              }
                              column.push_back(*sigma);
                              return ReadError::None;
                          });
            if (!read) {
                return false;
            }
        }
        return true;
    }

    // The next blank-separated token of the free-format fit block, across lines.
    std::optional<std::string_view> nextToken() {
        for (;;) {
            m_tokenLine = trimLeft(m_tokenLine);
            if (!m_tokenLine.empty()) {
                const std::size_t blank = m_tokenLine.find(' ');
                const std::string_view token = m_tokenLine.substr(0, blank);
                m_tokenLine.remove_prefix(token.size());
                return token;
            }
            const auto line = m_lines.next();
            if (!line) {
                fail(ReadError::Truncated, Block::FitData, m_lines.lineNumber() + 1);
                return std::nullopt;
            }
            m_tokenLine = *line;
        }
    }

    // The fit points are not tabulated, but reading them through finds a file cut short
    // inside them.
    bool readFitData() {
        const int edges = m_result.data.edgeCount;
        if (edges == 0) {
            return true;
        }
        const auto readInt = [&]() -> std::optional<int> {
            const auto token = nextToken();
            if (!token) {
                return std::nullopt;
            }
            const auto value = parseInt(*token);
            if (!value) {
                fail(ReadError::BadNumber, Block::FitData, m_lines.lineNumber());
            }
            return value;
        };
        const auto lists = readInt();
        if (!lists) {
            return false;
        }
        if (*lists != edges) {
            return fail(ReadError::BadValue, Block::FitData, m_lines.lineNumber());
        }
        int points = 0;
        for (int list = 0; list < edges; ++list) {
            const auto count = readInt();
            if (!count) {
                return false;
            }
            if (*count < 1 || *count > kMaxFitPoints) {
                return fail(ReadError::BadValue, Block::FitData, m_lines.lineNumber());
            }
            points += *count;
        }
        // The energies (MeV) of every list, then the cross sections of every list.
        for (int i = 0; i < 2 * points; ++i) {
            const auto token = nextToken();
            if (!token) {
                return false;
            }
            const auto value = parseReal(*token);
            if (!value) {
                return fail(ReadError::BadNumber, Block::FitData, m_lines.lineNumber());
            }
            if (*value < 0.0) {
                return fail(ReadError::BadValue, Block::FitData, m_lines.lineNumber());
            }
        }
        return true;
    }

    bool readEnd() {
        if (!trimLeft(m_tokenLine).empty()) {
            return fail(ReadError::TrailingText, Block::End, m_lines.lineNumber());
        }
        while (const auto line = m_lines.next()) {
            if (!trimLeft(*line).empty()) {
                return fail(ReadError::TrailingText, Block::End, m_lines.lineNumber());
            }
        }
        return true;
    }

    LineCursor m_lines;
    std::string_view m_tokenLine;
    std::vector<std::string_view> m_fields;
    ReadResult m_result;
};

} // namespace

ReadResult ReadElementFile(std::string_view text) {
    // Some copies end with the DOS end-of-file mark.
    if (!text.empty() && text.back() == '\x1a') {
        text.remove_suffix(1);
    }
    return Reader(text).run();
}

std::string_view BlockName(Block block) {
    switch (block) {
    case Block::Header:
        return "header";
    case Block::Counts:
        return "counts";
    case Block::EdgeIndices:
        return "edge indices";
    case Block::EdgeNames:
        return "edge names";
    case Block::EdgeEnergies:
        return "edge energies";
    case Block::Energies:
        return "energies";
    case Block::Coherent:
        return "coherent";
    case Block::Incoherent:
        return "incoherent";
    case Block::PhotoElectric:
        return "photoelectric";
    case Block::PairNuclear:
        return "pair nuclear";
    case Block::PairElectron:
        return "pair electron";
    case Block::FitData:
        return "photoelectric fit data";
    case Block::End:
        return "end";
    }
    return "unknown";
}

std::string DescribeReadError(const ReadResult& result) {
    const std::string where =
        "line " + std::to_string(result.line) + " (" + std::string(BlockName(result.block)) + "): ";
    switch (result.error) {
    case ReadError::None:
        return "no error";
    case ReadError::Truncated:
        return "the file ends before line " + std::to_string(result.line) + ", in the " +
               std::string(BlockName(result.block)) + " block";
    case ReadError::BadLayout:
        return where + "wrong number of fields or stray text";
    case ReadError::BadNumber:
        return where + "a field is not a number";
    case ReadError::BadName:
        return where + "a field is not an edge name";
    case ReadError::BadValue:
        return where + "a value is out of range";
    case ReadError::CountMismatch:
        return where + "the number of energies is not 80 plus two per edge";
    case ReadError::BadEdgeIndex:
        return where + "an edge position is out of range or out of order";
    case ReadError::EnergiesNotAscending:
        return where + "an energy is lower than the one before it";
    case ReadError::TrailingText:
        return "line " + std::to_string(result.line) + ": text after the last block";
    }
    return where + "unknown error";
}

} // namespace xcom

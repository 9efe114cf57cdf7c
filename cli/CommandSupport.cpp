#include "CommandSupport.h"

#include "LineReader.h"
#include "NumberText.h"
#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"
#include "material/Edges.h"
#include "material/Resolve.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cli {

namespace {

bool readStandardInput(std::string& text) {
    constexpr std::size_t kChunk = 1 << 20;
    std::size_t used = 0;
    for (;;) {
        text.resize(used + kChunk);
        const std::size_t got = std::fread(text.data() + used, 1, kChunk, stdin);
        used += got;
        if (got < kChunk) {
            text.resize(used);
            return std::ferror(stdin) == 0;
        }
    }
}

// FROM:TO:N, FROM and TO positive energies, N a whole number of at least 2.
bool parseGrid(const Invocation& invocation, const std::string& text, double& from, double& to,
               long& count) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos) {
        return false;
    }
    const std::optional<double> a = ReadEnergy(invocation, std::string_view(text).substr(0, first));
    const std::optional<double> b =
        ReadEnergy(invocation, std::string_view(text).substr(first + 1, second - first - 1));
    const std::string n = text.substr(second + 1);
    if (!a || !b || !(*a > 0.0) || !(*b > 0.0) || !std::isfinite(*a) || !std::isfinite(*b) ||
        n.empty() || n.size() > 7 ||
        !std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    from = *a;
    to = *b;
    count = std::stol(n);
    return count >= 2;
}

} // namespace

void Complain(BufferedStream& err, std::string_view message) {
    err.Text() += "photonxs-cli: ";
    err.Text() += message;
    err.Text() += '\n';
}

void Note(BufferedStream& err, std::string_view note) {
    if (!note.empty()) {
        Complain(err, "note: " + std::string(note));
    }
}

int Usage(BufferedStream& err, const std::string& message) {
    Complain(err, message + " (photonxs-cli --help tells more)");
    return kExitUsage;
}

std::string Echo(std::string_view word) { return attenuation::QuotedExcerpt(word); }

bool IsExpression(std::string_view argument) {
    return argument.starts_with(material::kFormulaPrefix) ||
           argument.starts_with(material::kMixPrefix);
}

std::optional<double> ReadEnergy(const Invocation& invocation, std::string_view text) {
    if (invocation.energyUnit == EnergyUnit::MeV || !IsNumberText(text)) {
        return ReadNumber(text);
    }
    return ReadNumber(attenuation::ShiftDecimalPoint(text, -3));
}

struct ValueReader::Input {
    explicit Input(BufferedStream& out) : lines(0, &out) {}
    LineReader lines;
    std::vector<std::string_view> fields; ///< those of the line read last
    std::vector<double> values;           ///< their numbers
    std::size_t next = 0;                 ///< the next of them to hand out
    bool done = false;
};

ValueReader::ValueReader(const Invocation& invocation, std::vector<std::string> words,
                         std::string_view what, bool energies, BufferedStream& out,
                         BufferedStream& err)
    : m_invocation(invocation), m_words(std::move(words)), m_what(what), m_energies(energies),
      m_out(out), m_err(err) {}

ValueReader::~ValueReader() = default;

std::optional<double> ValueReader::read(std::string_view word) const {
    return m_energies ? ReadEnergy(m_invocation, word) : ReadNumber(word);
}

bool ValueReader::Start(const data::MaterialTable* gridTable) {
    for (const std::string& word : m_words) {
        if (word == "-") {
            if (!m_inputAt) {
                m_inputAt = m_given.size(); // a later "-" finds standard input read
            }
            continue;
        }
        const std::optional<double> value = read(word);
        if (!value) {
            Complain(m_err, std::string(m_what) + " " + Echo(word) + " is not a number");
            return false;
        }
        m_given.push_back(*value);
    }
    if (gridTable == nullptr || !m_energies ||
        (!m_invocation.options.contains("grid") && !m_invocation.options.contains("with-edges"))) {
        return true;
    }
    // A grid comes in order of energy, so every number is needed before the first row.
    std::vector<double> all;
    double value = 0.0;
    while (Next(value)) {
        all.push_back(value);
    }
    if (m_failed || !AddGridEnergies(m_invocation, *gridTable, all, m_err)) {
        return false;
    }
    m_given = std::move(all);
    m_inputAt.reset();
    m_next = 0;
    m_count = 0;
    return true;
}

bool ValueReader::nextOfInput(double& value) {
    if (!m_input) {
        m_input = std::make_unique<Input>(m_out);
    }
    Input& in = *m_input;
    // A line is read whole before any of its numbers is handed out, so that a line with a
    // mistake gives no rows.
    while (in.next == in.values.size()) {
        std::string_view line;
        if (!in.lines.Next(line)) {
            in.done = true;
            if (in.lines.Failed()) {
                Complain(m_err, "standard input cannot be read");
                m_failed = true;
            }
            return false;
        }
        line = line.substr(0, line.find('#'));
        attenuation::SplitFields(line, in.fields);
        in.values.clear();
        in.next = 0;
        if (attenuation::IsWordLine(line, in.fields)) {
            continue;
        }
        for (const std::string_view field : in.fields) {
            const std::optional<double> number = read(field);
            if (!number) {
                Complain(m_err, "standard input, line " + std::to_string(in.lines.LineNumber()) +
                                    ": " + std::string(m_what) + " " + Echo(field) +
                                    " is not a number");
                m_failed = true;
                in.done = true;
                return false;
            }
            in.values.push_back(*number);
        }
    }
    value = in.values[in.next++];
    return true;
}

bool ValueReader::Next(double& value) {
    if (m_failed) {
        return false;
    }
    if (m_inputAt && *m_inputAt == m_next && !(m_input && m_input->done)) {
        if (nextOfInput(value)) {
            ++m_count;
            return true;
        }
        if (m_failed) {
            return false;
        }
    }
    if (m_next == m_given.size()) {
        return false;
    }
    value = m_given[m_next++];
    ++m_count;
    return true;
}

bool AddGridEnergies(const Invocation& invocation, const data::MaterialTable& table,
                     std::vector<double>& energies, BufferedStream& err) {
    const auto grid = invocation.options.find("grid");
    const bool withEdges = invocation.options.contains("with-edges");
    double low = 0.0;
    double high = 0.0;
    if (grid != invocation.options.end()) {
        double from = 0.0;
        double to = 0.0;
        long count = 0;
        if (!parseGrid(invocation, grid->second, from, to, count)) {
            Complain(err, "--grid " + Echo(grid->second) +
                              " is not FROM:TO:N (two energies above 0 and a whole number N of " +
                              "at least 2)");
            return false;
        }
        const double logFrom = std::log(from);
        const double step = (std::log(to) - logFrom) / static_cast<double>(count - 1);
        energies.push_back(from);
        for (long k = 1; k + 1 < count; ++k) {
            energies.push_back(std::exp(logFrom + step * static_cast<double>(k)));
        }
        energies.push_back(to);
    }
    if (!energies.empty()) {
        low = *std::min_element(energies.begin(), energies.end());
        high = *std::max_element(energies.begin(), energies.end());
    }
    if (withEdges) {
        for (const int row : material::EdgeRows(table)) {
            const double below = table.Energy[static_cast<std::size_t>(row) - 1];
            const double edge = table.Energy[static_cast<std::size_t>(row)];
            if (!(low == 0.0 && high == 0.0) && (edge < low || below > high)) {
                continue;
            }
            // At the energy below the edge the look-up answers below it. Where both rows hold
            // one energy, the next double up lies past both and so answers above the edge.
            energies.push_back(below);
            energies.push_back(edge > below ? edge : std::nextafter(edge, 2.0 * edge));
        }
    }
    std::sort(energies.begin(), energies.end());
    energies.erase(std::unique(energies.begin(), energies.end()), energies.end());
    return true;
}

bool ReadInputFile(const std::string& file, std::string& text, BufferedStream& err) {
    if (file == "-") {
        if (!readStandardInput(text)) {
            Complain(err, "standard input cannot be read");
            return false;
        }
        return true;
    }
    if (!data::ReadWholeFile(file, text)) {
        Complain(err, file + ": cannot be read");
        return false;
    }
    return true;
}

std::string EnergyText(const Invocation& invocation, double energyMeV) {
    std::string text;
    OutputStyle style = invocation.Style();
    style.format = OutputFormat::Csv;
    AppendColumnValue(text, style, "energy", energyMeV);
    return text + (invocation.energyUnit == EnergyUnit::keV ? " keV" : " MeV");
}

} // namespace cli

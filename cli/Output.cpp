#include "Output.h"

#include "NumberText.h"

#include <cmath>

namespace cli {

bool BufferedStream::Flush() {
    if (!m_text.empty()) {
        if (std::fwrite(m_text.data(), 1, m_text.size(), m_file) != m_text.size()) {
            m_failed = true;
        }
        m_text.clear();
    }
    if (std::fflush(m_file) != 0) {
        m_failed = true;
    }
    return !m_failed;
}

bool IsEnergyKey(std::string_view key) {
    return key == "energy" || key == "mean_energy_in" || key == "mean_energy_out" ||
           key == "cutoff";
}

namespace {

// The unit of a column, empty for a number without one.
std::string_view unitOf(std::string_view key, EnergyUnit energyUnit) {
    struct KeyUnit {
        std::string_view key;
        std::string_view unit;
    };
    static constexpr KeyUnit kUnits[] = {{"coherent", "cm2/g"},
                                         {"incoherent", "cm2/g"},
                                         {"photo_electric", "cm2/g"},
                                         {"pair_nuclear", "cm2/g"},
                                         {"pair_electron", "cm2/g"},
                                         {"total", "cm2/g"},
                                         {"total_without_coherent", "cm2/g"},
                                         {"mu_rho", "cm2/g"},
                                         {"mu_en_rho", "cm2/g"},
                                         {"mu", "1/cm"},
                                         {"hvl", "cm"},
                                         {"tvl", "cm"},
                                         {"mfp", "cm"},
                                         {"first_hvl", "cm"},
                                         {"second_hvl", "cm"},
                                         {"thickness", "cm"},
                                         {"density", "g/cm3"},
                                         {"neff", "electrons/g"},
                                         {"intensity", "photons/decay"},
                                         {"uncollided", "uGy/h"},
                                         {"rate", "uGy/h"},
                                         {"constant", "uGy m2/(GBq h)"}};
    if (IsEnergyKey(key)) {
        return energyUnit == EnergyUnit::keV ? "keV" : "MeV";
    }
    for (const KeyUnit& known : kUnits) {
        if (known.key == key) {
            return known.unit;
        }
    }
    return {};
}

} // namespace

void AppendHeader(std::string& out, const OutputStyle& style,
                  std::span<const std::string_view> keys, bool tabs,
                  std::span<const std::string_view> units) {
    if (style.format == OutputFormat::Json ||
        (style.format == OutputFormat::Text && !style.textHeader)) {
        return;
    }
    const bool csv = style.format == OutputFormat::Csv;
    out += csv ? "" : "# ";
    for (std::size_t i = 0; i < keys.size(); ++i) {
        out += i == 0 ? "" : (csv ? "," : (tabs ? "\t" : "  "));
        out += keys[i];
        const std::string_view unit =
            i < units.size() && !units[i].empty() ? units[i] : unitOf(keys[i], style.energyUnit);
        if (!csv && !unit.empty()) {
            out += " (";
            out += unit;
            out += ')';
        }
    }
    out += '\n';
}

void AppendColumnValue(std::string& out, const OutputStyle& style, std::string_view key,
                       double value) {
    if (style.energyUnit == EnergyUnit::keV && IsEnergyKey(key)) {
        AppendValueTimesThousand(out, value, style.digits);
    } else {
        AppendValue(out, value, style.digits);
    }
}

void AppendCell(std::string& out, const OutputStyle& style, std::string_view key, double value) {
    if (std::isnan(value)) {
        out += style.format == OutputFormat::Json   ? "null"
               : style.format == OutputFormat::Text ? "-"
                                                    : "";
        return;
    }
    // JSON has no words for the infinities, so they go in as strings there.
    const bool quoted = style.format == OutputFormat::Json && !std::isfinite(value);
    out += quoted ? "\"" : "";
    AppendColumnValue(out, style, key, value);
    out += quoted ? "\"" : "";
}

RowWriter::RowWriter(const OutputStyle& style, std::vector<std::string_view> keys,
                     std::vector<std::string_view> units)
    : m_style(style), m_keys(std::move(keys)), m_units(std::move(units)) {}

void RowWriter::Header(std::string& out) const {
    AppendHeader(out, m_style, m_keys, false, m_units);
}

namespace {

void appendJsonKey(std::string& out, std::string_view key, bool first) {
    out += first ? "{\"" : ",\"";
    out += key;
    out += "\":";
}

} // namespace

void RowWriter::Values(std::string& out, std::span<const double> values) const {
    if (m_style.format == OutputFormat::Json) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            appendJsonKey(out, m_keys[i], i == 0);
            AppendCell(out, m_style, m_keys[i], values[i]);
        }
        out += "}\n";
        return;
    }
    const std::string_view separator = m_style.format == OutputFormat::Csv ? "," : "  ";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        AppendCell(out, m_style, m_keys[i], values[i]);
    }
    out += '\n';
}

void RowWriter::Failure(std::string& out, std::size_t inputColumn, double input,
                        std::string_view word) const {
    if (m_style.format == OutputFormat::Json) {
        appendJsonKey(out, m_keys[inputColumn], true);
        AppendCell(out, m_style, m_keys[inputColumn], input);
        out += ",\"error\":\"";
        out += word;
        out += "\"}\n";
        return;
    }
    const std::string_view separator = m_style.format == OutputFormat::Csv ? "," : "  ";
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        if (i == inputColumn) {
            AppendCell(out, m_style, m_keys[i], input);
        } else {
            out += word;
        }
    }
    out += '\n';
}

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when there is none.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned int lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    unsigned int code = lead & (0xFFu >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= lowest && code <= 0x10FFFF && !surrogate ? length : 0;
}

void appendUnicodeEscape(std::string& out, unsigned int code) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\u00";
    out += kHex[(code >> 4) & 0xF];
    out += kHex[code & 0xF];
}

} // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            appendUnicodeEscape(out, c);
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t length = utf8Length(text, i); length > 0) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            appendUnicodeEscape(out, c);
            ++i;
        }
    }
    out += '"';
}

} // namespace cli

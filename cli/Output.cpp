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

RowWriter::RowWriter(OutputFormat format, int digits, std::vector<std::string_view> keys)
    : m_format(format), m_digits(digits), m_keys(std::move(keys)) {}

void RowWriter::Header(std::string& out) const {
    if (m_format != OutputFormat::Csv) {
        return;
    }
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += m_keys[i];
    }
    out += '\n';
}

namespace {

// JSON has no words for the non-finite values, so they go in as strings there.
void appendJsonNumber(std::string& out, double value, int digits) {
    if (!std::isfinite(value)) {
        out += '"';
        AppendValue(out, value, digits);
        out += '"';
        return;
    }
    AppendValue(out, value, digits);
}

void appendJsonKey(std::string& out, std::string_view key, bool first) {
    out += first ? "{\"" : ",\"";
    out += key;
    out += "\":";
}

} // namespace

void RowWriter::Values(std::string& out, std::span<const double> values) const {
    if (m_format == OutputFormat::Json) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            appendJsonKey(out, m_keys[i], i == 0);
            appendJsonNumber(out, values[i], m_digits);
        }
        out += "}\n";
        return;
    }
    const std::string_view separator = m_format == OutputFormat::Csv ? "," : "  ";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        AppendValue(out, values[i], m_digits);
    }
    out += '\n';
}

void RowWriter::Failure(std::string& out, std::size_t inputColumn, double input,
                        std::string_view word) const {
    if (m_format == OutputFormat::Json) {
        appendJsonKey(out, m_keys[inputColumn], true);
        appendJsonNumber(out, input, m_digits);
        out += ",\"error\":\"";
        out += word;
        out += "\"}\n";
        return;
    }
    const std::string_view separator = m_format == OutputFormat::Csv ? "," : "  ";
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        if (i == inputColumn) {
            AppendValue(out, input, m_digits);
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

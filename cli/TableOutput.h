#pragma once

#include "Arguments.h"
#include "Output.h"

#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

/// Rows of text and numbers under fixed keys, in the three output forms.
class Table {
  public:
    /// `units` name the units of columns whose key means another unit elsewhere.
    Table(const Invocation& invocation, std::vector<std::string> keys,
          std::vector<std::string_view> units = {})
        : m_style(invocation.Style()), m_format(m_style.format), m_keys(std::move(keys)),
          m_views(m_keys.begin(), m_keys.end()), m_units(std::move(units)),
          m_numbers(m_style, m_views) {}
    Table(const Table&) = delete; // m_numbers refers to m_keys
    Table& operator=(const Table&) = delete;

    void Header(std::string& out) const { AppendHeader(out, m_style, m_views, false, m_units); }

    /// One cell of a row that mixes texts and numbers in any order; a blank cell, like any NaN,
    /// is empty in CSV, null in JSON and "-" in text.
    struct Cell {
        Cell(double value) : number(value) {}
        Cell(std::string_view value) : text(value), isText(true) {}
        static Cell Blank() { return Cell(std::numeric_limits<double>::quiet_NaN()); }
        double number = 0.0;
        std::string_view text;
        bool isText = false;
    };

    void Cells(std::string& out, std::initializer_list<Cell> cells) const {
        std::size_t column = 0;
        for (const Cell& cell : cells) {
            open(out, column++);
            if (cell.isText) {
                m_format == OutputFormat::Csv    ? AppendCsvField(out, cell.text)
                : m_format == OutputFormat::Json ? AppendJsonString(out, cell.text)
                                                 : void(out += cell.text);
            } else {
                AppendCell(out, m_style, m_views[column - 1], cell.number);
            }
        }
        out += m_format == OutputFormat::Json ? "}\n" : "\n";
    }

    /// Leading text cells (a layer's name), then numbers; a failed row has `word` in place of
    /// every number after the first. Written straight into `out`, a million rows cost no
    /// allocations.
    void Row(std::string& out, std::initializer_list<std::string_view> texts,
             std::initializer_list<double> numbers, std::string_view word = {}) const {
        if (texts.size() == 0 && word.empty()) {
            m_numbers.Values(out, {numbers.begin(), numbers.size()});
            return;
        }
        std::size_t column = 0;
        for (const std::string_view text : texts) {
            open(out, column++);
            if (m_format == OutputFormat::Csv) {
                AppendCsvField(out, text);
            } else if (m_format == OutputFormat::Json) {
                AppendJsonString(out, text);
            } else {
                out += text;
            }
        }
        for (std::size_t i = 0; i < numbers.size() && (word.empty() || i == 0); ++i) {
            const double value = numbers.begin()[i];
            open(out, column++);
            AppendCell(out, m_style, m_views[column - 1], value);
        }
        if (!word.empty() && m_format == OutputFormat::Json) {
            out += ",\"error\":";
            AppendJsonString(out, word);
        } else if (!word.empty()) {
            for (; column < m_keys.size(); ++column) {
                open(out, column);
                out += word;
            }
        }
        out += m_format == OutputFormat::Json ? "}\n" : "\n";
    }

  private:
    /// What goes before a cell: the separator, or in JSON the brace or comma and the key.
    void open(std::string& out, std::size_t column) const {
        switch (m_format) {
        case OutputFormat::Text:
            out += column == 0 ? "" : "  ";
            break;
        case OutputFormat::Csv:
            out += column == 0 ? "" : ",";
            break;
        case OutputFormat::Json:
            out += column == 0 ? "{\"" : ",\"";
            out += m_keys[column];
            out += "\":";
            break;
        }
    }

    OutputStyle m_style;
    OutputFormat m_format;
    std::vector<std::string> m_keys;
    std::vector<std::string_view> m_views; ///< m_keys, as the writers take them
    std::vector<std::string_view> m_units;
    RowWriter m_numbers; ///< rows of numbers alone, the common case, as the look-ups write them
};

} // namespace cli

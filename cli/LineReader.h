#pragma once

#include "Output.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace cli {

/// The lines of an open file descriptor (standard input is 0), read a block at a time as they
/// are asked for, so that memory holds a block and the longest line, however long the input.
/// LF, CR LF and a lone CR end a line, the last line may have no end, and a UTF-8 byte-order
/// mark before the first line is dropped: the lines attenuation::SplitLines gives of the whole.
class LineReader {
  public:
    /// `waiting`, when given, is written out whenever the reader is about to wait for input, so
    /// that whoever feeds the lines sees what was made of those already read.
    explicit LineReader(int fd, BufferedStream* waiting = nullptr);

    /// The next line, without its end; valid until the next call. False at the end of the input
    /// and on a read error (then Failed()).
    bool Next(std::string_view& line);
    bool Failed() const { return m_failed; }
    /// The 1-based number of the line Next gave last.
    std::size_t LineNumber() const { return m_lineNumber; }

  private:
    /// Reads what is there (waiting for it if need be) after the bytes still unused, moving
    /// these to the front or growing the block first. False at the end or on an error.
    bool fill();

    int m_fd;
    BufferedStream* m_waiting;
    std::vector<char> m_block;
    std::size_t m_begin = 0;   ///< the first byte not given out yet
    std::size_t m_end = 0;     ///< one past the last byte read
    std::size_t m_scanned = 0; ///< bytes after m_begin known to hold no line end
    bool m_atEnd = false;
    bool m_failed = false;
    bool m_markChecked = false;
    bool m_afterCr = false; ///< the last line ended in a CR, so an LF next belongs to it
    std::size_t m_lineNumber = 0;
};

} // namespace cli

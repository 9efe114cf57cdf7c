#include "LineReader.h"

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <unistd.h>

namespace cli {

namespace {

constexpr std::size_t kBlockBytes = 1 << 16;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

} // namespace

LineReader::LineReader(int fd, BufferedStream* waiting)
    : m_fd(fd), m_waiting(waiting), m_block(kBlockBytes) {}

bool LineReader::fill() {
    if (m_atEnd) {
        return false;
    }
    std::memmove(m_block.data(), m_block.data() + m_begin, m_end - m_begin);
    m_end -= m_begin;
    m_begin = 0;
    if (m_end == m_block.size()) {
        m_block.resize(2 * m_block.size()); // a line longer than a block
    }
    if (m_waiting != nullptr) {
        pollfd ready{m_fd, POLLIN, 0};
        if (poll(&ready, 1, 0) == 0) {
            m_waiting->Flush(); // nothing there yet: what was made so far goes out first
        }
    }
    for (;;) {
        const ssize_t got = read(m_fd, m_block.data() + m_end, m_block.size() - m_end);
        if (got > 0) {
            m_end += static_cast<std::size_t>(got);
            return true;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        m_failed = got < 0;
        m_atEnd = true;
        return false;
    }
}

bool LineReader::Next(std::string_view& line) {
    // The mark is dropped once the bytes read can no longer be the start of another text.
    while (!m_markChecked) {
        const std::string_view start(m_block.data() + m_begin, m_end - m_begin);
        if (start.size() >= kByteOrderMark.size() || !kByteOrderMark.starts_with(start) ||
            !fill()) {
            m_markChecked = true;
            if (std::string_view(m_block.data() + m_begin, m_end - m_begin)
                    .starts_with(kByteOrderMark)) {
                m_begin += kByteOrderMark.size();
            }
        }
    }
    for (;;) {
        if (m_afterCr && m_begin < m_end) {
            m_afterCr = false;
            m_begin += m_block[m_begin] == '\n' ? 1 : 0;
        }
        const char* first = m_block.data() + m_begin;
        const char* last = m_block.data() + m_end;
        for (const char* p = first + m_scanned; p != last; ++p) {
            if (*p == '\n' || *p == '\r') {
                line = std::string_view(first, static_cast<std::size_t>(p - first));
                m_afterCr = *p == '\r';
                m_begin += line.size() + 1;
                m_scanned = 0;
                ++m_lineNumber;
                return true;
            }
        }
        m_scanned = m_end - m_begin;
        if (!fill()) {
            if (m_begin == m_end) {
                return false;
            }
            line = std::string_view(m_block.data() + m_begin, m_end - m_begin);
            m_begin = m_end;
            m_scanned = 0;
            ++m_lineNumber;
            return true;
        }
    }
}

} // namespace cli

#include "Platform/Kernel/ProcFile.h"

#include <QFile>

#include <cerrno>
#include <charconv>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

ProcFile::ProcFile(const QString& path, size_t initialCapacity)
    : m_buffer(std::max<size_t>(initialCapacity, 64))
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
}

ProcFile::~ProcFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

ProcFile::ProcFile(ProcFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_buffer(std::move(other.m_buffer))
{
}

ProcFile& ProcFile::operator=(ProcFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_buffer = std::move(other.m_buffer);
    }
    return *this;
}

std::optional<std::string_view> ProcFile::read()
{
    if (m_fd < 0)
        return std::nullopt;
    // Kernel files are generated whole on the read at offset 0; a file that fills the buffer is
    // read again into a bigger one so that its text comes from one generation. Nothing this
    // program reads comes near the limit; a file that does is not one of ours.
    constexpr size_t limit = size_t(16) << 20;
    for (;;) {
        size_t filled = 0;
        for (;;) {
            const ssize_t n = ::pread(m_fd, m_buffer.data() + filled, m_buffer.size() - filled, off_t(filled));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return std::nullopt;
            }
            if (n == 0)
                return std::string_view(m_buffer.data(), filled);
            filled += size_t(n);
            if (filled == m_buffer.size())
                break;
        }
        if (m_buffer.size() >= limit)
            return std::nullopt;
        m_buffer.resize(m_buffer.size() * 2);
    }
}

namespace ProcParse {

std::string_view nextLine(std::string_view& text)
{
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        const std::string_view line = text;
        text = {};
        return line;
    }
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return line;
}

void skipBlanks(std::string_view& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    text.remove_prefix(i);
}

namespace {

// Skips blanks, then reads one number of type T and advances past it.
template <typename T> std::optional<T> number(std::string_view& text)
{
    skipBlanks(text);
    T value {};
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc())
        return std::nullopt;
    text.remove_prefix(size_t(ptr - text.data()));
    return value;
}

} // namespace

std::optional<quint64> unsignedNumber(std::string_view& text)
{
    return number<quint64>(text);
}

std::optional<double> decimalNumber(std::string_view& text)
{
    return number<double>(text);
}

} // namespace ProcParse

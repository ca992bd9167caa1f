#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <string_view>
#include <vector>

// A small kernel file that is read again and again: opened once, re-read from offset 0 with pread
// into a buffer that is kept between reads. The buffer grows only when the file outgrows it, so a
// steady reader allocates nothing after its first reads.
class ProcFile {
public:
    explicit ProcFile(const QString& path, size_t initialCapacity = 4096);
    ~ProcFile();
    ProcFile(const ProcFile&) = delete;
    ProcFile& operator=(const ProcFile&) = delete;
    ProcFile(ProcFile&& other) noexcept;
    ProcFile& operator=(ProcFile&& other) noexcept;

    bool isOpen() const { return m_fd >= 0; }
    // The whole file as it reads now; none when it could not be opened or read. The view stays
    // valid until the next read.
    std::optional<std::string_view> read();

private:
    int m_fd = -1;
    std::vector<char> m_buffer;
};

// Parsing of the kernel's text files, without streams and without allocating.
namespace ProcParse {

// The next line of `text` (without its newline), advancing `text` past it.
std::string_view nextLine(std::string_view& text);
// Skips blanks, then reads an unsigned decimal number and advances past it; none on garbage or
// overflow.
std::optional<quint64> unsignedNumber(std::string_view& text);
// Skips blanks, then reads a decimal number (as the kernel writes fractions) and advances.
std::optional<double> decimalNumber(std::string_view& text);
// Skips blanks and tabs.
void skipBlanks(std::string_view& text);

} // namespace ProcParse

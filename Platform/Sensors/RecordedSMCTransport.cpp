#include "Platform/Sensors/RecordedSMCTransport.h"

#include "Platform/Logging/PlatformLog.h"

#include <QFile>

#include <cstring>

namespace {

// A value longer than this is not a controller value; it is kept out of the table entirely.
constexpr qsizetype maximumRecordedBytes = 255;

bool printable(QByteArrayView text)
{
    for (const char c : text)
        if (quint8(c) < 0x20 || quint8(c) > 0x7e)
            return false;
    return true;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

RecordedSMCTransport::RecordedSMCTransport(QByteArrayView text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArrayView lineText = text.sliced(start, end - start);
        if (lineText.endsWith('\r'))
            lineText.chop(1);
        if (!lineText.trimmed().isEmpty() && !lineText.startsWith("//") && !parseLine(lineText))
            ++m_skippedLines;
        start = end + 1;
    }
}

std::unique_ptr<RecordedSMCTransport> RecordedSMCTransport::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcPlatform, "cannot read the sensor table %s: %s", qUtf8Printable(path),
            qUtf8Printable(file.errorString()));
        return nullptr;
    }
    const QByteArray text = file.read(maximumFileSize + 1);
    if (text.size() > maximumFileSize) {
        qCWarning(lcPlatform, "the sensor table %s is too large", qUtf8Printable(path));
        return nullptr;
    }
    auto transport = std::make_unique<RecordedSMCTransport>(text);
    if (transport->skippedLines() > 0)
        qCWarning(lcPlatform, "skipped %d malformed lines of the sensor table %s", transport->skippedLines(),
            qUtf8Printable(path));
    return transport;
}

bool RecordedSMCTransport::parseLine(QByteArrayView text)
{
    if (text.size() < 9 || text[4] != ' ' || (text.size() > 9 && text[9] != ' '))
        return false;
    const QByteArrayView keyText = text.first(4);
    const QByteArrayView typeText = text.sliced(5, 4);
    if (!printable(keyText) || !printable(typeText))
        return false;
    QByteArray bytes;
    int high = -1;
    for (const char c : text.sliced(9)) {
        if (c == ' ' || c == '\t') {
            if (high >= 0)
                return false; // half a byte
            continue;
        }
        const int digit = hexDigit(c);
        if (digit < 0)
            return false;
        if (high < 0) {
            high = digit;
        } else {
            if (bytes.size() >= maximumRecordedBytes)
                return false;
            bytes.append(char(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0)
        return false;
    const quint32 key = SMCKeyData::code(std::string_view(keyText.data(), 4));
    if (m_byKey.contains(key))
        return true;
    m_byKey.insert(key, qsizetype(m_entries.size()));
    m_entries.push_back({key, SMCKeyData::code(std::string_view(typeText.data(), 4)), std::move(bytes)});
    return true;
}

QByteArray RecordedSMCTransport::codeText(quint32 code)
{
    QByteArray text(4, ' ');
    for (int i = 0; i < 4; ++i)
        text[i] = char((code >> (24 - 8 * i)) & 0xff);
    return text;
}

QByteArray RecordedSMCTransport::line(quint32 key, quint32 type, QByteArrayView bytes)
{
    return codeText(key) + ' ' + codeText(type) + ' ' + bytes.toByteArray().toHex();
}

std::optional<quint32> RecordedSMCTransport::keyAtIndex(quint32 index)
{
    if (index >= m_entries.size())
        return std::nullopt;
    return m_entries[index].key;
}

std::optional<SMCKeyData::KeyInfo> RecordedSMCTransport::keyInformation(quint32 key)
{
    const auto found = m_byKey.constFind(key);
    if (found == m_byKey.cend()) {
        if (key != SMCKeyData::code("#KEY"))
            return std::nullopt;
        return SMCKeyData::KeyInfo {4, SMCKeyData::code("ui32"), 0};
    }
    const Entry& entry = m_entries[size_t(*found)];
    return SMCKeyData::KeyInfo {quint32(entry.bytes.size()), entry.type, 0};
}

bool RecordedSMCTransport::readBytes(quint32 key, quint32 size, quint32, quint8* bytes)
{
    const auto found = m_byKey.constFind(key);
    if (found == m_byKey.cend()) {
        if (key != SMCKeyData::code("#KEY") || size < 4)
            return false;
        const auto count = quint32(m_entries.size());
        for (int i = 0; i < 4; ++i)
            bytes[i] = quint8(count >> (24 - 8 * i));
        return true;
    }
    const Entry& entry = m_entries[size_t(*found)];
    if (size > quint32(entry.bytes.size()))
        return false;
    std::memcpy(bytes, entry.bytes.constData(), size);
    return true;
}

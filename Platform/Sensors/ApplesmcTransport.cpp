#include "Platform/Sensors/ApplesmcTransport.h"

#include "Platform/Logging/PlatformLog.h"
#include "Platform/Sensors/SysfsValue.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The controller's own index has no more keys than this; a larger count is not to be believed.
constexpr qint64 maximumKeys = 19999;

// A name or type as the driver prints it ("%s\n"): up to four characters, a type may end in a
// space ("flt "), so only the newline is cut. Shorter texts are padded with spaces.
std::optional<quint32> fourCharacters(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray text = file.read(16);
    const qsizetype newline = text.indexOf('\n');
    if (newline >= 0)
        text.truncate(newline);
    if (text.isEmpty() || text.size() > 4)
        return std::nullopt;
    text = text.leftJustified(4, ' ');
    return SMCKeyData::code(std::string_view(text.constData(), 4));
}

} // namespace

ApplesmcTransport::ApplesmcTransport(const QString& sysRoot)
    : m_path(devicePath(sysRoot))
    , m_data(m_path + QStringLiteral("/key_at_index_data"), 64)
{
    m_cursor = ::open(QFile::encodeName(m_path + QStringLiteral("/key_at_index")).constData(), O_WRONLY | O_CLOEXEC);
}

ApplesmcTransport::~ApplesmcTransport()
{
    if (m_cursor >= 0)
        ::close(m_cursor);
}

QString ApplesmcTransport::devicePath(const QString& sysRoot)
{
    return sysRoot + QStringLiteral("/devices/platform/applesmc.768");
}

bool ApplesmcTransport::isPresent(const QString& sysRoot)
{
    return QFile::exists(devicePath(sysRoot) + QStringLiteral("/key_count"));
}

bool ApplesmcTransport::cursorWritable(const QString& sysRoot)
{
    const QByteArray path = QFile::encodeName(devicePath(sysRoot) + QStringLiteral("/key_at_index"));
    return ::access(path.constData(), W_OK) == 0;
}

bool ApplesmcTransport::selectIndex(quint32 index)
{
    if (m_cursor < 0)
        return false;
    const QByteArray text = QByteArray::number(index) + '\n';
    for (;;) {
        const ssize_t written = ::pwrite(m_cursor, text.constData(), size_t(text.size()), 0);
        if (written == ssize_t(text.size()))
            return true;
        if (written < 0 && errno == EINTR)
            continue;
        return false;
    }
}

void ApplesmcTransport::buildTable()
{
    if (m_built)
        return;
    m_built = true;
    const qint64 count = SysfsValue::integer(m_path + QStringLiteral("/key_count")).value_or(0);
    if (count <= 0 || count > maximumKeys) {
        qCWarning(lcPlatform, "the applesmc driver reports %lld keys; none are used", static_cast<long long>(count));
        return;
    }
    for (quint32 index = 0; index < quint32(count); ++index) {
        if (!selectIndex(index))
            break;
        const auto key = fourCharacters(m_path + QStringLiteral("/key_at_index_name"));
        const auto type = fourCharacters(m_path + QStringLiteral("/key_at_index_type"));
        const auto size = SysfsValue::integer(m_path + QStringLiteral("/key_at_index_data_length"));
        if (!key || !type || !size || *size < 0 || *size > 255)
            continue;
        if (m_positionOf.contains(*key))
            continue;
        m_positionOf.insert(*key, m_entries.size());
        m_entries.push_back({*key, *type, quint32(*size), index});
    }
}

int ApplesmcTransport::keyCount()
{
    buildTable();
    return int(m_entries.size());
}

std::optional<quint32> ApplesmcTransport::keyAtIndex(quint32 index)
{
    buildTable();
    if (index >= m_entries.size())
        return std::nullopt;
    return m_entries[index].key;
}

std::optional<SMCKeyData::KeyInfo> ApplesmcTransport::keyInformation(quint32 key)
{
    buildTable();
    if (key == SMCKeyData::code("#KEY") && !m_positionOf.contains(key))
        return SMCKeyData::KeyInfo {4, SMCKeyData::code("ui32"), 0};
    const auto found = m_positionOf.constFind(key);
    if (found == m_positionOf.cend())
        return std::nullopt;
    const Entry& entry = m_entries[*found];
    return SMCKeyData::KeyInfo {entry.size, entry.type, 0};
}

bool ApplesmcTransport::readBytes(quint32 key, quint32 size, quint32, quint8* bytes)
{
    buildTable();
    if (key == SMCKeyData::code("#KEY") && !m_positionOf.contains(key)) {
        const auto count = quint32(m_entries.size());
        for (int i = 0; i < 4 && i < int(size); ++i)
            bytes[i] = quint8(count >> (24 - 8 * i));
        return size >= 4;
    }
    const auto found = m_positionOf.constFind(key);
    if (found == m_positionOf.cend() || !selectIndex(m_entries[*found].index))
        return false;
    const auto data = m_data.read();
    if (!data || data->size() < size)
        return false;
    std::memcpy(bytes, data->data(), size);
    return true;
}

#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <string_view>

// The fixed 80-byte record exchanged with the system management controller, field for field as
// the controller's user client lays it out (native, little-endian integers). Every transport
// answers on this record, so a reader never knows which one it talks to.
struct SMCKeyData {
    struct Version {
        quint8 major = 0;
        quint8 minor = 0;
        quint8 build = 0;
        quint8 reserved = 0;
        quint16 release = 0;
    };
    struct PowerLimit {
        quint16 version = 0;
        quint16 length = 0;
        quint32 cpu = 0;
        quint32 gpu = 0;
        quint32 memory = 0;
    };
    // Packed: in the record its three padding bytes follow as fields of their own, at 37.
    struct [[gnu::packed]] KeyInfo {
        quint32 dataSize = 0;
        quint32 dataType = 0;
        quint8 attributes = 0;
    };

    // Commands placed in data8.
    static constexpr quint8 readBytesCommand = 5;
    static constexpr quint8 keyAtIndexCommand = 8;
    static constexpr quint8 keyInfoCommand = 9;
    // The most value bytes a record carries.
    static constexpr quint32 maximumDataSize = 32;

    quint32 key = 0;
    Version version;
    PowerLimit powerLimit;
    KeyInfo keyInfo;
    quint8 keyInfoPadding0 = 0;
    quint8 keyInfoPadding1 = 0;
    quint8 keyInfoPadding2 = 0;
    quint8 result = 0;
    quint8 status = 0;
    quint8 data8 = 0;
    quint32 data32 = 0;
    quint8 bytes[maximumDataSize] = {};

    // Four ASCII characters packed big-endian, the first the most significant byte ("#KEY" is
    // 0x234B4559). A shorter text gives a smaller code; a longer one is cut to four bytes.
    static constexpr quint32 code(std::string_view text)
    {
        quint32 value = 0;
        for (size_t i = 0; i < text.size() && i < 4; ++i)
            value = value * 256 + quint8(text[i]);
        return value;
    }
};

// The user client copies the record byte for byte; any drift in the layout would corrupt every
// exchange, so it is pinned here.
static_assert(sizeof(SMCKeyData) == 80);
static_assert(offsetof(SMCKeyData, key) == 0);
static_assert(offsetof(SMCKeyData, version) == 4);
static_assert(offsetof(SMCKeyData, version) + offsetof(SMCKeyData::Version, release) == 8);
static_assert(offsetof(SMCKeyData, powerLimit) == 12);
static_assert(offsetof(SMCKeyData, powerLimit) + offsetof(SMCKeyData::PowerLimit, cpu) == 16);
static_assert(offsetof(SMCKeyData, powerLimit) + offsetof(SMCKeyData::PowerLimit, memory) == 24);
static_assert(offsetof(SMCKeyData, keyInfo) == 28);
static_assert(offsetof(SMCKeyData, keyInfo) + offsetof(SMCKeyData::KeyInfo, dataType) == 32);
static_assert(offsetof(SMCKeyData, keyInfo) + offsetof(SMCKeyData::KeyInfo, attributes) == 36);
static_assert(sizeof(SMCKeyData::KeyInfo) == 9);
static_assert(offsetof(SMCKeyData, keyInfoPadding0) == 37);
static_assert(offsetof(SMCKeyData, result) == 40);
static_assert(offsetof(SMCKeyData, status) == 41);
static_assert(offsetof(SMCKeyData, data8) == 42);
static_assert(offsetof(SMCKeyData, data32) == 44);
static_assert(offsetof(SMCKeyData, bytes) == 48);
static_assert(SMCKeyData::code("#KEY") == 0x234B4559);

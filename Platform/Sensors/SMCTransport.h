#pragma once

#include "Platform/Sensors/SMCKeyData.h"

#include <optional>

// Something that answers the controller's three commands on the 80-byte record: the key at an
// index (8), a key's information (9) and a key's value bytes (5). The kernel's user client is one
// such thing; on Linux the applesmc driver, the hwmon bridge and a recorded table are the others.
//
// A transport is used by one thread at a time and has no lock of its own.
class SMCTransport {
public:
    // Status of a call: 0 is success, anything else a failure (as the kernel reports it).
    static constexpr int success = 0;
    static constexpr int failure = -1;

    virtual ~SMCTransport();

    // One exchange: reads the command from input.data8, fills output (which the caller zeroed).
    int call(const SMCKeyData& input, SMCKeyData& output);

protected:
    // The key code at `index`; none when there is none.
    virtual std::optional<quint32> keyAtIndex(quint32 index) = 0;
    // Size and type of `key`; none when the key does not exist.
    virtual std::optional<SMCKeyData::KeyInfo> keyInformation(quint32 key) = 0;
    // Fills `bytes` with `size` value bytes of `key` (size is at most 32); false on failure.
    virtual bool readBytes(quint32 key, quint32 size, quint32 type, quint8* bytes) = 0;
};

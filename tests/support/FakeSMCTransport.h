#pragma once

#include "Platform/Sensors/RecordedSMCTransport.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <cstring>
#include <memory>
#include <string_view>

// A recorded table that counts the commands it answers and remembers which keys were read, so
// tests can tell what a reader asked for.
class FakeSMCTransport : public RecordedSMCTransport {
public:
    using RecordedSMCTransport::RecordedSMCTransport;

    std::atomic<int> indexCalls {0};
    std::atomic<int> infoCalls {0};
    std::atomic<int> readCalls {0};
    // Written by the reading thread, looked at by the test once the job is drained.
    QList<QByteArray> readKeys;

    // A machine whose only sensor is one fan at 1800 rpm: enough for the sensors meter to have
    // something to show.
    static std::unique_ptr<SMCTransport> oneFan()
    {
        const float rpm = 1800;
        QByteArray bytes(4, 0);
        std::memcpy(bytes.data(), &rpm, 4);
        return std::make_unique<FakeSMCTransport>("F0Ac flt  " + bytes.toHex() + "\n");
    }

    bool wasRead(std::string_view name) const
    {
        return readKeys.contains(QByteArray(name.data(), qsizetype(name.size())));
    }

protected:
    std::optional<quint32> keyAtIndex(quint32 index) override
    {
        ++indexCalls;
        return RecordedSMCTransport::keyAtIndex(index);
    }
    std::optional<SMCKeyData::KeyInfo> keyInformation(quint32 key) override
    {
        ++infoCalls;
        return RecordedSMCTransport::keyInformation(key);
    }
    bool readBytes(quint32 key, quint32 size, quint32 type, quint8* bytes) override
    {
        ++readCalls;
        readKeys.append(codeText(key));
        return RecordedSMCTransport::readBytes(key, size, type, bytes);
    }
};

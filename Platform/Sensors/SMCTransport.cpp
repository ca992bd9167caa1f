#include "Platform/Sensors/SMCTransport.h"

SMCTransport::~SMCTransport() = default;

int SMCTransport::call(const SMCKeyData& input, SMCKeyData& output)
{
    switch (input.data8) {
    case SMCKeyData::keyAtIndexCommand:
        if (const auto key = keyAtIndex(input.data32)) {
            output.key = *key;
            return success;
        }
        return failure;
    case SMCKeyData::keyInfoCommand:
        if (const auto info = keyInformation(input.key)) {
            output.key = input.key;
            output.keyInfo = *info;
            return success;
        }
        return failure;
    case SMCKeyData::readBytesCommand:
        // The record has room for 32 bytes; a larger request could only overrun it.
        if (input.keyInfo.dataSize == 0 || input.keyInfo.dataSize > SMCKeyData::maximumDataSize)
            return failure;
        output.key = input.key;
        output.keyInfo = input.keyInfo;
        return readBytes(input.key, input.keyInfo.dataSize, input.keyInfo.dataType, output.bytes) ? success : failure;
    default:
        return failure;
    }
}

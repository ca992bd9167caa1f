// The settings file: hand-edited, written by other versions, or replaced by anything at all.
#include "Platform/Settings/PreferencesCodec.h"
#include "Platform/Settings/PreferencesFile.h"

#include <QJsonObject>

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString why;
    const auto object = PreferencesFile::parse(bytes, &why);
    if (!object)
        return 0;
    for (auto it = object->constBegin(); it != object->constEnd(); ++it) {
        const QVariant plain = PreferencesCodec::decodePlain(it.value());
        // What reads as a plain value must store back as the same value; only a number too large
        // for a double (read as infinity) may be refused.
        if (plain.isValid()) {
            const auto encoded = PreferencesCodec::encode(plain);
            if (encoded ? PreferencesCodec::decodePlain(*encoded) != plain
                        : (plain.typeId() != QMetaType::Double || std::isfinite(plain.toDouble())))
                __builtin_trap();
        }
        (void)PreferencesCodec::decode(it.value());
    }
    return 0;
}

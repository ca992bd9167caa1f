#pragma once

#include <QString>
#include <QtGlobal>

// Byte counts as people read them, in the interface language with the user's region.
namespace ByteText {
enum class CountStyle {
    file, // multiples of 1000
    memory, // multiples of 1024
};
QString file(qint64 bytes);
QString memory(quint64 bytes);
// The file-style count followed by "/s".
QString rate(quint64 bytesPerSecond);
// Counts above the largest signed 64-bit value are clamped to it first.
QString style(quint64 bytes, CountStyle style);
// Any locale, for tests and previews.
QString format(qint64 bytes, CountStyle style, const QString& locale);
} // namespace ByteText

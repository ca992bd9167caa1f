#pragma once

#include <QJsonValue>
#include <QVariant>

#include <optional>

// How values travel between QVariant and the JSON of a settings file. Booleans, integers, texts
// and lists of texts are plain JSON; doubles are {"double": x} because JSON cannot tell 3.0 from 3.
namespace PreferencesCodec {

// The JSON for a storable value; none for any other type or a double that is not finite.
std::optional<QJsonValue> encode(const QVariant& value);

// The typed value of a plain value (bool, integer, double, text, list of texts); an invalid
// QVariant for anything else. Foreign shapes are recognised without converting them, so an odd
// value of any size costs no more than a look at its type and, for arrays, its items.
QVariant decodePlain(const QJsonValue& value);

// Any value, foreign shapes converted as they are.
QVariant decode(const QJsonValue& value);

} // namespace PreferencesCodec

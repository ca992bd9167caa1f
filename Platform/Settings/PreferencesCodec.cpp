#include "Platform/Settings/PreferencesCodec.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <cmath>
#include <limits>

namespace PreferencesCodec {
namespace {

const QString kDoubleTag = QStringLiteral("double");

} // namespace

std::optional<QJsonValue> encode(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return QJsonValue(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QJsonValue(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return QJsonValue(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return std::nullopt;
        return QJsonValue(QJsonObject {{kDoubleTag, d}});
    }
    case QMetaType::QString:
        return QJsonValue(value.toString());
    case QMetaType::QStringList:
        return QJsonValue(QJsonArray::fromStringList(value.toStringList()));
    default:
        return std::nullopt;
    }
}

QVariant decodePlain(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double: {
        const QVariant v = value.toVariant();
        if (v.typeId() == QMetaType::LongLong)
            return v;
        return value.toDouble();
    }
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        for (const QJsonValue& item : array) {
            if (!item.isString())
                return {};
        }
        QStringList strings;
        strings.reserve(array.size());
        for (const QJsonValue& item : array)
            strings.append(item.toString());
        return strings;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.size() == 1) {
            const QJsonValue tagged = object.value(kDoubleTag);
            if (tagged.isDouble())
                return tagged.toDouble();
        }
        return {};
    }
    default:
        return {};
    }
}

QVariant decode(const QJsonValue& value)
{
    QVariant plain = decodePlain(value);
    if (plain.isValid() || value.isNull() || value.isUndefined())
        return plain;
    return value.toVariant();
}

} // namespace PreferencesCodec

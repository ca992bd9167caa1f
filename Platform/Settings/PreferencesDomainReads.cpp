// The typed reads of a preferences domain: all served from memory, none converting a value of a
// foreign shape.
#include "Platform/Settings/PreferencesDomain.h"

#include "Platform/Settings/PreferencesCodec.h"

#include <cmath>

const QVariant* PreferencesDomain::lookup(const QString& key, bool* foreign) const
{
    refreshIfChanged();
    const auto stored = m_plain.constFind(key);
    if (stored != m_plain.constEnd()) {
        if (stored->isValid())
            return &*stored;
        if (foreign)
            *foreign = true;
        return nullptr;
    }
    const auto registered = m_registered.constFind(key);
    return registered == m_registered.constEnd() ? nullptr : &*registered;
}

QVariant PreferencesDomain::persistentObjectForKey(const QString& key) const
{
    refreshIfChanged();
    const auto stored = m_plain.constFind(key);
    if (stored == m_plain.constEnd())
        return {};
    // A foreign value is converted only when someone asks for it whole.
    return stored->isValid() ? *stored : PreferencesCodec::decode(m_values.value(key));
}

QVariant PreferencesDomain::objectForKey(const QString& key) const
{
    bool foreign = false;
    if (const QVariant* value = lookup(key, &foreign))
        return *value;
    return foreign ? persistentObjectForKey(key) : QVariant();
}

namespace {

const QString& text(const QVariant& v)
{
    return *static_cast<const QString*>(v.constData());
}

std::optional<bool> asBool(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v.toLongLong() != 0;
    case QMetaType::Double:
        return v.toDouble() != 0.0;
    case QMetaType::QString: {
        // Only the texts that plainly mean yes or no; "on" or "maybe" is no boolean at all.
        const QStringView s = QStringView(text(v)).trimmed();
        for (const char16_t* yes : {u"true", u"yes", u"1"})
            if (s.compare(yes, Qt::CaseInsensitive) == 0)
                return true;
        for (const char16_t* no : {u"false", u"no", u"0"})
            if (s.compare(no, Qt::CaseInsensitive) == 0)
                return false;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> asDouble(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v.toDouble();
    case QMetaType::Double: {
        const double d = v.toDouble();
        return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
    }
    case QMetaType::QString: {
        bool ok = false;
        const double d = QStringView(text(v)).trimmed().toDouble(&ok);
        return ok && std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<qint64> asInteger(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v.toLongLong();
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
            return std::nullopt;
        return qint64(d);
    }
    case QMetaType::QString: {
        bool ok = false;
        const qint64 n = QStringView(text(v)).trimmed().toLongLong(&ok);
        return ok ? std::optional<qint64>(n) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> asString(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString)
        return text(v);
    return std::nullopt;
}

std::optional<QStringList> asStringList(const QVariant& v)
{
    if (v.typeId() == QMetaType::QStringList)
        return *static_cast<const QStringList*>(v.constData());
    return std::nullopt;
}

} // namespace

template <typename T, typename Convert>
std::optional<T> PreferencesDomain::typedRead(const QString& key, Convert convert) const
{
    refreshIfChanged();
    // A stored value of the asked type wins; anything else (another type, a foreign shape) reads as
    // the registered default, so a hand-edited "on" never silently means off.
    const auto stored = m_plain.constFind(key);
    if (stored != m_plain.constEnd() && stored->isValid()) {
        if (auto value = convert(*stored))
            return value;
    }
    const auto registered = m_registered.constFind(key);
    if (registered != m_registered.constEnd())
        return convert(*registered);
    return std::nullopt;
}

bool PreferencesDomain::boolForKey(const QString& key) const
{
    return typedRead<bool>(key, asBool).value_or(false);
}

double PreferencesDomain::doubleForKey(const QString& key) const
{
    return typedRead<double>(key, asDouble).value_or(0.0);
}

qint64 PreferencesDomain::integerForKey(const QString& key) const
{
    return typedRead<qint64>(key, asInteger).value_or(0);
}

std::optional<QString> PreferencesDomain::stringForKey(const QString& key) const
{
    return typedRead<QString>(key, asString);
}

QStringList PreferencesDomain::stringArrayForKey(const QString& key) const
{
    return typedRead<QStringList>(key, asStringList).value_or(QStringList());
}

QStringList PreferencesDomain::persistentKeys() const
{
    refreshIfChanged();
    return m_values.keys();
}

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

bool PreferencesDomain::boolForKey(const QString& key) const
{
    const QVariant* v = lookup(key);
    if (!v)
        return false;
    switch (v->typeId()) {
    case QMetaType::Bool:
        return v->toBool();
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v->toLongLong() != 0;
    case QMetaType::Double:
        return v->toDouble() != 0.0;
    case QMetaType::QString: {
        const QStringView s = QStringView(*static_cast<const QString*>(v->constData())).trimmed();
        return s.compare(u"true", Qt::CaseInsensitive) == 0 || s.compare(u"yes", Qt::CaseInsensitive) == 0 || s == u"1";
    }
    default:
        return false;
    }
}

double PreferencesDomain::doubleForKey(const QString& key) const
{
    const QVariant* v = lookup(key);
    if (!v)
        return 0.0;
    switch (v->typeId()) {
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        return v->toDouble();
    case QMetaType::QString: {
        bool ok = false;
        const double d = QStringView(*static_cast<const QString*>(v->constData())).trimmed().toDouble(&ok);
        return ok ? d : 0.0;
    }
    default:
        return 0.0;
    }
}

qint64 PreferencesDomain::integerForKey(const QString& key) const
{
    const QVariant* v = lookup(key);
    if (!v)
        return 0;
    switch (v->typeId()) {
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v->toLongLong();
    case QMetaType::Double: {
        const double d = v->toDouble();
        if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
            return 0;
        return qint64(d);
    }
    case QMetaType::QString: {
        bool ok = false;
        const qint64 n = QStringView(*static_cast<const QString*>(v->constData())).trimmed().toLongLong(&ok);
        return ok ? n : 0;
    }
    default:
        return 0;
    }
}

std::optional<QString> PreferencesDomain::stringForKey(const QString& key) const
{
    const QVariant* v = lookup(key);
    if (v && v->typeId() == QMetaType::QString)
        return *static_cast<const QString*>(v->constData());
    return std::nullopt;
}

QStringList PreferencesDomain::stringArrayForKey(const QString& key) const
{
    const QVariant* v = lookup(key);
    if (v && v->typeId() == QMetaType::QStringList)
        return *static_cast<const QStringList*>(v->constData());
    return {};
}

QStringList PreferencesDomain::persistentKeys() const
{
    refreshIfChanged();
    return m_values.keys();
}

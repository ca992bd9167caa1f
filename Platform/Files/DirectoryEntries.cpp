#include "Platform/Files/DirectoryEntries.h"

namespace DirectoryEntries {

bool matches(QStringView name, QStringView prefix, QStringView suffix)
{
    return name.size() > prefix.size() + suffix.size() && name.startsWith(prefix) && name.endsWith(suffix);
}

QStringList matching(
    const QDir& folder, QStringView prefix, QStringView suffix, QDir::Filters filters, QDir::SortFlags sort)
{
    QStringList names = folder.entryList(filters, sort);
    names.removeIf([&](const QString& name) { return !matches(name, prefix, suffix); });
    return names;
}

} // namespace DirectoryEntries

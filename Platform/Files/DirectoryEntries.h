#pragma once

#include <QDir>
#include <QStringList>
#include <QStringView>

// Names in a folder chosen by how they begin and end ("cpu*", "*.lproj"). QDir's own name filters
// do this through a regular-expression engine that is loaded, compiled (to machine code) and kept
// resident by every process that asks once; the agent asks only such questions.
namespace DirectoryEntries {

// The entries of `folder` of the kinds `filters` admits whose names start with `prefix` and end with
// `suffix`, case and all, in the order `sort` asks for. A name must be longer than prefix and
// suffix together: "cpu" is not a "cpu*".
QStringList matching(const QDir& folder, QStringView prefix, QStringView suffix, QDir::Filters filters,
    QDir::SortFlags sort = QDir::NoSort);

bool matches(QStringView name, QStringView prefix, QStringView suffix);

} // namespace DirectoryEntries

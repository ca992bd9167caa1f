#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// A table of localized texts in strings-file syntax, UTF-8:
//
//     /* comment */  // comment
//     "key" = "value";
//
// Texts are double-quoted on one line; the escapes are \" \\ \n \t \r \' and \uXXXX / \UXXXX
// (four hex digits, surrogate pairs allowed). An entry that breaks these rules is skipped up to
// the end of the line on which the fault was found, and a problem is recorded; everything around
// it still loads. A repeated key keeps its last value.
class StringsTable {
public:
    StringsTable() = default;

    // Parses `bytes`; `source` names the text in the problems (usually its file path).
    static StringsTable parse(const QByteArray& bytes, const QString& source = {});
    // Reads and parses a file; none when it cannot be read. Problems go to the platform log.
    static std::optional<StringsTable> load(const QString& path);

    bool contains(const QString& key) const { return m_entries.contains(key); }
    // The value for `key`, or `fallback` when the table has none.
    QString value(const QString& key, const QString& fallback) const { return m_entries.value(key, fallback); }
    QStringList keys() const { return m_entries.keys(); }
    qsizetype size() const { return m_entries.size(); }
    const QHash<QString, QString>& entries() const { return m_entries; }

    // One line per skipped entry or other fault: "<source>:<line>: <what>".
    const QStringList& problems() const { return m_problems; }

private:
    QHash<QString, QString> m_entries;
    QStringList m_problems;
};

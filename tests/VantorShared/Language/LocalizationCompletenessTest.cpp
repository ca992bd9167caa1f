#include "Platform/Bundles/StringsTable.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

// Every text that the code looks up must be in every shipped translation. The lookups are found
// by scanning the program sources for the one form they are written in.
namespace {

const QString kSource = QStringLiteral(VANTOR_SOURCE_DIR);

// Texts that reach the lookup as data rather than as a literal: the processor tier names.
const QStringList kIndirectKeys {QStringLiteral("Performance"), QStringLiteral("Efficiency")};

QString unescaped(const QString& literal)
{
    QString text;
    for (qsizetype i = 0; i < literal.size(); ++i) {
        QChar c = literal.at(i);
        if (c == QLatin1Char('\\') && i + 1 < literal.size()) {
            c = literal.at(++i);
            if (c == QLatin1Char('n'))
                c = QLatin1Char('\n');
            else if (c == QLatin1Char('t'))
                c = QLatin1Char('\t');
        }
        text.append(c);
    }
    return text;
}

// key → the first place it is looked up.
QMap<QString, QString> lookedUpKeys()
{
    static const QRegularExpression lookup(
        QStringLiteral(R"re(AppLanguage::string\(\s*QStringLiteral\(\s*"((?:[^"\\]|\\.)*)"\s*\)\s*\))re"));
    QMap<QString, QString> keys;
    for (const char* folder : {"Platform", "VantorShared", "VantorAgent", "Vantor"}) {
        QDirIterator it(kSource + QLatin1Char('/') + QLatin1String(folder),
            {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            for (auto match = lookup.globalMatch(text); match.hasNext();) {
                const QString key = unescaped(match.next().captured(1));
                if (!keys.contains(key))
                    keys.insert(key, QDir(kSource).relativeFilePath(path));
            }
        }
    }
    for (const QString& key : kIndirectKeys)
        keys.insert(key, QStringLiteral("(tier names)"));
    return keys;
}

// code → table, for every shipped translation (English needs none: its keys are its texts).
QMap<QString, StringsTable> translations()
{
    QMap<QString, StringsTable> tables;
    const QDir resources(kSource + QStringLiteral("/Resources"));
    for (const QString& folder : resources.entryList({QStringLiteral("*.lproj")}, QDir::Dirs)) {
        const QString code = folder.chopped(6);
        if (code == QLatin1String("en") || code == QLatin1String("Base"))
            continue;
        const QString path = resources.filePath(folder + QStringLiteral("/Localizable.strings"));
        QFile file(path);
        tables.insert(code,
            file.open(QIODevice::ReadOnly) ? StringsTable::parse(file.readAll(), QDir(kSource).relativeFilePath(path))
                                           : StringsTable());
    }
    return tables;
}

// The printf-style placeholders of a text, in order.
QStringList placeholders(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("%(?:\\d+\\$)?(?:@|l{0,2}[dius]|f|%)"));
    QStringList found;
    for (auto match = pattern.globalMatch(text); match.hasNext();)
        found.append(match.next().captured());
    return found;
}

} // namespace

TEST(LocalizationCompleteness, EveryLookedUpTextIsTranslated)
{
    const QMap<QString, QString> keys = lookedUpKeys();
    ASSERT_GT(keys.size(), 20) << "the source scan found almost nothing; has the lookup form changed?";
    const QMap<QString, StringsTable> tables = translations();
    ASSERT_GE(tables.size(), 3);

    for (auto table = tables.begin(); table != tables.end(); ++table) {
        QStringList missing;
        for (auto key = keys.begin(); key != keys.end(); ++key)
            if (!table->contains(key.key()))
                missing.append(QStringLiteral("  \"%1\"  (%2)").arg(key.key(), key.value()));
        EXPECT_TRUE(missing.isEmpty()) << table.key().toStdString() << " lacks " << missing.size() << " text(s):\n"
                                       << missing.join(QLatin1Char('\n')).toStdString();
    }
}

TEST(LocalizationCompleteness, TablesAreWellFormedAndKeepPlaceholders)
{
    const QMap<QString, StringsTable> tables = translations();
    for (auto table = tables.begin(); table != tables.end(); ++table) {
        EXPECT_TRUE(table->problems().isEmpty()) << table->problems().join(QLatin1Char('\n')).toStdString();
        for (auto entry = table->entries().begin(); entry != table->entries().end(); ++entry) {
            EXPECT_FALSE(entry.value().trimmed().isEmpty())
                << table.key().toStdString() << ": \"" << entry.key().toStdString() << "\" is blank";
            EXPECT_EQ(placeholders(entry.value()), placeholders(entry.key()))
                << table.key().toStdString() << ": \"" << entry.key().toStdString() << "\"";
        }
    }
}

#include "Platform/Bundles/StringsTable.h"
#include "Platform/Bundles/Bundle.h"
#include "tests/support/FixtureBundle.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(StringsTable, ReadsEntriesCommentsAndEscapes)
{
    const QByteArray text = "\xEF\xBB\xBF/* header\n   spans lines */\n"
                            "\"Memory\" = \"Speicher\"; // trailing comment\r\n"
                            "\"Say \\\"hi\\\"\" = \"Sag \\\"hallo\\\"\";\n"
                            "\"Tab\\tNewline\\nBackslash\\\\\" = \"\\u00e9\\U00E8 \\uD83D\\uDE00\";\n"
                            "  \"Split\"\n  =\n  /* between */ \"across lines\"\n  ;\n"
                            "\"Itself\";\n"
                            "\"Empty\" = \"\";";
    const StringsTable table = StringsTable::parse(text, QStringLiteral("t"));
    EXPECT_TRUE(table.problems().isEmpty()) << table.problems().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(table.size(), 6);
    EXPECT_EQ(table.value(QStringLiteral("Memory"), {}), QStringLiteral("Speicher"));
    EXPECT_EQ(table.value(QStringLiteral("Say \"hi\""), {}), QStringLiteral("Sag \"hallo\""));
    EXPECT_EQ(table.value(QStringLiteral("Tab\tNewline\nBackslash\\"), {}),
        QStringLiteral("\u00e9\u00e8 ") + QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(table.value(QStringLiteral("Split"), {}), QStringLiteral("across lines"));
    EXPECT_EQ(table.value(QStringLiteral("Itself"), {}), QStringLiteral("Itself"));
    EXPECT_TRUE(table.contains(QStringLiteral("Empty")));
    EXPECT_EQ(table.value(QStringLiteral("Empty"), QStringLiteral("fallback")), QString());
    EXPECT_EQ(table.value(QStringLiteral("Absent"), QStringLiteral("fallback")), QStringLiteral("fallback"));
}

TEST(StringsTable, SkipsMalformedLinesAndKeepsTheRest)
{
    const QByteArray text = "\"a\" = \"1\";\n"
                            "\"no semicolon\" = \"x\"\n"
                            "\"b\" = \"2\";\n"
                            "\"bad escape\" = \"\\q\";\n"
                            "\"unclosed = \"y\";\n"
                            "\"c\" = \"3\";\n"
                            "\"no equals\" \"z\";\n"
                            "garbage here\n"
                            "\"short hex\" = \"\\u12\";\n"
                            "\"lone surrogate\" = \"\\uD800\";\n"
                            "\"hex prefix\" = \"\\u0x41\";\n"
                            "\"d\" = \"4\"; \"e\" = \"5\";\n"
                            "\"f\" = ;\n"
                            "\"g\" = \"6\";";
    const StringsTable table = StringsTable::parse(text, QStringLiteral("fr.strings"));
    EXPECT_EQ(table.size(), 6);
    for (const char* key : {"a", "b", "c", "d", "e", "g"})
        EXPECT_TRUE(table.contains(QLatin1String(key))) << key;
    // One problem per broken line, each naming its source and line.
    const QStringList problems = table.problems();
    ASSERT_EQ(problems.size(), 9) << problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(problems.at(0).startsWith(QStringLiteral("fr.strings:2: ")));
    EXPECT_TRUE(problems.at(1).startsWith(QStringLiteral("fr.strings:4: ")));
    EXPECT_TRUE(problems.at(8).startsWith(QStringLiteral("fr.strings:13: ")));
}

TEST(StringsTable, UnclosedCommentRepeatedKeysAndBadBytes)
{
    const StringsTable unclosed = StringsTable::parse("\"a\" = \"1\";\n/* never closed\n\"b\" = \"2\";");
    EXPECT_EQ(unclosed.keys(), QStringList {QStringLiteral("a")});
    EXPECT_EQ(unclosed.problems().size(), 1);

    const StringsTable repeated = StringsTable::parse("\"k\" = \"first\";\n\"k\" = \"second\";");
    EXPECT_EQ(repeated.value(QStringLiteral("k"), {}), QStringLiteral("second"));
    EXPECT_EQ(repeated.problems().size(), 1);

    const StringsTable bytes = StringsTable::parse("\"ok\" = \"fine\";\n\"bad\" = \"\xFF\xFE\";");
    EXPECT_EQ(bytes.value(QStringLiteral("ok"), {}), QStringLiteral("fine"));
    EXPECT_FALSE(bytes.problems().isEmpty());

    const StringsTable empty = StringsTable::parse(QByteArray());
    EXPECT_EQ(empty.size(), 0);
    EXPECT_TRUE(empty.problems().isEmpty());

    // Escapes that end the input, or a quote at the very end, do not read past it.
    for (const QByteArray& cut : {QByteArray("\"a\" = \"\\"), QByteArray("\"a\" = \"\\u00"), QByteArray("\""),
             QByteArray("\"a\" ="), QByteArray("/"), QByteArray("\"a\" = \"b\"")})
        EXPECT_EQ(StringsTable::parse(cut).size(), 0) << cut.constData();
}

TEST(StringsTable, BundleLooksUpTablesByLocalization)
{
    QTemporaryDir dir;
    const QString path = FixtureBundle::write(dir.path() + QStringLiteral("/X.app"), {});
    FixtureBundle::addLocalization(path, QStringLiteral("de"),
        "\"Fan\" = \"L\xC3\xBC"
        "fter\";");
    FixtureBundle::addLocalization(path, QStringLiteral("fr")); // folder without a table
    const auto bundle = Bundle::open(path);
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->localizedString(QStringLiteral("Fan"), QStringLiteral("de")), QStringLiteral("Lüfter"));
    EXPECT_EQ(bundle->localizedString(QStringLiteral("Free"), QStringLiteral("de")), QStringLiteral("Free"));
    EXPECT_EQ(bundle->localizedString(QStringLiteral("Fan"), QStringLiteral("fr")), QStringLiteral("Fan"));
    EXPECT_EQ(bundle->localizedString(QStringLiteral("Fan"), QStringLiteral("it")), QStringLiteral("Fan"));
    EXPECT_EQ(bundle->localizedString(QStringLiteral("Fan"), QStringLiteral("../X.app/Contents/Resources/de")),
        QStringLiteral("Fan"));
    EXPECT_EQ(bundle->localizations(), (QStringList {QStringLiteral("de"), QStringLiteral("fr")}));
}

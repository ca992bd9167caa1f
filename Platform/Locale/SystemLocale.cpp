#include "Platform/Locale/SystemLocale.h"

#include <QLocale>

#include <atomic>

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace SystemLocale {
namespace {

const QStringList kVariables {QStringLiteral("LANGUAGE"), QStringLiteral("LC_ALL"), QStringLiteral("LC_MESSAGES"),
    QStringLiteral("LC_MEASUREMENT"), QStringLiteral("LANG")};

bool isAsciiLetters(QStringView text)
{
    for (const QChar c : text)
        if (!((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))))
            return false;
    return true;
}

bool isAsciiDigits(QStringView text)
{
    for (const QChar c : text)
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return false;
    return true;
}

// The first variable of `names` that is set and not empty.
QString firstSet(const Environment& environment, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const QString value = environment.value(QLatin1String(name));
        if (!value.isEmpty())
            return value;
    }
    return {};
}

QString normalised(const QString& tag)
{
    QString result = tag.toLower();
    result.replace(QLatin1Char('_'), QLatin1Char('-'));
    return result;
}

QString fromUnicode(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

} // namespace

namespace {

Environment readEnvironment()
{
    Environment environment;
    for (const QString& name : kVariables) {
        const QByteArray variable = name.toLatin1();
        if (qEnvironmentVariableIsSet(variable.constData()))
            environment.insert(name, qEnvironmentVariable(variable.constData()));
    }
    return environment;
}

std::optional<Environment>& testEnvironment()
{
    static std::optional<Environment> environment;
    return environment;
}

std::atomic<quint64> g_environmentGeneration {1};

// What `derive` makes of the current environment, kept per thread until the environment changes.
template <typename Value, typename Derive> const Value& perEnvironment(Derive derive)
{
    thread_local quint64 generation = 0;
    thread_local Value value;
    const quint64 current = environmentGeneration();
    if (generation != current) {
        value = derive(currentEnvironment());
        generation = current;
    }
    return value;
}

} // namespace

Environment currentEnvironment()
{
    if (testEnvironment())
        return *testEnvironment();
    static const Environment environment = readEnvironment();
    return environment;
}

void setEnvironmentForTesting(const std::optional<Environment>& environment)
{
    testEnvironment() = environment;
    g_environmentGeneration.fetch_add(1);
}

quint64 environmentGeneration()
{
    return g_environmentGeneration.load();
}

QString languageTag(const QString& posixName)
{
    QString name = posixName.trimmed();
    QString modifier;
    if (const qsizetype at = name.indexOf(QLatin1Char('@')); at >= 0) {
        modifier = name.mid(at + 1).toLower();
        name.truncate(at);
    }
    if (const qsizetype dot = name.indexOf(QLatin1Char('.')); dot >= 0)
        name.truncate(dot);
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    const QStringList parts = name.split(QLatin1Char('_'));
    const QString language = parts.first().toLower();
    // "C" and "POSIX" are one letter or five: neither passes as a language.
    if (language.size() < 2 || language.size() > 3 || !isAsciiLetters(language))
        return {};
    QString tag = language;
    if (modifier == QLatin1String("latin"))
        tag += QStringLiteral("-Latn");
    else if (modifier == QLatin1String("cyrillic"))
        tag += QStringLiteral("-Cyrl");
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (part.size() == 4 && isAsciiLetters(part))
            tag += QLatin1Char('-') + part.left(1).toUpper() + part.mid(1).toLower(); // script
        else if ((part.size() == 2 && isAsciiLetters(part)) || (part.size() == 3 && isAsciiDigits(part)))
            tag += QLatin1Char('-') + part.toUpper(); // region
        else
            return {};
    }
    return tag;
}

QStringList preferredLanguages(const Environment& environment)
{
    const QString messages = languageTag(firstSet(environment, {"LC_ALL", "LC_MESSAGES", "LANG"}));
    QStringList result;
    auto add = [&result](const QString& tag) {
        if (!tag.isEmpty() && !result.contains(tag))
            result.append(tag);
    };
    if (!messages.isEmpty())
        for (const QString& entry : environment.value(QStringLiteral("LANGUAGE")).split(QLatin1Char(':')))
            add(languageTag(entry));
    add(messages);
    return result;
}

QStringList preferredLanguages()
{
    return perEnvironment<QStringList>([](const Environment& environment) { return preferredLanguages(environment); });
}

QString regionCode(const Environment& environment)
{
    const QString tag = languageTag(firstSet(environment, {"LC_ALL", "LC_MEASUREMENT", "LANG"}));
    const QStringList parts = tag.split(QLatin1Char('-'));
    for (qsizetype i = 1; i < parts.size(); ++i)
        if (parts.at(i).size() != 4)
            return parts.at(i);
    return {};
}

QString regionCode()
{
    return perEnvironment<QString>([](const Environment& environment) { return regionCode(environment); });
}

QString languageOf(const QString& tag)
{
    for (qsizetype i = 0; i < tag.size(); ++i)
        if (tag.at(i) == QLatin1Char('-') || tag.at(i) == QLatin1Char('_'))
            return tag.left(i);
    return tag;
}

QStringList preferredLocalizations(const QStringList& available, const QStringList& preferences)
{
    for (const QString& preference : preferences) {
        const QString wanted = normalised(preference);
        for (const QString& candidate : available)
            if (normalised(candidate) == wanted)
                return {candidate};
        const QString language = normalised(languageOf(preference));
        for (const QString& candidate : available)
            if (normalised(candidate) == language)
                return {candidate};
    }
    return {};
}

QString nativeLanguageName(const QString& code)
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray tag = code.toLatin1();
    icu::Locale locale = icu::Locale::forLanguageTag(tag.constData(), status);
    if (U_FAILURE(status) || locale.isBogus() || code.isEmpty())
        return code;
    icu::UnicodeString name;
    locale.getDisplayName(locale, name);
    // Without data ICU echoes the identifier back.
    if (name.isEmpty() || normalised(fromUnicode(name)) == normalised(code)
        || normalised(fromUnicode(name)) == normalised(QString::fromLatin1(locale.getName())))
        return code;
    name.toTitle(nullptr, locale);
    return fromUnicode(name);
}

void adoptFormattingLanguage(const QString& code)
{
    const QString language = languageOf(code);
    const QString region = regionCode();
    const QString name = region.isEmpty() ? language : language + QLatin1Char('_') + region;
    QLocale::setDefault(QLocale(name));
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale(name.toLatin1().constData()), status);
}

} // namespace SystemLocale

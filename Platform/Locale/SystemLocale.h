#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// The user's language and region as the session's locale environment states them, and the
// locale data (ICU) that names languages.
namespace SystemLocale {

using Environment = QMap<QString, QString>;

// The locale variables of this process's environment (LANGUAGE, LC_ALL, LC_MESSAGES,
// LC_MEASUREMENT, LANG), read once: a process's locale does not change while it runs.
Environment currentEnvironment();
// For tests: answer currentEnvironment() with `environment` (none: the real one again).
void setEnvironmentForTesting(const std::optional<Environment>& environment);
// Changes whenever the environment the answers below are worked out from changes (only tests
// change it), so that callers may keep what they derived from it until then.
quint64 environmentGeneration();

// A POSIX locale name ("de_AT.UTF-8@euro") as a language tag ("de-AT"); empty for the C and
// POSIX locales and for names that are not a locale at all.
QString languageTag(const QString& posixName);

// The preferred languages, most preferred first, as language tags: the entries of LANGUAGE, then
// the messages locale (LC_ALL, else LC_MESSAGES, else LANG). As gettext does, LANGUAGE is ignored
// when the messages locale is C or POSIX. No repeats.
QStringList preferredLanguages(const Environment& environment);
// Of currentEnvironment(), worked out once per environment (text is formatted many times a
// second while a panel is open).
QStringList preferredLanguages();

// The region of the formatting locale (LC_ALL, else LC_MEASUREMENT, else LANG), upper case
// ("AT"), or empty when it names none.
QString regionCode(const Environment& environment);
// Of currentEnvironment(), worked out once per environment.
QString regionCode();

// The language part of a tag: "de" for "de-AT" or "de_AT", "zh" for "zh-Hans".
QString languageOf(const QString& tag);

// The entries of `available` chosen for `preferences`: for each preference in order, an exact
// match (ignoring case and "_" versus "-"), else an entry equal to its language alone ("de-AT"
// gives "de"). The first preference that finds one decides; empty when none does.
QStringList preferredLocalizations(const QStringList& available, const QStringList& preferences);

// The language's own name for itself, capitalised by its own rules ("Deutsch", "Français",
// "日本語"); `code` itself when the locale data has no name for it.
QString nativeLanguageName(const QString& code);

// Makes Qt's and ICU's default locale the given language with the system's region, so that
// formatting that does not name a locale follows the interface language.
void adoptFormattingLanguage(const QString& code);

} // namespace SystemLocale

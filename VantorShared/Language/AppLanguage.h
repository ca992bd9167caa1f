#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The interface language: the user's choice resolved against the shipped localizations, and the
// lookup of every text built in code. Keys are the English texts.
namespace AppLanguage {

// VANTOR_LANGUAGE when set (whatever its value), else the store's "language", else "system".
QString choice();
// The development localization (or "en"), then the bundle's localizations, without "Base" and
// without repeats.
QStringList shipped();
// The user's preferred languages from the locale environment (LANGUAGE, then LC_ALL,
// LC_MESSAGES, LANG), most preferred first.
QStringList systemLanguages();
// The resolved language code.
QString code();
// The text for `key` in the resolved language; `key` itself when there is none.
QString string(const QString& key);
// (code, the language's own name for itself), sorted by name.
QList<QPair<QString, QString>> available();
// Writes "AppleLanguages" of the process's own domain: the chosen code followed by the system
// languages, or nothing (removed) when the choice is "system" or not shipped.
void applyChoiceToProcessDefaults();
// The code this process started with; empty until adoptChoiceAtLaunch().
QString launchedCode();
bool processIsStale();
// Start-up contract of both programs, before any interface exists: records code() as the
// launched code, applies the choice to the process's own defaults and makes default-locale
// formatting follow the language.
void adoptChoiceAtLaunch();

// For tests: forget the launched code.
void resetLaunchedCodeForTesting();

} // namespace AppLanguage

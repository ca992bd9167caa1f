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
// The user's preferred languages from the locale environment, most preferred first.
QStringList systemLanguages();
// The resolved language code.
QString code();
// The text for `key` in the resolved language; `key` itself when there is none.
QString string(const QString& key);
// (code, the language's own name for itself), sorted by name.
QList<QPair<QString, QString>> available();
void applyChoiceToProcessDefaults();
// The code this process started with; empty until adoptChoiceAtLaunch().
QString launchedCode();
bool processIsStale();
// Start-up contract of both programs, before any interface exists.
void adoptChoiceAtLaunch();

} // namespace AppLanguage

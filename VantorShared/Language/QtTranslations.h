#pragma once

#include <QString>

// Qt's own texts (the standard buttons, the colour dialog, context menus of text fields) in the
// interface language, from the translations Qt installs beside itself. Our own texts come from
// the bundle's tables; these cover what Qt draws for us.
namespace QtTranslations {

// Qt's translation folder (on Debian filled by qt6-translations-l10n).
QString systemDirectory();
// Installs Qt's translation for `code` from `directory` into the running application, replacing
// one installed before. English, or a language Qt has no translation for, installs none (Qt's
// texts are English). Returns whether a translation is now installed.
bool install(const QString& code, const QString& directory = systemDirectory());

} // namespace QtTranslations

#include "VantorShared/Language/AppLanguage.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Locale/SystemLocale.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <algorithm>

namespace AppLanguage {
namespace {

const QString kSystem = QStringLiteral("system");

QString g_launchedCode;

QString developmentLocalization(const Bundle& bundle)
{
    const QString development = bundle.developmentLocalization();
    return development.isEmpty() ? QStringLiteral("en") : development;
}

} // namespace

QString choice()
{
    const QByteArray variable = SharedSettings::Env::language.toLocal8Bit();
    if (qEnvironmentVariableIsSet(variable.constData()))
        return qEnvironmentVariable(variable.constData());
    return SharedSettings::store().stringForKey(SharedSettings::Key::language).value_or(kSystem);
}

QStringList shipped()
{
    const Bundle& bundle = Bundle::main();
    QStringList codes {developmentLocalization(bundle)};
    for (const QString& code : bundle.localizations())
        if (code != QLatin1String("Base") && !codes.contains(code))
            codes.append(code);
    codes.removeAll(QStringLiteral("Base"));
    return codes;
}

QStringList systemLanguages()
{
    return SystemLocale::preferredLanguages();
}

namespace {

QString resolved(const QString& chosen)
{
    const QStringList available = shipped();
    if (chosen != kSystem && available.contains(chosen))
        return chosen;
    const QStringList preferred = SystemLocale::preferredLocalizations(available, systemLanguages());
    if (!preferred.isEmpty())
        return preferred.first();
    return developmentLocalization(Bundle::main());
}

} // namespace

QString code()
{
    // Every text and number drawn asks for the language; the answer changes only with the
    // choice, the bundle or the locale environment, so it is worked out again only then.
    struct Resolution {
        QString chosen;
        quint64 bundle = 0;
        quint64 environment = 0;
        QString code;
    };
    thread_local Resolution last;
    const QString chosen = choice();
    const quint64 bundle = Bundle::mainGeneration();
    const quint64 environment = SystemLocale::environmentGeneration();
    // The generations start at 1, so the first call always resolves.
    if (last.bundle != bundle || last.environment != environment || last.chosen != chosen) {
        last.code = resolved(chosen);
        last.chosen = chosen;
        last.bundle = bundle;
        last.environment = environment;
    }
    return last.code;
}

QString string(const QString& key)
{
    const QString language = code();
    const Bundle& bundle = Bundle::main();
    if (language == developmentLocalization(bundle))
        return key;
    return bundle.localizedString(key, language);
}

QList<QPair<QString, QString>> available()
{
    QList<QPair<QString, QString>> list;
    for (const QString& code : shipped())
        list.append({code, SystemLocale::nativeLanguageName(code)});
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    return list;
}

void applyChoiceToProcessDefaults()
{
    const QString chosen = choice();
    PreferencesDomain& defaults = PreferencesDomain::standard();
    if (chosen == kSystem || !shipped().contains(chosen)) {
        defaults.removeObjectForKey(SharedSettings::Key::appleLanguages);
        return;
    }
    QStringList languages {chosen};
    for (const QString& language : systemLanguages())
        if (language != chosen)
            languages.append(language);
    defaults.setStringList(SharedSettings::Key::appleLanguages, languages);
}

QString launchedCode()
{
    return g_launchedCode;
}

bool processIsStale()
{
    return !g_launchedCode.isEmpty() && code() != g_launchedCode;
}

void adoptChoiceAtLaunch()
{
    g_launchedCode = code();
    applyChoiceToProcessDefaults();
    // Numbers, dates and measurements that Qt or ICU format without naming a locale follow the
    // interface language too, with the user's region.
    SystemLocale::adoptFormattingLanguage(g_launchedCode);
}

void resetLaunchedCodeForTesting()
{
    g_launchedCode.clear();
}

} // namespace AppLanguage

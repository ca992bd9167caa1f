#include "AppLanguage.h"

// Placeholder until the localizations land: every text is its English key.
namespace AppLanguage {
namespace {
QString g_launchedCode;
}

QString choice()
{
    return QStringLiteral("system");
}
QStringList shipped()
{
    return {QStringLiteral("en")};
}
QStringList systemLanguages()
{
    return {};
}
QString code()
{
    return QStringLiteral("en");
}
QString string(const QString& key)
{
    return key;
}
QList<QPair<QString, QString>> available()
{
    return {{QStringLiteral("en"), QStringLiteral("English")}};
}
void applyChoiceToProcessDefaults()
{
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
}

} // namespace AppLanguage

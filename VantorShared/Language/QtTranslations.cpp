#include "VantorShared/Language/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace QtTranslations {
namespace {

std::unique_ptr<QTranslator>& installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

QString systemDirectory()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool install(const QString& code, const QString& directory)
{
    if (std::unique_ptr<QTranslator>& previous = installed()) {
        QCoreApplication::removeTranslator(previous.get());
        previous.reset();
    }
    const QLocale locale(code);
    if (code.isEmpty() || locale.language() == QLocale::English || locale.language() == QLocale::C)
        return false;
    // "qt_<language>" names the catalogues of every Qt module present (qtbase among them), so the
    // texts of a module added later are found too; the language-only file serves every region.
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"), directory)
        && !translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), directory))
        return false;
    if (!QCoreApplication::installTranslator(translator.get()))
        return false;
    installed() = std::move(translator);
    return true;
}

} // namespace QtTranslations

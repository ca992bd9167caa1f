#include "VantorShared/Policies/BundleVersion.h"

#include "Platform/Bundles/Bundle.h"
#include "VantorShared/Policies/UpdateOffer.h"

namespace BundleVersion {
namespace {

QString textValue(const Bundle& bundle, const QString& key)
{
    const QVariant value = bundle.infoValue(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QStringLiteral("?");
}

} // namespace

QString text(const Bundle& bundle)
{
    return UpdateOffer::name(textValue(bundle, QStringLiteral("CFBundleShortVersionString")),
        textValue(bundle, QStringLiteral("CFBundleVersion")));
}

QString text()
{
    return text(Bundle::main());
}

} // namespace BundleVersion

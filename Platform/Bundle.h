#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// A program bundle laid out as <Name>.app/Contents/{Info.plist,MacOS/,Resources/}.
//
// Info.plist is an XML property list; its top-level dictionary is read once when the bundle is
// opened (texts, integers, reals, booleans and arrays of those).
class Bundle {
public:
    // Opens the bundle at `path`; none when it has no readable Contents/Info.plist.
    static std::optional<Bundle> open(const QString& path);
    // The running program's own bundle (the executable sits in <bundle>/Contents/MacOS). A
    // program that runs outside a bundle gets an empty bundle rooted at its own directory.
    static const Bundle& main();
    // For tests: use the bundle at `path` as the main bundle (empty path: back to the default).
    static void setMainBundlePathForTesting(const QString& path);

    QString path() const { return m_path; }
    bool isValid() const { return m_valid; }
    QString identifier() const;
    QVariant infoValue(const QString& key) const { return m_info.value(key); }
    QVariantMap info() const { return m_info; }
    // CFBundleDevelopmentRegion, or empty when the bundle names none.
    QString developmentLocalization() const;
    // The codes of the <code>.lproj folders under Contents/Resources, sorted.
    QStringList localizations() const;
    QString resourcePath() const { return m_path + QStringLiteral("/Contents/Resources"); }
    QString executablePath() const;
    // The path of a resource file, or empty when it does not exist.
    QString pathForResource(const QString& name, const QString& extension, const QString& subdirectory = {}) const;

    static std::optional<QVariantMap> parsePropertyList(const QByteArray& xml);

private:
    Bundle() = default;
    QString m_path;
    QVariantMap m_info;
    bool m_valid = false;
};

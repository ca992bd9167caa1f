#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
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
    // Changes whenever main() may answer another bundle (only tests make it), so that callers may
    // keep what they derived from the main bundle until then.
    static quint64 mainGeneration();

    QString path() const { return m_path; }
    bool isValid() const { return m_valid; }
    QString identifier() const;
    QVariant infoValue(const QString& key) const { return m_info.value(key); }
    QVariantMap info() const { return m_info; }
    // CFBundleDevelopmentRegion, or empty when the bundle names none.
    QString developmentLocalization() const;
    // The codes of the <code>.lproj folders under Contents/Resources, sorted. Listed once per
    // opened bundle: an installed bundle's resources do not change while it runs.
    QStringList localizations() const;
    // The text for `key` in Contents/Resources/<localization>.lproj/<table>.strings; `key` itself
    // when there is no such folder, table or entry. Each table is read once and kept.
    QString localizedString(
        const QString& key, const QString& localization, const QString& table = QStringLiteral("Localizable")) const;
    QString resourcePath() const { return m_path + QStringLiteral("/Contents/Resources"); }
    QString executablePath() const;
    // The path of a resource file, or empty when it does not exist.
    QString pathForResource(const QString& name, const QString& extension, const QString& subdirectory = {}) const;

    static std::optional<QVariantMap> parsePropertyList(const QByteArray& xml);

private:
    Bundle();
    struct Cache;
    QString m_path;
    QVariantMap m_info;
    bool m_valid = false;
    // Shared by copies of the same opened bundle; guarded, as lookups may come from any thread.
    std::shared_ptr<Cache> m_cache;
};

#pragma once

#include <QString>

#include <optional>

// Puts a new copy of a bundle in the place of the installed one.
//
// The new copy is unpacked into a staging folder beside the installation (same file system), so
// the swap is a rename: either the old or the new bundle is in place at every moment, and an
// install that is interrupted at any point leaves a working installation behind.
namespace BundleInstaller {

// The staging folders' name prefix beside `installedBundle`: ".<name>.update-".
QString stagingPrefix(const QString& installedBundle);
// Removes staging folders that an interrupted install left beside `installedBundle`.
void removeLeftovers(const QString& installedBundle);

// The bundle an update archive unpacked to in `folder`: the entry named like the installed
// bundle, else the only "*.app" folder. None when there is no such bundle.
std::optional<QString> findBundle(const QString& folder, const QString& installedBundle);

// Checks that `candidate` may replace `installedBundle`: it opens as a bundle, has the same
// identifier, a newer build (CFBundleVersion), its executable, and, when `applicationRelativePath`
// is given, the program that will be relaunched inside it. None when it may, else why not.
std::optional<QString> validate(
    const QString& candidate, const QString& installedBundle, const QString& applicationRelativePath = {});

// Exchanges `candidate` and `installedBundle` atomically where the file system allows, else by
// two renames with the old bundle put back when the second fails. The old bundle ends up at
// `candidate`'s path. None on success, else why it failed (nothing changed).
std::optional<QString> swap(const QString& candidate, const QString& installedBundle);

} // namespace BundleInstaller

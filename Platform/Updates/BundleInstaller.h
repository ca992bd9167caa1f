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
// The record of a swap by two renames in progress beside `installedBundle`: ".<name>.swap".
QString swapRecordPath(const QString& installedBundle);

// Finishes or undoes a swap that was interrupted (see swap), then removes the staging folders an
// interrupted install left beside `installedBundle`. Links are removed, never followed, and only
// this user's entries are touched. While there is no bundle at the install path nothing is
// removed at all, since a staging folder may then hold the only copy. Call it only while holding
// the installation's lock.
void removeLeftovers(const QString& installedBundle);

// The bundle an update archive unpacked to in `folder`: the entry named like the installed
// bundle, else the only "*.app" folder. None when there is no such bundle.
std::optional<QString> findBundle(const QString& folder, const QString& installedBundle);

// Checks that `candidate` may replace `installedBundle`: it opens as a bundle, has the same
// identifier, a newer build (CFBundleVersion), its executable, and, when `applicationRelativePath`
// is given, the program that will be relaunched inside it. None when it may, else why not.
std::optional<QString> validate(
    const QString& candidate, const QString& installedBundle, const QString& applicationRelativePath = {});

struct SwapOptions {
    // False: behave as on a file system without an atomic exchange (NFS, vfat).
    bool atomicExchange = true;
    // For tests: stop after this many renames of the fallback, as a crash there would. Zero: never.
    int interruptAfterRenames = 0;
};

// Exchanges `candidate` and `installedBundle` atomically where the file system allows. Elsewhere
// the old bundle is renamed aside, the new one in, and the old one to `candidate`'s path; a record
// beside the bundle names both while that runs, so that removeLeftovers after a crash puts the old
// bundle back (when the new one never arrived) or completes the swap (when it did). The old bundle
// ends up at `candidate`'s path. None on success, else why it failed (nothing changed).
std::optional<QString> swap(const QString& candidate, const QString& installedBundle, SwapOptions options = {});

} // namespace BundleInstaller

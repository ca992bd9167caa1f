#pragma once

#include "VantorShared/Support/EnumText.h"

#include <QList>
#include <QString>

#include <array>

// The pages of the settings window, stored by raw value under "settingsPane".
enum class SettingsPage { menuBar, popovers, general };

template <> struct EnumCases<SettingsPage> {
    static constexpr std::array<SettingsPage, 3> all {
        SettingsPage::menuBar, SettingsPage::popovers, SettingsPage::general};
};

QString rawValue(SettingsPage page);
QString title(SettingsPage page);
QString symbol(SettingsPage page);
// The stored text as a page; any other text is the Menu Bar page.
SettingsPage settingsPage(QStringView stored);

// A titled group of pages in the sidebar.
struct SettingsPageGroup {
    QString title;
    QList<SettingsPage> pages;

    // "Interface" (Menu Bar, Popovers) and "Application" (General), titles in the current language.
    static QList<SettingsPageGroup> all();
};

#include "Vantor/Window/SettingsPage.h"

#include "VantorShared/Language/AppLanguage.h"

QString rawValue(SettingsPage page)
{
    switch (page) {
    case SettingsPage::menuBar:
        return QStringLiteral("menuBar");
    case SettingsPage::popovers:
        return QStringLiteral("popovers");
    case SettingsPage::general:
        return QStringLiteral("general");
    }
    return {};
}

QString title(SettingsPage page)
{
    switch (page) {
    case SettingsPage::menuBar:
        return AppLanguage::string(QStringLiteral("Top Bar"));
    case SettingsPage::popovers:
        return AppLanguage::string(QStringLiteral("Popovers"));
    case SettingsPage::general:
        return AppLanguage::string(QStringLiteral("General"));
    }
    return {};
}

QString symbol(SettingsPage page)
{
    switch (page) {
    case SettingsPage::menuBar:
        return QStringLiteral("menubar.rectangle");
    case SettingsPage::popovers:
        return QStringLiteral("macwindow");
    case SettingsPage::general:
        return QStringLiteral("gearshape");
    }
    return {};
}

SettingsPage settingsPage(QStringView stored)
{
    return fromRawValue<SettingsPage>(stored).value_or(SettingsPage::menuBar);
}

QList<SettingsPageGroup> SettingsPageGroup::all()
{
    return {{AppLanguage::string(QStringLiteral("Interface")), {SettingsPage::menuBar, SettingsPage::popovers}},
        {AppLanguage::string(QStringLiteral("Application")), {SettingsPage::general}}};
}

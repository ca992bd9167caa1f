#include "Vantor/Pages/GeneralPage.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/FormSection.h"
#include "Vantor/Pages/GroupedForm.h"
#include "Vantor/Pages/OtherMachinesSection.h"
#include "Vantor/Pages/SettingsColors.h"
#include "Vantor/Pages/StorePicker.h"
#include "Vantor/Pages/SwitchButton.h"
#include "Vantor/Updates/UpdateOfferRow.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/RefreshInterval.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/System/AppLinks.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

namespace Key = SharedSettings::Key;

GeneralPage::AgentBundleFinder& agentBundleFinder()
{
    static GeneralPage::AgentBundleFinder finder;
    return finder;
}

GeneralPage::InstallationNoteSource& installationNoteSource()
{
    static GeneralPage::InstallationNoteSource source;
    return source;
}

QVariant storedText(const QString& key, const QString& fallback)
{
    return SharedSettings::store().stringForKey(key).value_or(fallback);
}

QString infoText(const Bundle& bundle, const QString& key)
{
    const QVariant value = bundle.infoValue(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QStringLiteral("—");
}

} // namespace

GeneralPage::GeneralPage(QWidget* startupSection, QWidget* parent)
    : QWidget(parent)
{
    auto* form = new GroupedForm;
    if (startupSection)
        form->addWidget(startupSection);

    QList<StorePicker::Entry> languages {{AppLanguage::string(QStringLiteral("System")), QStringLiteral("system")}};
    bool first = true;
    for (const auto& [code, name] : AppLanguage::available()) {
        languages.append({name, code, first});
        first = false;
    }
    m_language
        = new StorePicker(Key::language, languages, [] { return storedText(Key::language, QStringLiteral("system")); });
    form->addSection()->addRow(AppLanguage::string(QStringLiteral("Language")), m_language);

    m_unit = new StorePicker(Key::temperatureUnit,
        {{AppLanguage::string(QStringLiteral("System")), QStringLiteral("system")},
            {AppLanguage::string(QStringLiteral("Celsius")), QStringLiteral("celsius")},
            {AppLanguage::string(QStringLiteral("Fahrenheit")), QStringLiteral("fahrenheit")}},
        [] { return storedText(Key::temperatureUnit, QStringLiteral("system")); });
    form->addSection(AppLanguage::string(QStringLiteral("Units")))
        ->addRow(AppLanguage::string(QStringLiteral("Temperature")), m_unit);

    m_interval = new StorePicker(Key::refreshInterval,
        {{AppLanguage::string(QStringLiteral("Every Second")), 1.0},
            {AppLanguage::string(QStringLiteral("Every 2 Seconds")), 2.0},
            {AppLanguage::string(QStringLiteral("Every 5 Seconds")), 5.0}},
        // What the agent samples at: a hand-edited 0 or less shows as every second.
        [] { return QVariant(RefreshInterval::effectiveSeconds()); });
    // An interval set outside this picker (2.5 s, say) is what the agent uses, so it is shown.
    m_interval->setUnlistedTitle([this](const QVariant& value) {
        return AppLanguage::string(QStringLiteral("Every %@ Seconds"))
            .replace(QStringLiteral("%@"), locale().toString(value.toDouble(), 'g', 6));
    });
    form->addSection(AppLanguage::string(QStringLiteral("Sampling")))
        ->addRow(AppLanguage::string(QStringLiteral("Refresh interval")), m_interval);

    form->addWidget(new OtherMachinesSection);

    const auto noteSource = installationNoteSource();
    m_installationNote = noteSource ? noteSource() : UpdateOfferRow::installationNote();
    m_updates = form->addSection(AppLanguage::string(QStringLiteral("Updates")));
    m_checkAutomatically = new SwitchButton(Key::updatesCheckAutomatically,
        [] { return SharedSettings::store().boolForKey(Key::updatesCheckAutomatically); });
    m_updates->addRow(AppLanguage::string(QStringLiteral("Check automatically")), m_checkAutomatically);
    auto* version = new QWidget;
    auto* versionLayout = new QHBoxLayout(version);
    versionLayout->setContentsMargins(0, 0, 0, 0);
    versionLayout->setSpacing(12);
    const auto finder = agentBundleFinder();
    m_version = new QLabel(versionLabel(finder ? finder() : runningAgentBundle()));
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_checkNow = new QPushButton(AppLanguage::string(QStringLiteral("Check Now")));
    m_checkNow->setAccessibleName(m_checkNow->text());
    connect(
        m_checkNow, &QPushButton::clicked, this, [] { SharedSettings::post(SharedSettings::Signal::checkForUpdates); });
    versionLayout->addWidget(m_version);
    versionLayout->addWidget(m_checkNow);
    m_updates->addRow(AppLanguage::string(QStringLiteral("Version")), version);
    if (!m_installationNote.isEmpty()) {
        // Vantor does not update this copy at all: say so, rather than leave two dead controls.
        m_checkAutomatically->setEnabled(false);
        m_checkAutomatically->setToolTip(m_installationNote);
        m_checkNow->setToolTip(m_installationNote);
        m_updates->setFooter(m_installationNote);
    }
    applyColours();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(form);

    m_poll.setInterval(1000);
    connect(&m_poll, &QTimer::timeout, this, &GeneralPage::refreshUpdaterState);
    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &GeneralPage::refreshUpdaterState);
    refreshUpdaterState();
}

QString GeneralPage::versionLabel(const Bundle& bundle)
{
    return infoText(bundle, QStringLiteral("CFBundleShortVersionString")) + QStringLiteral(" (")
        + infoText(bundle, QStringLiteral("CFBundleVersion")) + QLatin1Char(')');
}

QString GeneralPage::versionLabel(const std::optional<QString>& agentBundlePath)
{
    if (agentBundlePath)
        if (const auto agent = Bundle::open(*agentBundlePath))
            return versionLabel(*agent);
    return versionLabel(Bundle::main());
}

std::optional<QString> GeneralPage::runningAgentBundle()
{
    if (const auto agent = AppLinks::runningAgentBundle())
        return agent->path();
    return std::nullopt;
}

void GeneralPage::setAgentBundleFinderForTesting(AgentBundleFinder finder)
{
    agentBundleFinder() = std::move(finder);
}

void GeneralPage::setInstallationNoteForTesting(InstallationNoteSource source)
{
    installationNoteSource() = std::move(source);
}

void GeneralPage::refreshUpdaterState()
{
    m_checkNow->setEnabled(
        m_installationNote.isEmpty() && SharedSettings::store().boolForKey(SharedSettings::Key::updaterCanCheck));
}

void GeneralPage::applyColours()
{
    QPalette colours = m_version->palette();
    colours.setColor(
        QPalette::WindowText, SettingsColors::secondaryText(palette(), SettingsColors::groupBackground(palette())));
    m_version->setPalette(colours);
}

void GeneralPage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        applyColours();
    QWidget::changeEvent(event);
}

void GeneralPage::showEvent(QShowEvent* event)
{
    refreshUpdaterState();
    m_poll.start();
    QWidget::showEvent(event);
}

void GeneralPage::hideEvent(QHideEvent* event)
{
    m_poll.stop();
    QWidget::hideEvent(event);
}

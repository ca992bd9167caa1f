#include "VantorAgent/MenuBar/AdaptiveStatusBar.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/StatusBar/LinuxStatusBar.h"
#include "Platform/StatusBar/StatusBarWindow.h"
#include "Platform/StatusBar/StatusNotifierHostWatcher.h"
#include "Platform/StatusBar/StatusNotifierItem.h"
#include "Platform/StatusBar/TrayHostWatcher.h"
#include "Platform/StatusBar/TrayStatusBar.h"
#include "Platform/StatusBar/TrayStatusItem.h"
#include "VantorAgent/MenuBar/StatusBarController.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"
#include "VantorShared/System/AppLinks.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>

namespace {

// The refresh timer may fire a little early (it has a 20 % tolerance); an update that early still
// counts as the next interval's.
constexpr double trayUpdateSpacing = 0.8;

const char* placementText(MeterPlacement placement)
{
    return placement == MeterPlacement::tray ? "tray" : "bar";
}

} // namespace

AdaptiveStatusBar::Environment AdaptiveStatusBar::Environment::system()
{
    Environment environment;
    environment.hostWatcher = std::make_unique<StatusNotifierHostWatcher>();
    environment.makeBar = []() -> std::unique_ptr<StatusBar> {
        return std::make_unique<LinuxStatusBar>(
            PreferencesDomain::standard(), SharedSettings::Key::statusItemPreferredPositionPrefix);
    };
    environment.makeTray = [] { return std::make_unique<TrayStatusBar>(); };
    const QByteArray variable = SharedSettings::Env::menuBarMode.toLocal8Bit();
    if (qEnvironmentVariableIsSet(variable.constData()))
        environment.environmentChoice = qEnvironmentVariable(variable.constData());
    environment.session = MenuBarModeDecision::currentSessionKind();
    environment.trayAppearance = desktopTrayAppearance();
    environment.trayShowsLabels = TrayMeterIcon::desktopShowsLabels();
    environment.openSettings = [] { AppLinks::openSettingsApp(); };
    environment.quit = [] { QCoreApplication::quit(); };
    return environment;
}

AdaptiveStatusBar::AdaptiveStatusBar(Environment environment, QObject* parent)
    : StatusBar(parent)
    , m_environment(std::move(environment))
{
    m_hostSettle.setSingleShot(true);
    connect(&m_hostSettle, &QTimer::timeout, this, &AdaptiveStatusBar::applyMode);
    m_trayUpdate.setSingleShot(true);
    connect(&m_trayUpdate, &QTimer::timeout, this, &AdaptiveStatusBar::updateTrayItems);
    if (m_environment.hostWatcher)
        connect(m_environment.hostWatcher.get(), &TrayHostWatcher::hostPresenceChanged, this,
            &AdaptiveStatusBar::hostPresenceChanged);

    m_decision = MenuBarModeDecision::decide(inputs());
    m_placement = m_decision.placement;
    m_current = makeBackend(m_placement);
    qCInfo(lcAgentLifecycle, "meters in the %s; %s", placementText(m_placement), qPrintable(m_decision.reason));

    m_signals.listen(SharedSettings::Signal::settings, [self = QPointer<AdaptiveStatusBar>(this)] {
        if (!self)
            return;
        self->applyMode();
        // Accents and shape may have changed: the next icons are drawn anew.
        self->invalidateTrayIcons();
        self->scheduleTrayUpdate();
    });
}

AdaptiveStatusBar::~AdaptiveStatusBar() = default;

void AdaptiveStatusBar::attach(StatusBarController& controller)
{
    m_controller = &controller;
    SystemMonitor& monitor = controller.monitor();
    // The settings app learns where the meters are once they are really there.
    connect(&monitor, &SystemMonitor::changed, this, [this] {
        if (m_firstCycleDone)
            return;
        m_firstCycleDone = true;
        publishPresentation();
    });
    // One update per cycle at most: the change signals of a cycle arrive together.
    for (auto signal : {&SystemMonitor::cpuChanged, &SystemMonitor::memoryChanged, &SystemMonitor::storageChanged,
             &SystemMonitor::sensorsChanged})
        connect(&monitor, signal, this, &AdaptiveStatusBar::scheduleTrayUpdate);
    updateTrayItems();
}

TrayStatusBar* AdaptiveStatusBar::tray() const
{
    return m_placement == MeterPlacement::tray ? static_cast<TrayStatusBar*>(m_current.get()) : nullptr;
}

MenuBarModeDecision::Inputs AdaptiveStatusBar::inputs() const
{
    MenuBarModeDecision::Inputs inputs;
    const QVariant stored = SharedSettings::store().objectForKey(SharedSettings::Key::menuBarMode);
    if (stored.typeId() == QMetaType::QString)
        inputs.storedChoice = stored.toString();
    inputs.environmentChoice = m_environment.environmentChoice;
    inputs.session = m_environment.session;
    inputs.trayHostPresent = m_environment.hostWatcher && m_environment.hostWatcher->isHostPresent();
    inputs.trayRefusal = m_trayRefusal;
    return inputs;
}

std::unique_ptr<StatusBar> AdaptiveStatusBar::makeBackend(MeterPlacement placement)
{
    std::unique_ptr<StatusBar> backend;
    if (placement == MeterPlacement::tray) {
        std::unique_ptr<TrayStatusBar> tray = m_environment.makeTray();
        QList<TrayStatusBar::MenuAction> actions;
        actions.append({trayMenuSettingsText(), m_environment.openSettings});
        actions.append({trayMenuQuitText(), m_environment.quit});
        tray->setMenuActions(std::move(actions));
        connect(tray.get(), &TrayStatusBar::itemsChanged, this, &AdaptiveStatusBar::updateTrayItems);
        connect(tray.get(), &TrayStatusBar::itemActivated, this,
            [this](TrayStatusItem* item, std::optional<QPoint> position) {
                const std::optional<MonitorSection> section = sectionOf(item);
                if (!section)
                    return;
                qCDebug(lcAgentLifecycle, "tray item %s clicked at %d, %d", qPrintable(key(*section)),
                    position ? position->x() : -1, position ? position->y() : -1);
                emit trayItemClicked(*section, position);
            });
        connect(tray.get(), &TrayStatusBar::itemSecondaryActivated, this, [this] {
            if (m_environment.openSettings)
                m_environment.openSettings();
        });
        // Later: the refusal arrives inside the item's own bus callback, and switching to the bar
        // destroys the item.
        connect(
            tray.get(), &TrayStatusBar::registrationRefused, this,
            [this, source = QPointer<TrayStatusBar>(tray.get())](const QString& reason) {
                // A refusal that comes after the meters left that tray is old news.
                if (source && source.data() == m_current.get())
                    trayRefused(reason);
            },
            Qt::QueuedConnection);
        backend = std::move(tray);
    } else {
        backend = m_environment.makeBar();
    }
    forwardBarSignals(backend.get());
    return backend;
}

void AdaptiveStatusBar::forwardBarSignals(StatusBar* bar)
{
    connect(bar, &StatusBar::windowMoved, this, &StatusBar::windowMoved);
    connect(bar, &StatusBar::screenChanged, this, &StatusBar::screenChanged);
}

// MARK: Items

StatusItem* AdaptiveStatusBar::createItem(double length)
{
    StatusItem* item = m_current->createItem(length);
    m_owners.insert(item, m_current.get());
    return item;
}

void AdaptiveStatusBar::removeItem(StatusItem* item)
{
    // During a switch the controller takes its items out of the bar being left.
    StatusBar* owner = m_owners.take(item);
    if (owner && owner == m_leaving.get())
        m_leaving->removeItem(item);
    else if (owner == m_current.get())
        m_current->removeItem(item);
}

Qt::KeyboardModifiers AdaptiveStatusBar::keyboardModifiers() const
{
    return m_current->keyboardModifiers();
}

Qt::MouseButtons AdaptiveStatusBar::pressedMouseButtons() const
{
    return m_current->pressedMouseButtons();
}

// MARK: Mode

void AdaptiveStatusBar::hostPresenceChanged()
{
    // A new host may take what the old one refused.
    m_trayRefusal.reset();
    m_hostSettle.start(hostSettleDelay);
}

void AdaptiveStatusBar::trayRefused(const QString& reason)
{
    if (m_trayRefusal || m_placement != MeterPlacement::tray)
        return;
    qCWarning(lcAgentLifecycle, "the tray did not take the meters: %s", qPrintable(reason));
    m_trayRefusal = reason;
    applyMode();
}

void AdaptiveStatusBar::publishPresentation()
{
    if (!m_firstCycleDone)
        return;
    const QString presentation = m_placement == MeterPlacement::tray ? QStringLiteral("tray") : QStringLiteral("bar");
    PreferencesDomain& store = SharedSettings::store();
    const QVariant stored = store.objectForKey(SharedSettings::Key::menuBarPresentation);
    if (stored.typeId() == QMetaType::QString && stored.toString() == presentation)
        return;
    store.setString(SharedSettings::Key::menuBarPresentation, presentation);
    SharedSettings::post(SharedSettings::Signal::menuBarChanged);
}

void AdaptiveStatusBar::applyMode()
{
    m_hostSettle.stop();
    MenuBarModeDecision::Outcome decision = MenuBarModeDecision::decide(inputs());
    if (decision.placement == m_placement) {
        m_decision = std::move(decision);
        // A forced tray shows its waiting items once a host came.
        if (tray())
            updateTrayItems();
        return;
    }
    qCInfo(
        lcAgentLifecycle, "meters move to the %s; %s", placementText(decision.placement), qPrintable(decision.reason));
    m_decision = std::move(decision);
    m_placement = m_decision.placement;
    m_traySignatures.clear();
    m_trayUpdate.stop();
    m_leaving = std::move(m_current);
    m_current = makeBackend(m_placement);
    if (m_controller)
        m_controller->reinstallStatusItems();
    // Whatever the controller did not take out goes with the bar being left.
    for (auto it = m_owners.begin(); it != m_owners.end();)
        it = it.value() == m_leaving.get() ? m_owners.erase(it) : std::next(it);
    m_leaving.reset();
    publishPresentation();
    emit placementChanged(m_placement);
}

// MARK: Tray icons

std::optional<MonitorSection> AdaptiveStatusBar::sectionOf(const StatusItem* item) const
{
    if (!m_controller || !item)
        return std::nullopt;
    for (const MonitorSection section : allMonitorSections)
        if (m_controller->statusItem(section) == item)
            return section;
    return std::nullopt;
}

void AdaptiveStatusBar::scheduleTrayUpdate()
{
    if (!tray() || m_trayUpdate.isActive())
        return;
    const double spacing = SystemMonitor::configuredInterval() * trayUpdateSpacing * 1000;
    const qint64 since = m_sinceTrayUpdate.isValid() ? m_sinceTrayUpdate.elapsed() : qint64(spacing);
    m_trayUpdate.start(int(std::max(0.0, spacing - double(since))));
}

void AdaptiveStatusBar::invalidateTrayIcons()
{
    m_traySignatures.clear();
}

void AdaptiveStatusBar::updateTrayItems()
{
    TrayStatusBar* trayBar = tray();
    if (!trayBar || !m_controller)
        return;
    m_sinceTrayUpdate.start();
    const MenuBarReadings& readings = m_controller->monitor();
    const bool labels = m_environment.trayShowsLabels;
    // Items go on the bus only once a host is there to take them.
    const bool hostPresent = m_environment.hostWatcher && m_environment.hostWatcher->isHostPresent();
    // Items made by others (the machines meter, left of the four) send their own icons; they go
    // on the bus by the same rule, ahead of the sections.
    uint index = 0;
    for (size_t i = 0; i < trayBar->itemCount(); ++i) {
        TrayStatusItem* item = trayBar->itemAt(i);
        if (sectionOf(item))
            continue;
        if (hostPresent)
            item->show();
        if (StatusNotifierItem* busItem = item->busItem())
            busItem->setOrderingIndex(index);
        ++index;
    }
    // Items are shown in the stored order: hosts place them in the order they first appear.
    for (const MonitorSection section : m_controller->appliedOrder()) {
        TrayStatusItem* item = trayBar->trayItem(m_controller->statusItem(section));
        if (!item)
            continue;
        item->setIdentity(QStringLiteral("vantor-") + key(section), title(section));
        const TrayMeterIcon::Form form = TrayMeterIcon::form(section, readings, labels);
        QString signature = TrayMeterIcon::signature(section, &readings, form);
        const auto stored = m_traySignatures.constFind(section);
        if (item->iconUpdates() == 0 || stored == m_traySignatures.constEnd() || *stored != signature) {
            item->setIcon(TrayMeterIcon::pictures(section, readings, m_environment.trayAppearance, form));
            m_traySignatures.insert(section, std::move(signature));
        }
        item->setToolTip(title(section), TrayMeterIcon::toolTipText(section, readings));
        item->setLabel(TrayMeterIcon::label(section, readings), TrayMeterIcon::labelGuide(section));
        if (hostPresent)
            item->show();
        if (StatusNotifierItem* busItem = item->busItem())
            busItem->setOrderingIndex(index);
        ++index;
    }
}

// MARK: Texts and appearance

QString AdaptiveStatusBar::trayMenuSettingsText()
{
    return AppLanguage::string(QStringLiteral("Settings"));
}

QString AdaptiveStatusBar::trayMenuQuitText()
{
    return AppLanguage::string(QStringLiteral("Quit"));
}

TrayMeterIcon::Appearance AdaptiveStatusBar::desktopTrayAppearance()
{
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower();
    for (const char* darkPanel : {"gnome", "unity", "ubuntu", "pantheon"})
        if (desktop.contains(QLatin1String(darkPanel)))
            return TrayMeterIcon::Appearance::dark;
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness()
        ? TrayMeterIcon::Appearance::dark
        : TrayMeterIcon::Appearance::light;
}

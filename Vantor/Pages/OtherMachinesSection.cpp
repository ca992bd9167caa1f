#include "Vantor/Pages/OtherMachinesSection.h"

#include "Platform/Secrets/KeychainSecretStore.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/ConnectionTestRow.h"
#include "Vantor/Pages/FormSection.h"
#include "Vantor/Pages/StorePicker.h"
#include "Vantor/Pages/SwitchButton.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Machines/MachineQueries.h"
#include "VantorShared/Machines/MachineThresholds.h"
#include "VantorShared/Machines/MachinesConnection.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

namespace Key = SharedSettings::Key;

PreferencesDomain& store()
{
    return SharedSettings::store();
}

QString storedText(const QString& key)
{
    return store().stringForKey(key).value_or(QString());
}

QLineEdit* lineEdit(const QString& placeholder)
{
    auto* edit = new QLineEdit;
    edit->setPlaceholderText(placeholder);
    edit->setMinimumWidth(220);
    return edit;
}

} // namespace

OtherMachinesSection::OtherMachinesSection(std::unique_ptr<SecretStore> secrets, QWidget* parent)
    : QWidget(parent)
    , m_secrets(secrets ? std::move(secrets) : std::make_unique<KeychainSecretStore>(MachinesConnection::secretService))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);

    auto* server = new FormSection(AppLanguage::string(QStringLiteral("Other Machines")));
    m_server = lineEdit(QStringLiteral("http://prometheus.local:9090"));
    connect(m_server, &QLineEdit::editingFinished, this, &OtherMachinesSection::storeServer);
    server->addRow(AppLanguage::string(QStringLiteral("Prometheus server")), m_server);
    m_filter = lineEdit(QStringLiteral("job=\"node\""));
    connect(m_filter, &QLineEdit::editingFinished, this, &OtherMachinesSection::storeFilter);
    server->addRow(AppLanguage::string(QStringLiteral("Label filter")), m_filter);
    m_auth = new StorePicker(Key::machinesAuthKind,
        {{AppLanguage::string(QStringLiteral("None")), QStringLiteral("none")},
            {AppLanguage::string(QStringLiteral("User and Password")), QStringLiteral("basic")},
            {AppLanguage::string(QStringLiteral("Token")), QStringLiteral("bearer")}},
        [] { return PrometheusServer::authText(MachinesConnection::auth()); });
    connect(m_auth, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_refreshing)
            updateVisibility();
    });
    server->addRow(AppLanguage::string(QStringLiteral("Credentials")), m_auth);
    m_user = lineEdit(QString());
    connect(m_user, &QLineEdit::editingFinished, this, [this] {
        if (m_user->text() != storedText(Key::machinesUser))
            store().setString(Key::machinesUser, m_user->text());
    });
    m_userRow = server->addRow(AppLanguage::string(QStringLiteral("User")), m_user);
    m_secret = lineEdit(QString());
    m_secret->setEchoMode(QLineEdit::Password);
    connect(m_secret, &QLineEdit::editingFinished, this, &OtherMachinesSection::storeSecret);
    m_secretRow = server->addRow(AppLanguage::string(QStringLiteral("Password or token")), m_secret);
    m_test = new ConnectionTestRow(
        [this]() -> std::optional<PrometheusServer> {
            // What the form shows, typed or stored: the user tests before or after leaving a field.
            const auto url = PrometheusServer::parseAddress(m_server->text());
            if (!url)
                return std::nullopt;
            PrometheusServer result;
            result.baseURL = *url;
            result.auth = PrometheusServer::authFromText(m_auth->currentValue().toString());
            result.user = m_user->text();
            // Typed now, else the one kept for this address (read when the page was shown).
            if (!m_typedSecret.isEmpty())
                result.secret = m_typedSecret;
            else if (MachinesConnection::secretKey(*url) == m_storedSecretKey)
                result.secret = m_storedSecret;
            result.trustedCertificate = storedText(Key::machinesTrustedCertificate);
            return result;
        },
        [this] { return m_filter->text().trimmed(); });
    server->addWidget(m_test);
    server->setFooter(AppLanguage::string(
        QStringLiteral("Passwords and tokens are kept in the desktop's keyring, never in the settings file.")));
    layout->addWidget(server);

    auto* meter = new FormSection(AppLanguage::string(QStringLiteral("Machines Meter")));
    meter->addRow(AppLanguage::string(QStringLiteral("Show in the top bar")),
        new SwitchButton(Key::showMachinesItem, [] { return store().boolForKey(Key::showMachinesItem); }));
    meter->addRow(AppLanguage::string(QStringLiteral("Notifications")),
        new SwitchButton(Key::machinesAlerts, [] { return store().boolForKey(Key::machinesAlerts); }));
    const std::array<std::pair<QString, QString>, 4> limits {{
        {Key::machinesCPUThreshold, AppLanguage::string(QStringLiteral("CPU above"))},
        {Key::machinesMemoryThreshold, AppLanguage::string(QStringLiteral("Memory above"))},
        {Key::machinesDiskThreshold, AppLanguage::string(QStringLiteral("Disk above"))},
        {Key::machinesTemperatureThreshold, AppLanguage::string(QStringLiteral("Temperature above"))},
    }};
    for (size_t i = 0; i < limits.size(); ++i) {
        auto* spin = new QSpinBox;
        const bool temperature = i == 3;
        spin->setRange(temperature ? 30 : 1, temperature ? 150 : 100);
        spin->setSuffix(temperature ? QStringLiteral(" °C") : QStringLiteral(" %"));
        const QString key = limits[i].first;
        connect(spin, &QSpinBox::valueChanged, this, [this, key, temperature](int value) {
            if (!m_refreshing)
                store().setDouble(key, temperature ? double(value) : value / 100.0);
        });
        meter->addRow(limits[i].second, spin);
        m_thresholds[i] = spin;
    }
    meter->setFooter(AppLanguage::string(QStringLiteral(
        "A notification comes when a machine is down or above a limit for 2 minutes, and when it recovers.")));
    layout->addWidget(meter);

    auto* exporting = new FormSection;
    m_export = new SwitchButton;
    connect(m_export, &SwitchButton::toggled, this, [this] {
        if (!m_refreshing)
            storeExport();
    });
    exporting->addRow(AppLanguage::string(QStringLiteral("Let Prometheus read this computer")), m_export);
    m_port = new QSpinBox;
    m_port->setRange(1, 65535);
    connect(m_port, &QSpinBox::editingFinished, this, &OtherMachinesSection::storeExport);
    m_portRow = exporting->addRow(AppLanguage::string(QStringLiteral("Port")), m_port);
    m_address = lineEdit(QStringLiteral("127.0.0.1"));
    connect(m_address, &QLineEdit::editingFinished, this, &OtherMachinesSection::storeExport);
    m_addressRow = exporting->addRow(AppLanguage::string(QStringLiteral("Address")), m_address);
    exporting->setFooter(AppLanguage::string(QStringLiteral(
        "Serves this computer's readings at /metrics, on this computer only unless you name another address.")));
    layout->addWidget(exporting);

    connect(&store(), &PreferencesDomain::didChange, this, &OtherMachinesSection::refresh);
    refresh();
}

OtherMachinesSection::~OtherMachinesSection() = default;

void OtherMachinesSection::refresh()
{
    m_refreshing = true;
    const auto setIfIdle = [](QLineEdit* edit, const QString& text) {
        if (!edit->hasFocus() && edit->text() != text)
            edit->setText(text);
    };
    setIfIdle(m_server, storedText(Key::machinesServer));
    setIfIdle(m_filter, store().stringForKey(Key::machinesFilter).value_or(QStringLiteral("job=\"node\"")));
    setIfIdle(m_user, storedText(Key::machinesUser));
    m_auth->refresh();
    const MachineThresholds thresholds = MachineThresholds::fromSettings();
    const std::array<double, 4> values {
        thresholds.cpu * 100, thresholds.memory * 100, thresholds.disk * 100, thresholds.celsius};
    for (size_t i = 0; i < values.size(); ++i)
        m_thresholds[i]->setValue(int(std::lround(values[i])));
    const qint64 port = store().integerForKey(Key::metricsExportPort);
    const bool exporting = port > 0 && port <= 65535;
    m_export->setChecked(exporting);
    if (!m_port->hasFocus())
        m_port->setValue(exporting ? int(port) : defaultExportPort);
    setIfIdle(m_address, storedText(Key::metricsExportAddress));
    m_refreshing = false;
    updateVisibility();
    loadStoredSecret();
}

void OtherMachinesSection::loadStoredSecret()
{
    // The keyring is asked only when the stored settings need a secret at all.
    const auto url = PrometheusServer::parseAddress(storedText(Key::machinesServer));
    const QString key = url && MachinesConnection::auth() != PrometheusServer::Auth::none
        ? MachinesConnection::secretKey(*url)
        : QString();
    if (key == m_storedSecretKey)
        return;
    m_storedSecretKey = key;
    m_storedSecret.clear();
    if (key.isEmpty())
        return;
    QPointer<OtherMachinesSection> self(this);
    m_secrets->read(key, [self, key](std::optional<QString> secret) {
        if (self && self->m_storedSecretKey == key)
            self->m_storedSecret = secret.value_or(QString());
    });
}

void OtherMachinesSection::updateVisibility()
{
    const QString auth = m_auth->currentValue().toString();
    m_userRow->setVisible(auth == QLatin1String("basic"));
    m_secretRow->setVisible(auth != QLatin1String("none"));
    m_secret->setPlaceholderText(auth == QLatin1String("bearer") ? AppLanguage::string(QStringLiteral("Token"))
                                                                 : AppLanguage::string(QStringLiteral("Password")));
    m_portRow->setVisible(m_export->isChecked());
    m_addressRow->setVisible(m_export->isChecked());
}

void OtherMachinesSection::storeServer()
{
    const QString text = m_server->text().trimmed();
    if (text != storedText(Key::machinesServer))
        store().setString(Key::machinesServer, text);
    // A secret typed before the address was settled belongs to this address.
    if (!m_typedSecret.isEmpty())
        storeSecret();
}

void OtherMachinesSection::storeFilter()
{
    const QString text = m_filter->text().trimmed();
    // A filter that would not make a query is not stored; the connection test says why.
    if (!MachineQueries::isValidFilter(text)) {
        m_test->runTest();
        return;
    }
    if (text != store().stringForKey(Key::machinesFilter).value_or(QString()))
        store().setString(Key::machinesFilter, text);
}

void OtherMachinesSection::storeSecret()
{
    if (!m_secret->text().isEmpty())
        m_typedSecret = m_secret->text();
    const auto url = PrometheusServer::parseAddress(m_server->text());
    if (!url || m_typedSecret.isEmpty())
        return;
    const QString secret = m_typedSecret;
    m_secrets->write(MachinesConnection::secretKey(*url), secret, [](bool ok, const QString&) {
        // The agent reads the secret again when the settings change.
        if (ok)
            SharedSettings::post(SharedSettings::Signal::settings);
    });
}

void OtherMachinesSection::storeExport()
{
    const qint64 port = m_export->isChecked() ? m_port->value() : 0;
    if (port != store().integerForKey(Key::metricsExportPort))
        store().setInteger(Key::metricsExportPort, port);
    const QString address = m_address->text().trimmed();
    if (address != storedText(Key::metricsExportAddress))
        store().setString(Key::metricsExportAddress, address);
    updateVisibility();
}

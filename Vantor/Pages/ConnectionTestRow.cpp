#include "Vantor/Pages/ConnectionTestRow.h"

#include "Platform/Prometheus/PrometheusClient.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/SettingsColors.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Machines/MachineQueries.h"
#include "VantorShared/Machines/MachinesConnection.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ConnectionTestRow::ConnectionTestRow(
    std::function<std::optional<PrometheusServer>()> server, std::function<QString()> filter, QWidget* parent)
    : QWidget(parent)
    , m_server(std::move(server))
    , m_filter(std::move(filter))
    , m_client(std::make_unique<PrometheusClient>())
{
    auto* layout = new QVBoxLayout(this);
    // Inset like the section's other rows.
    layout->setContentsMargins(14, 6, 12, 6);
    auto* buttons = new QHBoxLayout;
    m_test = new QPushButton(AppLanguage::string(QStringLiteral("Test Connection")));
    m_trust = new QPushButton(AppLanguage::string(QStringLiteral("Trust This Certificate")));
    m_trust->hide();
    buttons->addWidget(m_test);
    buttons->addWidget(m_trust);
    buttons->addStretch();
    layout->addLayout(buttons);
    m_result = new QLabel;
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // No empty line under the button before the first test.
    m_result->hide();
    layout->addWidget(m_result);
    connect(m_test, &QPushButton::clicked, this, &ConnectionTestRow::runTest);
    connect(m_trust, &QPushButton::clicked, this, &ConnectionTestRow::trustOffered);
}

ConnectionTestRow::~ConnectionTestRow() = default;

QString ConnectionTestRow::resultText() const
{
    return m_result->text();
}

void ConnectionTestRow::runTest()
{
    m_client->cancelAll();
    m_result->show();
    m_trust->hide();
    m_offered.clear();
    const auto server = m_server();
    const QString filter = m_filter();
    if (!server) {
        PrometheusError error;
        error.kind = PrometheusError::Kind::invalidAddress;
        m_result->setText(MachinesConnection::describe(error));
        emit finished();
        return;
    }
    if (!MachineQueries::isValidFilter(filter)) {
        m_result->setText(AppLanguage::string(QStringLiteral("The label filter is not valid.")));
        emit finished();
        return;
    }
    m_result->setText(AppLanguage::string(QStringLiteral("Testing…")));
    m_test->setEnabled(false);
    m_client->setServer(*server);
    m_client->query(MachineQueries::targets(filter), [this](const PrometheusResult& result) {
        m_test->setEnabled(true);
        if (result.error.isError()) {
            QString text = MachinesConnection::describe(result.error);
            if (result.error.kind == PrometheusError::Kind::tls && !result.error.certificateFingerprint.isEmpty()) {
                m_offered = result.error.certificateFingerprint;
                text += QLatin1Char('\n')
                    + AppLanguage::string(QStringLiteral("SHA-256 fingerprint: %1")).arg(m_offered);
                m_trust->show();
            }
            m_result->setText(text);
        } else {
            m_result->setText(MachinesConnection::machinesFound(MachineQueries::countTargets(result)));
        }
        emit finished();
    });
}

void ConnectionTestRow::trustOffered()
{
    if (m_offered.isEmpty())
        return;
    SharedSettings::store().setString(SharedSettings::Key::machinesTrustedCertificate, m_offered);
    runTest();
}

#pragma once

#include "Platform/Secrets/SecretStore.h"

#include <QWidget>

#include <memory>

class ConnectionTestRow;
class FormSection;
class GroupedForm;
class SwitchButton;
class QLineEdit;
class QSpinBox;
class StorePicker;

// The "Other Machines" settings: the Prometheus server, its label filter and credentials, a
// connection test, the machines meter, the thresholds and notifications, and the other
// direction, letting Prometheus read this computer. Every field writes its own key; the password
// or token goes to the desktop's secret service, filed under the server's address, and never
// into the settings file.
class OtherMachinesSection : public QWidget {
    Q_OBJECT
public:
    // Without `secrets` the desktop's secret service is used.
    explicit OtherMachinesSection(std::unique_ptr<SecretStore> secrets = nullptr, QWidget* parent = nullptr);
    ~OtherMachinesSection() override;

    // The port chosen when the export is switched on without one.
    static constexpr int defaultExportPort = 9101;

    QLineEdit* serverField() const { return m_server; }
    QLineEdit* filterField() const { return m_filter; }
    QLineEdit* userField() const { return m_user; }
    QLineEdit* secretField() const { return m_secret; }
    StorePicker* authPicker() const { return m_auth; }
    ConnectionTestRow* testRow() const { return m_test; }
    SwitchButton* exportSwitch() const { return m_export; }
    QSpinBox* exportPort() const { return m_port; }
    QLineEdit* exportAddress() const { return m_address; }
    QSpinBox* threshold(int index) const { return m_thresholds[size_t(index)]; }

    // Re-reads every field from the store.
    void refresh();

private:
    void storeServer();
    void storeFilter();
    void storeSecret();
    void storeExport();
    void updateVisibility();
    void loadStoredSecret();

    std::unique_ptr<SecretStore> m_secrets;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_filter = nullptr;
    StorePicker* m_auth = nullptr;
    QWidget* m_userRow = nullptr;
    QWidget* m_secretRow = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_secret = nullptr;
    QString m_typedSecret;
    // The secret the keyring holds for the stored address, and the key it was read under.
    QString m_storedSecret;
    QString m_storedSecretKey;
    ConnectionTestRow* m_test = nullptr;
    std::array<QSpinBox*, 4> m_thresholds {};
    SwitchButton* m_export = nullptr;
    QSpinBox* m_port = nullptr;
    QLineEdit* m_address = nullptr;
    QWidget* m_portRow = nullptr;
    QWidget* m_addressRow = nullptr;
    bool m_refreshing = false;
};

#pragma once

#include "tests/support/FakeSignalTransport.h"
#include "tests/support/FakeWorkspace.h"

#include <QTemporaryDir>

// Gives a test its own configuration and state directories, its own shared suite and standard
// domain, a fake signal transport and a fake workspace; everything is put back when it goes out
// of scope.
class IsolatedSettings {
public:
    explicit IsolatedSettings(const QString& suite = QStringLiteral("test.suite"));
    ~IsolatedSettings();
    IsolatedSettings(const IsolatedSettings&) = delete;
    IsolatedSettings& operator=(const IsolatedSettings&) = delete;

    QString configDirectory() const { return m_dir.path() + QStringLiteral("/config"); }
    QString stateDirectory() const { return m_dir.path() + QStringLiteral("/state"); }
    QString path() const { return m_dir.path(); }
    FakeSignalTransport transport;
    FakeWorkspace workspace;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldConfig, m_oldSuite, m_oldState;
    bool m_hadConfig, m_hadSuite, m_hadState;
};

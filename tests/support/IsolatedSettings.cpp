#include "tests/support/IsolatedSettings.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"

IsolatedSettings::IsolatedSettings(const QString& suite)
    : m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
    , m_oldSuite(qgetenv("VANTOR_SETTINGS_SUITE"))
    , m_oldState(qgetenv("XDG_STATE_HOME"))
    , m_hadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    , m_hadSuite(qEnvironmentVariableIsSet("VANTOR_SETTINGS_SUITE"))
    , m_hadState(qEnvironmentVariableIsSet("XDG_STATE_HOME"))
{
    qputenv("XDG_CONFIG_HOME", configDirectory().toLocal8Bit());
    qputenv("XDG_STATE_HOME", stateDirectory().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", suite.toLocal8Bit());
    SharedSettings::resetForTesting();
    PreferencesDomain::resetStandardForTesting();
    SignalTransport::setShared(&transport);
    Workspace::setShared(&workspace);
}

IsolatedSettings::~IsolatedSettings()
{
    Workspace::setShared(nullptr);
    SignalTransport::setShared(nullptr);
    if (m_hadConfig)
        qputenv("XDG_CONFIG_HOME", m_oldConfig);
    else
        qunsetenv("XDG_CONFIG_HOME");
    if (m_hadSuite)
        qputenv("VANTOR_SETTINGS_SUITE", m_oldSuite);
    else
        qunsetenv("VANTOR_SETTINGS_SUITE");
    if (m_hadState)
        qputenv("XDG_STATE_HOME", m_oldState);
    else
        qunsetenv("XDG_STATE_HOME");
    SharedSettings::resetForTesting();
    PreferencesDomain::resetStandardForTesting();
}

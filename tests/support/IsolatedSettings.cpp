#include "tests/support/IsolatedSettings.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"

IsolatedSettings::IsolatedSettings(const QString& suite)
    : m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
    , m_oldSuite(qgetenv("VANTOR_SETTINGS_SUITE"))
    , m_hadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    , m_hadSuite(qEnvironmentVariableIsSet("VANTOR_SETTINGS_SUITE"))
{
    qputenv("XDG_CONFIG_HOME", configDirectory().toLocal8Bit());
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
    SharedSettings::resetForTesting();
    PreferencesDomain::resetStandardForTesting();
}

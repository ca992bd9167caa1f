#pragma once

#include "tests/support/FixtureBundle.h"

#include <QFile>

// A settings app bundle with (or without) an agent program inside, laid out like the real one.
struct FixtureApp {
    static QString write(const QString& appPath, bool withAgent)
    {
        FixtureBundle::write(appPath,
            {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor")},
                {QStringLiteral("CFBundleExecutable"), QStringLiteral("Vantor")}});
        if (!withAgent)
            return appPath;
        const QString agent = appPath + QStringLiteral("/Contents/Library/LoginItems/VantorAgent.app");
        FixtureBundle::write(agent,
            {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor.agent")},
                {QStringLiteral("CFBundleExecutable"), QStringLiteral("VantorAgent")}});
        const QString program = agent + QStringLiteral("/Contents/MacOS/VantorAgent");
        FixtureBundle::writeFile(program, "#!/bin/sh\n");
        QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
        return appPath;
    }
};

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

// The layers depend one way: the programs use the shared core and the platform layer, the shared
// core uses the platform layer, the platform layer uses none of them, and neither program uses the
// other. Project headers are included by their path from the repository root, so the first
// component of every quoted include names the layer it leans on, and the rule can be checked by
// reading the sources.
namespace {

const QStringList kLayers {QStringLiteral("Platform"), QStringLiteral("VantorShared"), QStringLiteral("VantorAgent"),
    QStringLiteral("Vantor")};

// What each layer may include besides itself.
bool mayInclude(const QString& from, const QString& to)
{
    if (from == to)
        return true;
    if (to == QLatin1String("Platform"))
        return from != QLatin1String("Platform");
    if (to == QLatin1String("VantorShared"))
        return from == QLatin1String("VantorAgent") || from == QLatin1String("Vantor");
    return false;
}

// Every quoted include under the four layer folders of `root` that breaks the rule, as
// "path:line: reason".
QStringList layeringViolations(const QString& root)
{
    static const QRegularExpression include(QStringLiteral(R"re(^\s*#\s*include\s*"([^"]+)")re"));
    QStringList violations;
    for (const QString& layer : kLayers) {
        QDirIterator it(root + QLatin1Char('/') + layer, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
                violations << QDir(root).relativeFilePath(path) + QStringLiteral(": cannot be read");
                continue;
            }
            int lineNumber = 0;
            while (!file.atEnd()) {
                const QString line = QString::fromUtf8(file.readLine());
                ++lineNumber;
                const auto match = include.match(line);
                if (!match.hasMatch())
                    continue;
                const QString target = match.captured(1);
                const QString place = QStringLiteral("%1:%2: ").arg(QDir(root).relativeFilePath(path)).arg(lineNumber);
                if (target.endsWith(QLatin1String(".moc")))
                    continue;
                const qsizetype slash = target.indexOf(QLatin1Char('/'));
                if (slash < 0) {
                    violations << place
                            + QStringLiteral("\"%1\" is not included by its path from the root").arg(target);
                    continue;
                }
                const QString targetLayer = target.left(slash);
                if (!kLayers.contains(targetLayer)) {
                    violations << place + QStringLiteral("%1 reaches outside the product (%2)").arg(layer, target);
                    continue;
                }
                if (!mayInclude(layer, targetLayer))
                    violations << place + QStringLiteral("%1 must not include %2 (%3)").arg(layer, targetLayer, target);
            }
        }
    }
    violations.sort();
    return violations;
}

TEST(Layering, EveryIncludePointsTheRightWay)
{
    const QStringList violations = layeringViolations(QStringLiteral(VANTOR_SOURCE_DIR));
    EXPECT_TRUE(violations.isEmpty()) << violations.join(QLatin1Char('\n')).toStdString();
}

TEST(Layering, PlantedViolationsAreNamedWithFileAndLine)
{
    const QStringList violations = layeringViolations(QStringLiteral(VANTOR_TEST_DATA "/layering/planted"));
    const QStringList expected {
        QStringLiteral("Platform/Kernel/Reader.cpp:2: Platform must not include VantorShared "
                       "(VantorShared/Settings/SharedSettings.h)"),
        QStringLiteral("Vantor/Pages/Page.cpp:2: \"Page.h\" is not included by its path from the root"),
        QStringLiteral("Vantor/Pages/Page.cpp:3: Vantor reaches outside the product (tests/support/FakeWorkspace.h)"),
        QStringLiteral("VantorAgent/Sampling/Monitor.h:3: VantorAgent must not include Vantor (Vantor/Pages/Page.h)"),
        QStringLiteral("VantorShared/Meters/Meter.cpp:3: VantorShared must not include VantorAgent "
                       "(VantorAgent/Sampling/SystemMonitor.h)"),
    };
    EXPECT_EQ(violations, expected) << violations.join(QLatin1Char('\n')).toStdString();
}

} // namespace

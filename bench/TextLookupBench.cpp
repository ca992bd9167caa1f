// The texts and units that meters and popovers build on every redraw: a translated lookup and
// the unit formats, each beside a baseline that does the least such work can do.
#include "Platform/Bundles/Bundle.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"

#include <QCoreApplication>
#include <QHash>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BaselineHashLookup(benchmark::State& state)
{
    const QHash<QString, QString> table {{QStringLiteral("Memory"), QStringLiteral("Speicher")}};
    const QString key = QStringLiteral("Memory");
    for (auto _ : state)
        benchmark::DoNotOptimize(table.value(key, key));
}
BENCHMARK(BaselineHashLookup);

void TranslatedString(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(AppLanguage::string(QStringLiteral("Memory")));
}
BENCHMARK(TranslatedString);

void BaselineNumberText(benchmark::State& state)
{
    double value = 45.26;
    for (auto _ : state) {
        benchmark::DoNotOptimize(QString::number(value, 'f', 1) + QStringLiteral(" °C"));
        value += 0.01;
    }
}
BENCHMARK(BaselineNumberText);

void Temperature(benchmark::State& state)
{
    double value = 45.26;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Units::temperature(value, 1));
        value += 0.01;
    }
}
BENCHMARK(Temperature);

void Rpm(benchmark::State& state)
{
    double value = 1200;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Units::rpm(value));
        value += 1;
    }
}
BENCHMARK(Rpm);

} // namespace

int main(int argc, char** argv)
{
    // A settings suite of its own, German texts from the built app.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "bench.text.lookup");
    qputenv("VANTOR_LANGUAGE", "de");
    QCoreApplication app(argc, argv);
    Bundle::setMainBundlePathForTesting(QCoreApplication::applicationDirPath() + QStringLiteral("/../Vantor.app"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The settings store on a large file: what opening the kept timers asks of
// it (the sections listed, each kept timer's keys read, its record written
// anew), against QSettings doing the same reads and writes on the same file.

#include "vlmGlobal.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kSections = 1000;
constexpr int kOpened = 15; // the kept timers open beside the first
constexpr int kKeys = 12;   // the keys a timer's window and record read

// About 10 MB of short lines, the hardest case for a reader that looks at
// each line: 1000 timer sections of a thousand keys each.
QByteArray LargeFile()
{
    QByteArray text = "[TIMER]\nSECONDS=90\n";
    for (int n = 2; n < kSections + 2; ++n) {
        text += "[TIMER-" + QByteArray::number(n) + "]\n";
        for (int k = 0; k < kKeys; ++k)
            text += "KEY" + QByteArray::number(k) + "=" + QByteArray::number(n * 100 + k) + "\n";
        for (int k = 0; k < 1000; ++k)
            text += "k" + QByteArray::number(k) + "=v" + QByteArray::number(k) + "\n";
    }
    return text;
}

struct TLargeSettings {
    TLargeSettings()
    {
        QFile file(dir.filePath("application.ini"));
        file.open(QIODevice::WriteOnly);
        file.write(LargeFile());
    }
    QString File() const { return dir.filePath("application.ini"); }
    QTemporaryDir dir;
};

QString Section(int n)
{
    return QStringLiteral("TIMER-%1").arg(n);
}

void SettingsOpenKept_pocosa(benchmark::State& state)
{
    const TLargeSettings settings;
    state.counters["MB"] = double(QFile(settings.File()).size()) / 1e6;
    for (auto _ : state) {
        TvlmGlobalSetup setup;
        setup.ProgramFile = settings.dir.filePath("pocosa");
        setup.FoundDataDir = settings.dir.path();
        TvlmGlobal global(setup);
        benchmark::DoNotOptimize(global.IniSections());
        for (int n = 2; n < 2 + kOpened; ++n) {
            std::vector<std::pair<QString, QString>> record;
            for (int k = 0; k < kKeys; ++k) {
                const QString key = QStringLiteral("KEY%1").arg(k);
                record.emplace_back(key, global.ReadIniString(Section(n), key, QString()) + QLatin1Char('1'));
            }
            global.WriteIniStrings(Section(n), record);
        }
    }
}

void SettingsOpenKept_reference(benchmark::State& state)
{
    const TLargeSettings settings;
    for (auto _ : state) {
        QSettings store(settings.File(), QSettings::IniFormat);
        benchmark::DoNotOptimize(store.childGroups());
        for (int n = 2; n < 2 + kOpened; ++n) {
            for (int k = 0; k < kKeys; ++k) {
                const QString key = Section(n) + QStringLiteral("/KEY%1").arg(k);
                store.setValue(key, store.value(key).toString() + QLatin1Char('1'));
            }
            store.sync();
        }
    }
}

} // namespace

BENCHMARK(SettingsOpenKept_pocosa)->Name("SettingsOpenKept_10MB/pocosa")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(SettingsOpenKept_reference)->Name("SettingsOpenKept_10MB/reference")->Unit(benchmark::kMillisecond)->Iterations(1);

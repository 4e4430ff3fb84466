// Resident memory of timer-sized picture windows: what each more window with
// the built-in picture costs, and what a window showing a 1920 x 1080 photo
// holds with the picture kept at the screen's size against at full size.

#include <benchmark/benchmark.h>

#include "BenchApplication.h"
#include "PngBenchImages.h"

#include "FuncGraphicWorkLoad.h"
#include "vlmFormFunc.h"
#include "vlmGlobal.h"
#include "vlmGraphicSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

double ResidentMiB()
{
    // Freed picture memory goes back to the system first, so that each
    // reading counts what is alive.
    malloc_trim(0);
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / kMiB;
}

// The program's environment and background history on a fresh program
// folder, as long as the benchmark runs.
struct Program {
    QTemporaryDir folder;
    std::optional<vlmGlobalUnit> env;
    std::optional<vlmGraphicSourceUnit> graphics;
    Program()
    {
        TvlmGlobalSetup setup;
        setup.ProgramFile = folder.filePath(QStringLiteral("pocosa"));
        env.emplace(setup);
        graphics.emplace();
    }
    ~Program()
    {
        graphics.reset();
        env.reset();
    }
};

// A borderless window shaped by its picture, shown and painted once: through
// the history (empty name: the built-in picture), or with the file decoded
// at full size and applied as it is.
std::unique_ptr<QWidget> OpenWindow(const QString& picture, bool fullSize)
{
    auto owner = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
    auto* func = new TvlmFormFunc(owner.get());
    func->SetBGrelocation(true);
    if (fullSize) {
        TBitmap full;
        LoadGraphicFromFile(full, picture);
        func->ApplyBackground(full, 0, 0);
    } else {
        func->SetBackground(picture);
    }
    owner->show();
    QCoreApplication::processEvents();
    return owner;
}

void WindowMemory_Builtin(benchmark::State& state)
{
    EnsureBenchApplication();
    Program program;
    OpenWindow(QString(), false).reset(); // what the first window loads for good (fonts, the resource)
    for (auto _ : state) {
        std::vector<std::unique_ptr<QWidget>> windows;
        const double before = ResidentMiB();
        windows.push_back(OpenWindow(QString(), false));
        const double one = ResidentMiB() - before;
        while (windows.size() < 10)
            windows.push_back(OpenWindow(QString(), false));
        const double ten = ResidentMiB() - before;
        state.counters["N1_MiB"] = one;
        state.counters["N10_MiB"] = ten;
        state.counters["per_extra_MiB"] = (ten - one) / 9;
    }
}

void WindowMemory_Photo1080(benchmark::State& state)
{
    EnsureBenchApplication();
    Program program;
    const QString file = program.folder.filePath(QStringLiteral("photo.png"));
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(pngbench::PhotoRgb1080()) <= 0) {
            state.SkipWithError("cannot write the photo");
            return;
        }
    }
    OpenWindow(QString(), false).reset();
    for (auto _ : state) {
        double before = ResidentMiB();
        auto window = OpenWindow(file, true);
        const double full = ResidentMiB() - before;
        window.reset();
        before = ResidentMiB();
        window = OpenWindow(file, false);
        const double capped = ResidentMiB() - before;
        const QSize shown = window->size();
        window.reset();
        state.counters["full_MiB"] = full;
        state.counters["capped_MiB"] = capped;
        state.counters["ratio"] = capped / full;
        state.counters["shown_w"] = shown.width();
        state.counters["shown_h"] = shown.height();
    }
    const QSize screen = QGuiApplication::primaryScreen()->size();
    state.SetLabel(QStringLiteral("screen %1 x %2").arg(screen.width()).arg(screen.height()).toStdString());
}

} // namespace

BENCHMARK(WindowMemory_Builtin)->Name("WindowMemory_Builtin")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(WindowMemory_Photo1080)->Name("WindowMemory_Photo1080")->Iterations(1)->Unit(benchmark::kMillisecond);

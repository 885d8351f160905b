// Reading and saving whole catalogues of 1,000 to 100,000 games.
#include "support/CatalogueGenerator.h"

#include "catalogue/CatalogueIO.h"
#include "catalogue/GameClasses.h"
#include "platform/Prompter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

class SilentPrompter : public Prompter
{
public:
    int messages = 0;
    void message(QObject *, const QString &, const QString &text, Icon) override
    {
        ++messages;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool question(QObject *, const QString &, const QString &) override { return false; }
    void showError(const QString &) override { ++messages; }
    QString openFile(QObject *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString saveFile(QObject *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    std::optional<QColor> chooseColor(QObject *, const QColor &) override { return {}; }
};

class BenchHost : public CatalogueHost
{
public:
    explicit BenchHost(const QString &dir)
        : m_dir(dir + u'/'), m_root(u"RootList"_s, QString(), m_dir + u"Kelvaro.ini"_s)
    {
        m_form.setObjectName(u"KVMainForm"_s);
    }
    TRootList &rootList() override { return m_root; }
    QString programDir() const override { return m_dir; }
    int autoSort() const override { return 0; }
    Prompter &prompter() override { return m_prompter; }
    QObject *mainForm() override { return &m_form; }
    QObject *addForm() override { return &m_form; }
    void rebuildCategoryBar() override {}
    void terminateApplication() override { failed = true; }

    bool failed = false;

private:
    QString m_dir;
    TRootList m_root;
    SilentPrompter m_prompter;
    QObject m_form;
};

// One generated catalogue per size, kept for the whole run.
struct Fixture
{
    QTemporaryDir dir;
    GeneratedCatalogue catalogue;
    // The first read of this catalogue in the process: it also pays for fresh memory.
    double firstReadMs = 0;
    double firstReadCpuMs = 0;
    double firstReadFaults = 0; // pages touched for the first time: slow on some machines
    double firstReadResidentMB = 0;
    double peakBeforeMB = 0;
    double peakAfterMB = 0;
};

Fixture &fixture(int games)
{
    static std::map<int, std::unique_ptr<Fixture>> fixtures;
    auto &slot = fixtures[games];
    if (!slot) {
        slot = std::make_unique<Fixture>();
        slot->catalogue = GenerateCatalogue(slot->dir.path(), games);
    }
    return *slot;
}

double residentMegabytes()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

rusage usageNow()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage;
}

double cpuMilliseconds(const rusage &usage)
{
    const auto ms = [](const timeval &t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Reads the catalogue once outside the timing, as the program does at start-up; the
// timed loop then measures the re-read that follows every change to the catalogue.
// Run one size alone (--benchmark_filter='BM_ReadGameLists/100000$') for the first
// read of a fresh process: an earlier size leaves memory behind that a later first
// read reuses.
void firstRead(Fixture &f, BenchHost &host)
{
    if (f.firstReadMs > 0)
        return;
    const double residentBefore = residentMegabytes();
    f.peakBeforeMB = peakMegabytes();
    const rusage before = usageNow();
    QElapsedTimer timer;
    timer.start();
    ReadGameLists(host);
    f.firstReadMs = double(timer.nsecsElapsed()) / 1e6;
    const rusage after = usageNow();
    f.firstReadCpuMs = cpuMilliseconds(after) - cpuMilliseconds(before);
    f.firstReadFaults = double(after.ru_minflt - before.ru_minflt);
    f.firstReadResidentMB = residentMegabytes() - residentBefore;
    f.peakAfterMB = peakMegabytes();
}

void BM_ReadGameLists(benchmark::State &state)
{
    const int games = int(state.range(0));
    Fixture &f = fixture(games);
    BenchHost host(f.dir.path());
    firstRead(f, host);

    for (auto _ : state) {
        ReadGameLists(host);
        benchmark::DoNotOptimize(host.rootList().Count());
    }
    if (host.failed) {
        state.SkipWithError("reading failed");
        return;
    }
    state.SetItemsProcessed(state.iterations() * games);
    state.SetComplexityN(games);
    state.counters["list_files"] = f.catalogue.listFiles;
    state.counters["file_MB"] = double(f.catalogue.bytes) / (1024.0 * 1024.0);
    state.counters["first_read_ms"] = f.firstReadMs;
    state.counters["first_read_cpu_ms"] = f.firstReadCpuMs;
    state.counters["first_read_faults"] = f.firstReadFaults;
    // Memory the read catalogue holds, and how far the first read raised the peak.
    state.counters["catalogue_MB"] = f.firstReadResidentMB;
    state.counters["peak_rss_MB"] = f.peakAfterMB;
    state.counters["peak_growth_MB"] = f.peakAfterMB - f.peakBeforeMB;
}

// Changes one entry of every list, so that every list file has to be written again.
void changeEveryList(TGameList &list, bool flip)
{
    if (list.Count() > 0) {
        TGameEntry &first = *list.Items(0);
        first.IconLocation = flip ? first.IconLocation + u'~' : first.IconLocation.chopped(1);
    }
    for (const auto &entry : list.Entries) {
        if (auto *category = dynamic_cast<TGameList *>(entry.get()))
            changeEveryList(*category, flip);
    }
}

// Saving the whole catalogue, as applying the editor's changes does. `changedLists`:
// every list changed since the last save (each file is written anew) or none (each
// file is only compared with what it already holds).
void saveAll(benchmark::State &state, bool changedLists)
{
    const int games = int(state.range(0));
    Fixture &f = fixture(games);
    BenchHost host(f.dir.path());
    ReadGameLists(host);
    if (host.failed) {
        state.SkipWithError("reading failed");
        return;
    }
    TRootList &root = host.rootList();
    root.SaveAll(host.programDir()); // the files as this program writes them
    bool flip = true;
    for (auto _ : state) {
        if (changedLists) {
            state.PauseTiming();
            changeEveryList(root, flip);
            flip = !flip;
            state.ResumeTiming();
        }
        root.SaveAll(host.programDir());
    }
    if (!flip)
        changeEveryList(root, false); // the next benchmark reads the catalogue as it was
    root.SaveAll(host.programDir());
    state.SetItemsProcessed(state.iterations() * games);
    state.SetComplexityN(games);
    state.counters["list_files"] = f.catalogue.listFiles;
}

void BM_SaveAll_Unchanged(benchmark::State &state)
{
    saveAll(state, false);
}

void BM_SaveAll_EveryListChanged(benchmark::State &state)
{
    saveAll(state, true);
}

} // namespace

BENCHMARK(BM_ReadGameLists)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_SaveAll_Unchanged)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_SaveAll_EveryListChanged)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

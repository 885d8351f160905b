// Icon extraction and LoadEntryIcons.
//
// Goals: one program file read without the cache (but from the page cache) in at most
// 200 us, from the cache in at most 5 us, and a re-read of 10,000 entries' icons
// (10,000 distinct program files) in at most 50 ms.
#include "catalogue/EntryIcon.h"
#include "catalogue/EntryIcons.h"
#include "platform/IconExtractor.h"

// The fixture writers of the tests; they need Qt Core and Gui only.
#include "../tests/support/IconFixtures.cpp"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace IconFixtures;

constexpr int EntryCount = 10000;

Image image(int side, int bitCount, bool alpha = false, bool png = false)
{
    Image i;
    i.width = i.height = side;
    i.bitCount = bitCount;
    i.alpha = alpha;
    i.png = png;
    i.color = QColor(30, 120, 200);
    return i;
}

QTemporaryDir &directory()
{
    static QTemporaryDir dir;
    return dir;
}

// A program like most games: one icon of several sizes and depths, and a second icon.
const QString &typicalProgram()
{
    static const QString path = [] {
        const QString p = directory().filePath(QStringLiteral("typical.exe"));
        writeFile(p, peFile({{QStringLiteral("MAINICON"),
                              0,
                              {image(256, 32, true, true), image(48, 32, true), image(32, 32, true),
                               image(16, 32, true), image(32, 8), image(16, 8), image(32, 4),
                               image(16, 4)}},
                             {QString(), 2, {image(32, 8), image(16, 4)}}}));
        return p;
    }();
    return path;
}

// 10,000 distinct programs, each with a 32-bit icon at both sizes. Their locations
// are relative to the directory, as in a list file.
const QStringList &catalogueLocations()
{
    static const QStringList locations = [] {
        QDir(directory().path()).mkdir(QStringLiteral("games"));
        QStringList result;
        for (int i = 0; i < EntryCount; ++i) {
            Image large = image(32, 32, true);
            large.color = distinctColor(i % 64);
            Image small = image(16, 32, true);
            small.color = large.color;
            const QString name = QStringLiteral("games/game%1.exe").arg(i);
            writeFile(directory().filePath(name), peFile({{QString(), 1, {large, small}}}));
            result.append(name + QStringLiteral(",0"));
        }
        return result;
    }();
    return locations;
}

struct Entry
{
    TIcon SmallIcon;
    TIcon LargeIcon;
};

void loadAll(std::vector<Entry> &entries, const IconContext &context)
{
    const QStringList &locations = catalogueLocations();
    for (int i = 0; i < EntryCount; ++i)
        LoadEntryIcons(locations.at(i), entries[i].SmallIcon, entries[i].LargeIcon, context);
}

void drawAll(const std::vector<Entry> &entries)
{
    for (const Entry &e : entries) {
        benchmark::DoNotOptimize(e.SmallIcon.image().constBits());
        benchmark::DoNotOptimize(e.LargeIcon.image().constBits());
    }
}

void BM_ExtractProgram_Uncached(benchmark::State &state)
{
    const QString &path = typicalProgram();
    for (auto _ : state)
        benchmark::DoNotOptimize(IconExtractor::extractIconUncached(path, 0));
}
BENCHMARK(BM_ExtractProgram_Uncached)->Unit(benchmark::kMicrosecond);

void BM_ExtractProgram_Cached(benchmark::State &state)
{
    const QString &path = typicalProgram();
    IconExtractor extractor;
    extractor.extractIcon(path, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(extractor.extractIcon(path, 0));
}
BENCHMARK(BM_ExtractProgram_Cached)->Unit(benchmark::kMicrosecond);

void BM_CountProgram_Uncached(benchmark::State &state)
{
    const QString &path = typicalProgram();
    for (auto _ : state)
        benchmark::DoNotOptimize(IconExtractor::countIconsUncached(path));
}
BENCHMARK(BM_CountProgram_Uncached)->Unit(benchmark::kMicrosecond);

// Loading the icons of 10,000 entries as a catalogue read does, with an empty cache.
// Nothing is decoded until a view draws an entry.
void BM_LoadEntryIcons10k_Cold(benchmark::State &state)
{
    catalogueLocations();
    std::vector<Entry> entries;
    for (auto _ : state) {
        state.PauseTiming();
        IconExtractor extractor;
        entries = std::vector<Entry>(EntryCount);
        const IconContext context{directory().path(), nullptr, nullptr, &extractor};
        state.ResumeTiming();
        loadAll(entries, context);
    }
    state.SetItemsProcessed(state.iterations() * EntryCount);
}
BENCHMARK(BM_LoadEntryIcons10k_Cold)->Unit(benchmark::kMillisecond);

// A re-read: the same entries loaded again after every icon had been drawn once.
void BM_LoadEntryIcons10k_Reread(benchmark::State &state)
{
    IconExtractor extractor;
    const IconContext context{directory().path(), nullptr, nullptr, &extractor};
    std::vector<Entry> entries(EntryCount);
    loadAll(entries, context);
    drawAll(entries);
    std::vector<Entry> fresh;
    for (auto _ : state) {
        state.PauseTiming();
        fresh = std::vector<Entry>(EntryCount);
        state.ResumeTiming();
        loadAll(fresh, context);
    }
    state.SetItemsProcessed(state.iterations() * EntryCount);
}
BENCHMARK(BM_LoadEntryIcons10k_Reread)->Unit(benchmark::kMillisecond);

// Loading and drawing every entry with an empty cache: 10,000 program files decoded.
void BM_LoadAndDraw10k_Cold(benchmark::State &state)
{
    catalogueLocations();
    std::vector<Entry> entries;
    for (auto _ : state) {
        state.PauseTiming();
        IconExtractor extractor;
        entries = std::vector<Entry>(EntryCount);
        const IconContext context{directory().path(), nullptr, nullptr, &extractor};
        state.ResumeTiming();
        loadAll(entries, context);
        drawAll(entries);
    }
    state.SetItemsProcessed(state.iterations() * EntryCount);
}
BENCHMARK(BM_LoadAndDraw10k_Cold)->Unit(benchmark::kMillisecond)->Iterations(3);

// A re-read with every entry drawn again: all 10,000 answers come from the cache.
void BM_LoadAndDraw10k_Reread(benchmark::State &state)
{
    IconExtractor extractor;
    const IconContext context{directory().path(), nullptr, nullptr, &extractor};
    std::vector<Entry> warm(EntryCount);
    loadAll(warm, context);
    drawAll(warm);
    std::vector<Entry> entries;
    for (auto _ : state) {
        state.PauseTiming();
        entries = std::vector<Entry>(EntryCount);
        state.ResumeTiming();
        loadAll(entries, context);
        drawAll(entries);
    }
    state.SetItemsProcessed(state.iterations() * EntryCount);
}
BENCHMARK(BM_LoadAndDraw10k_Reread)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Objects from libraries: reading the class metadata of 50 libraries (copies of
// a test library whose code aborts the process if it ever runs), and creating
// an object by ProgID once its library is loaded, through the registry and
// through the components/ folder. Goals: 50 libraries under 50 ms; one object
// by ProgID under 20 µs.
#include "platform/appinfo.h"
#include "platform/classmeta.h"
#include "platform/modcreateobj.h"
#include "platform/objectfactory.h"
#include "platform/registration.h"
#include "platform/registrystore.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <string>

namespace {

constexpr int kLibraries = 50;
constexpr double kMetadataGoalMs = 50;
constexpr double kCreateGoalUs = 20;

const QString kLibs = QStringLiteral(ZENLO_TEST_LIBS_DIR);

double g_bestMetadataMs = std::numeric_limits<double>::max();
std::map<std::string, double> g_createUs; // benchmark -> mean µs per object

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

void BM_ReadMetadata50(benchmark::State &state)
{
    const QString dir = folder().filePath(QStringLiteral("many"));
    QDir().mkpath(dir);
    QStringList paths;
    for (int i = 0; i < kLibraries; ++i) {
        const QString p = dir + QStringLiteral("/lib%1.so").arg(i);
        if (!QFile::exists(p) && !QFile::copy(kLibs + QStringLiteral("/zt_tripwire.so"), p)) {
            state.SkipWithError("cannot copy the test library");
            return;
        }
        paths.append(p);
    }
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        int classes = 0;
        for (const QString &p : std::as_const(paths)) {
            objects::LibraryMeta meta;
            if (!objects::readClassMetadata(p, &meta)) {
                state.SkipWithError("metadata not read");
                return;
            }
            classes += int(meta.classes.size());
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        g_bestMetadataMs = std::min(g_bestMetadataMs, seconds * 1000);
        benchmark::DoNotOptimize(classes);
    }
}
BENCHMARK(BM_ReadMetadata50)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Creates and deletes objects of the class; the first one (which loads the
// library) is not measured. Keeps the mean time per object under name.
void createLoop(benchmark::State &state, const QString &progId, const char *name)
{
    QString reason;
    QObject *first = objects::createObject(progId, nullptr, &reason);
    if (!first) {
        state.SkipWithError(qPrintable(reason));
        return;
    }
    delete first;
    QElapsedTimer timer;
    timer.start();
    for (auto _ : state)
        delete objects::createObject(progId);
    if (state.iterations() > 0)
        g_createUs[name] = timer.nsecsElapsed() / 1e3 / double(state.iterations());
}

void BM_CreateRegistered(benchmark::State &state)
{
    qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(folder().filePath(QStringLiteral("registry"))));
    const QString lib = folder().filePath(QStringLiteral("registered.so"));
    QFile::copy(kLibs + QStringLiteral("/zt_pair.so"), lib);
    QString reason;
    if (!objects::registerLibrary(lib, &reason)) {
        state.SkipWithError(qPrintable(reason));
        return;
    }
    createLoop(state, QStringLiteral("ZenTest.Alpha"), "registered");
    objects::unregisterLibrary(lib);
}
BENCHMARK(BM_CreateRegistered)->Unit(benchmark::kMicrosecond);

void BM_CreateFromComponents(benchmark::State &state)
{
    qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(folder().filePath(QStringLiteral("registry"))));
    const QString program = folder().filePath(QStringLiteral("program"));
    QDir().mkpath(program + QStringLiteral("/components"));
    QFile::copy(kLibs + QStringLiteral("/zt_pair.so"), program + QStringLiteral("/components/zt_pair.so"));
    appinfo::setProgramFolder(program);
    createLoop(state, QStringLiteral("ZenTest.Beta"), "components/");
}
BENCHMARK(BM_CreateFromComponents)->Unit(benchmark::kMicrosecond);

// For comparison, no goal: CreateFromDll reads the metadata on every call.
void BM_CreateFromDll(benchmark::State &state)
{
    const QString lib = folder().filePath(QStringLiteral("fromdll.so"));
    QFile::copy(kLibs + QStringLiteral("/zt_pair.so"), lib);
    for (auto _ : state)
        delete modCreateObj::CreateFromDll(lib, QStringLiteral("alpha"));
}
BENCHMARK(BM_CreateFromDll)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_bestMetadataMs < std::numeric_limits<double>::max())
        std::printf("class metadata of %d libraries (no library code run): %.2f ms; goal: under %.0f ms -> %s\n",
                    kLibraries, g_bestMetadataMs, kMetadataGoalMs,
                    g_bestMetadataMs < kMetadataGoalMs ? "met" : "MISSED");
    for (const auto &[name, us] : g_createUs)
        std::printf("object by ProgID (%s, library loaded): %.2f us; goal: under %.0f us -> %s\n", name.c_str(), us,
                    kCreateGoalUs, us < kCreateGoalUs ? "met" : "MISSED");
    registry::closeAllHives();
    return 0;
}

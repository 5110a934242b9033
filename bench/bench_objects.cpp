// Objects from libraries: reading the class metadata of 50 libraries (copies of
// a test library whose code aborts the process if it ever runs), and creating
// an object by ProgID once its library is loaded, through the registry and
// through the components/ folder. Goals: 50 libraries under 50 ms (median of
// 20 rounds); one object by ProgID under 20 µs (median of 30 batches of 1,000;
// the p95 is printed beside each median).
// Ends with one verdict line and exits 1 when a goal is missed; --quick (or
// ZENLO_BENCH_QUICK=1) reads 10 libraries, creates a few batches of 100 and
// judges no timing.
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

#include <map>
#include <string>
#include <vector>

#include "benchsupport.h"

namespace {

using benchsupport::percentile;
using benchsupport::say;

constexpr double kMetadataGoalMs = 50;
constexpr double kCreateGoalUs = 20;

const QString kLibs = QStringLiteral(ZENLO_TEST_LIBS_DIR);

int g_libraries = 50;
int g_batch = 1000; // objects created per timed batch
std::vector<double> g_metadataMs;
std::map<std::string, std::vector<double>> g_createUs; // benchmark -> µs per object, one per batch
std::vector<std::string> g_setupErrors;

void skip(benchmark::State &state, const QString &why)
{
    g_setupErrors.push_back(why.toStdString());
    state.SkipWithError(qPrintable(why));
}

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
    for (int i = 0; i < g_libraries; ++i) {
        const QString p = dir + QStringLiteral("/lib%1.so").arg(i);
        if (!QFile::exists(p) && !QFile::copy(kLibs + QStringLiteral("/zt_tripwire.so"), p)) {
            skip(state, QStringLiteral("cannot copy the test library"));
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
                skip(state, QStringLiteral("metadata not read from ") + p);
                return;
            }
            classes += int(meta.classes.size());
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        g_metadataMs.push_back(seconds * 1000);
        benchmark::DoNotOptimize(classes);
    }
    say("class metadata of %d libraries: %.2f ms median, p95 %.2f ms (%zu rounds)\n", g_libraries,
        percentile(g_metadataMs, 0.5), percentile(g_metadataMs, 0.95), g_metadataMs.size());
}

// Creates and deletes objects of the class in timed batches; the first one
// (which loads the library) is not measured. Keeps each batch's time per
// object under name; the table shows µs per object.
void createLoop(benchmark::State &state, const QString &progId, const char *name)
{
    QString reason;
    QObject *first = objects::createObject(progId, nullptr, &reason);
    if (!first) {
        skip(state, progId + QStringLiteral(": ") + reason);
        return;
    }
    delete first;
    std::vector<double> &samples = g_createUs[name];
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < g_batch; ++i)
            delete objects::createObject(progId);
        const double perObject = double(timer.nsecsElapsed()) / 1e9 / g_batch;
        state.SetIterationTime(perObject);
        samples.push_back(perObject * 1e6);
    }
    say("object by ProgID (%s): %.2f us median, p95 %.2f us (%zu batches of %d)\n", name, percentile(samples, 0.5),
        percentile(samples, 0.95), samples.size(), g_batch);
}

void BM_CreateRegistered(benchmark::State &state)
{
    qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(folder().filePath(QStringLiteral("registry"))));
    const QString lib = folder().filePath(QStringLiteral("registered.so"));
    QFile::copy(kLibs + QStringLiteral("/zt_pair.so"), lib);
    QString reason;
    if (!objects::registerLibrary(lib, &reason)) {
        skip(state, reason);
        return;
    }
    createLoop(state, QStringLiteral("ZenTest.Alpha"), "registered");
    objects::unregisterLibrary(lib);
}

void BM_CreateFromComponents(benchmark::State &state)
{
    qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(folder().filePath(QStringLiteral("registry"))));
    const QString program = folder().filePath(QStringLiteral("program"));
    QDir().mkpath(program + QStringLiteral("/components"));
    QFile::copy(kLibs + QStringLiteral("/zt_pair.so"), program + QStringLiteral("/components/zt_pair.so"));
    appinfo::setProgramFolder(program);
    createLoop(state, QStringLiteral("ZenTest.Beta"), "components/");
}

// For comparison, no goal: CreateFromDll reads the metadata on every call.
void BM_CreateFromDll(benchmark::State &state)
{
    const QString lib = folder().filePath(QStringLiteral("fromdll.so"));
    QFile::copy(kLibs + QStringLiteral("/zt_pair.so"), lib);
    for (auto _ : state)
        delete modCreateObj::CreateFromDll(lib, QStringLiteral("alpha"));
}

} // namespace

int main(int argc, char **argv)
{
    const bool quick = benchsupport::quickRun(argc, argv);
    benchsupport::Verdict verdict(quick);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (quick) {
        g_libraries = 10;
        g_batch = 100;
    }
    say("goals: class metadata of %d libraries under %.0f ms, one object by ProgID under %.0f us (medians)\n", g_libraries,
        kMetadataGoalMs, kCreateGoalUs);
    const int rounds = quick ? 3 : 20, batches = quick ? 3 : 30;
    benchmark::RegisterBenchmark("BM_ReadMetadata50", BM_ReadMetadata50)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(rounds);
    benchmark::RegisterBenchmark("BM_CreateRegistered", BM_CreateRegistered)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(batches);
    benchmark::RegisterBenchmark("BM_CreateFromComponents", BM_CreateFromComponents)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(batches);
    auto *fromDll = benchmark::RegisterBenchmark("BM_CreateFromDll", BM_CreateFromDll)->Unit(benchmark::kMicrosecond);
    if (quick)
        fromDll->Iterations(20);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    registry::closeAllHives();

    for (const std::string &e : g_setupErrors)
        verdict.broken(e);
    if (g_metadataMs.empty() || g_createUs.size() != 2)
        verdict.broken("a benchmark measured nothing");
    if (verdict.isBroken())
        return verdict.finish({});
    const double metadata = percentile(g_metadataMs, 0.5);
    say("class metadata of %d libraries (no library code run): %.2f ms median, p95 %.2f ms; goal: under %.0f ms -> %s\n",
        g_libraries, metadata, percentile(g_metadataMs, 0.95), kMetadataGoalMs,
        verdict.goal(benchsupport::format("class metadata %.2f ms (goal < %.0f)", metadata, kMetadataGoalMs), metadata < kMetadataGoalMs));
    for (const auto &[name, samples] : g_createUs) {
        const double us = percentile(samples, 0.5);
        say("object by ProgID (%s, library loaded): %.2f us median, p95 %.2f us; goal: under %.0f us -> %s\n", name.c_str(),
            us, percentile(samples, 0.95), kCreateGoalUs, verdict.goal(benchsupport::format("object by ProgID (%s) %.2f us (goal < %.0f)", name.c_str(), us, kCreateGoalUs), us < kCreateGoalUs));
    }
    return verdict.finish("class metadata and objects by ProgID within their goals");
}

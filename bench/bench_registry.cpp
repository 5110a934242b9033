// Export to REGEDIT4 and import back a key tree of 10,000 values (strings,
// binaries and DWORDs over 20 subkeys), in a registry of its own.
// Reports the median and p95 of five rounds; each round's import is checked
// against the tree as built (names, types and data of every value under every
// key). Goal: export + import under 0.5 s (median).
// Ends with one verdict line and exits 1 when the goal is missed or the tree
// did not come back whole; --quick (or ZENLO_BENCH_QUICK=1) runs two rounds
// over 1,000 values and judges no timing.
#include "platform/registrystore.h"
#include "util/clsregistryaccess.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <string>
#include <vector>

#include "benchsupport.h"

namespace {

using benchsupport::percentile;
using benchsupport::say;

int g_values = 10000; // 1,000 in a quick run
constexpr int kSubkeys = 20;
constexpr double kGoalSeconds = 0.5;
const QString kRoot = QStringLiteral("HKCU\\Software\\ZenloBench");

std::vector<double> g_export, g_import, g_total;
bool g_treeDiffered = false;
std::string g_setupError;

// Every key below the root, with its values (name, type, data), in a form that
// compares whole. Sorted: an import writes a key's values by kind (strings,
// binaries, DWORDs), not in the order they were first written.
QStringList snapshot(const QString &path)
{
    using namespace registry;
    QString sub;
    const HKEY root = clsRegistryAccess::ParseKeyPath(path, &sub);
    QStringList out;
    HKEY key = 0;
    if (openKey(root, sub, KeyRead, &key) != Success)
        return {QStringLiteral("<missing> ") + path};
    QString name;
    uint32_t type = 0;
    QByteArray data;
    for (uint32_t i = 0; enumValue(key, i, &name, &type, &data) == Success; ++i)
        out << path + QStringLiteral(" | ") + name + QStringLiteral(" | ") + QString::number(type) + QStringLiteral(" | ")
                + QString::fromLatin1(data.toHex());
    QStringList children;
    for (uint32_t i = 0; enumKey(key, i, &name) == Success; ++i)
        children << name;
    closeKey(key);
    for (const QString &c : std::as_const(children))
        out << snapshot(path + QLatin1Char('\\') + c);
    out.sort();
    return out;
}

bool buildTree()
{
    using namespace registry;
    for (int k = 0; k < kSubkeys; ++k) {
        HKEY key = 0;
        if (createKey(HKEY_CURRENT_USER, QStringLiteral("Software\\ZenloBench\\Group%1").arg(k), KeyAllAccess, &key)
            != Success)
            return false;
        for (int i = k; i < g_values; i += kSubkeys) {
            int32_t st = Success;
            switch (i % 3) {
            case 0:
                st = setValue(key, QStringLiteral("Text%1").arg(i), RegSz,
                              stringData(QStringLiteral("设置 value number %1 of the benchmark tree").arg(i)));
                break;
            case 1: {
                QByteArray bytes(24, '\0');
                for (int b = 0; b < bytes.size(); ++b)
                    bytes[b] = char((i * 7 + b) & 0xFF);
                st = setValue(key, QStringLiteral("Blob%1").arg(i), RegBinary, bytes);
                break;
            }
            default:
                st = setValue(key, QStringLiteral("Number%1").arg(i), RegDword, dwordData(uint32_t(i) * 2654435761u));
                break;
            }
            if (st != Success)
                return false;
        }
        closeKey(key);
    }
    return true;
}

void killTree(const QString &path)
{
    clsRegistryAccess r;
    QStringList keys;
    r.EnumKeys(path, keys);
    for (const QString &k : keys)
        killTree(path + QLatin1Char('\\') + k);
    r.KillKey(path);
}

void BM_ExportImport10000(benchmark::State &state)
{
    QTemporaryDir dir;
    qputenv("ZENLO_REGISTRY_DIR", QFile::encodeName(dir.filePath(QStringLiteral("registry"))));
    if (!buildTree()) {
        g_setupError = "cannot build the tree";
        state.SkipWithError("cannot build the tree");
        return;
    }
    const QStringList built = snapshot(kRoot);
    int round = 0;
    for (auto _ : state) {
        const QString file = dir.filePath(QStringLiteral("tree%1.reg").arg(round++));
        clsRegistryAccess reg;
        QElapsedTimer timer;
        timer.start();
        if (!reg.ExportToReg(kRoot, file)) {
            g_setupError = "export: " + reg.lastError().toStdString();
            state.SkipWithError(qPrintable(reg.lastError()));
            break;
        }
        const double exportSeconds = timer.nsecsElapsed() / 1e9;

        killTree(kRoot); // not measured: the import restores a deleted tree

        timer.restart();
        if (!reg.ImportFromReg(file)) {
            g_setupError = "import: " + reg.lastError().toStdString();
            state.SkipWithError(qPrintable(reg.lastError()));
            break;
        }
        const double importSeconds = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(exportSeconds + importSeconds);
        g_export.push_back(exportSeconds);
        g_import.push_back(importSeconds);
        g_total.push_back(exportSeconds + importSeconds);
        say("round %d: export %.3f s, import %.3f s\n", round, exportSeconds, importSeconds);

        state.PauseTiming();
        const QStringList imported = snapshot(kRoot);
        state.ResumeTiming();
        if (imported != built) {
            g_treeDiffered = true;
            for (qsizetype i = 0; i < std::max(imported.size(), built.size()); ++i)
                if (imported.value(i) != built.value(i)) {
                    say("first difference: built \"%s\", imported \"%s\"\n", qPrintable(built.value(i)), qPrintable(imported.value(i)));
                    break;
                }
            state.SkipWithError("the imported tree differs from the exported one");
            break;
        }
    }
    state.counters["values"] = g_values;
    registry::closeAllHives();
}

} // namespace

int main(int argc, char **argv)
{
    const bool quick = benchsupport::quickRun(argc, argv);
    benchsupport::Verdict verdict(quick);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (quick)
        g_values = 1000;
    say("goal: export + import of %d values under %g s (median), the tree back whole every round\n", g_values, kGoalSeconds);
    benchmark::RegisterBenchmark("BM_ExportImport", BM_ExportImport10000)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(quick ? 2 : 5);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_treeDiffered)
        verdict.broken("the imported tree differs from the exported one");
    else if (!g_setupError.empty())
        verdict.broken(g_setupError);
    else if (g_total.empty())
        verdict.broken("no round measured");
    if (verdict.isBroken())
        return verdict.finish({});
    const double total = percentile(g_total, 0.5);
    say("export + import of %d values: %.3f s median, p95 %.3f s over %zu rounds (export %.3f s, import %.3f s; the tree "
        "came back whole); goal: under %g s -> %s\n",
        g_values, total, percentile(g_total, 0.95), g_total.size(), percentile(g_export, 0.5), percentile(g_import, 0.5),
        kGoalSeconds, verdict.goal(benchsupport::format("export + import %.3f s (goal < %g)", total, kGoalSeconds), total < kGoalSeconds));
    return verdict.finish(benchsupport::format("export + import of %d values in %.3f s, the tree back whole", g_values, total));
}

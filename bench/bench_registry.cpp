// Export to REGEDIT4 and import back a key tree of 10,000 values (strings,
// binaries and DWORDs over 20 subkeys), in a registry of its own.
// Goal: export + import under 0.5 s.
#include "platform/registrystore.h"
#include "util/clsregistryaccess.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

constexpr int kValues = 10000;
constexpr int kSubkeys = 20;
constexpr double kGoalSeconds = 0.5;
const QString kRoot = QStringLiteral("HKCU\\Software\\ZenloBench");

double g_bestExport = std::numeric_limits<double>::max();
double g_bestImport = std::numeric_limits<double>::max();
double g_bestTotal = std::numeric_limits<double>::max();

bool buildTree()
{
    using namespace registry;
    for (int k = 0; k < kSubkeys; ++k) {
        HKEY key = 0;
        if (createKey(HKEY_CURRENT_USER, QStringLiteral("Software\\ZenloBench\\Group%1").arg(k), KeyAllAccess, &key)
            != Success)
            return false;
        for (int i = k; i < kValues; i += kSubkeys) {
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
        state.SkipWithError("cannot build the tree");
        return;
    }
    int round = 0;
    for (auto _ : state) {
        const QString file = dir.filePath(QStringLiteral("tree%1.reg").arg(round++));
        clsRegistryAccess reg;
        QElapsedTimer timer;
        timer.start();
        if (!reg.ExportToReg(kRoot, file)) {
            state.SkipWithError(qPrintable(reg.lastError()));
            break;
        }
        const double exportSeconds = timer.nsecsElapsed() / 1e9;

        killTree(kRoot); // not measured: the import restores a deleted tree

        timer.restart();
        if (!reg.ImportFromReg(file)) {
            state.SkipWithError(qPrintable(reg.lastError()));
            break;
        }
        const double importSeconds = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(exportSeconds + importSeconds);
        g_bestExport = std::min(g_bestExport, exportSeconds);
        g_bestImport = std::min(g_bestImport, importSeconds);
        g_bestTotal = std::min(g_bestTotal, exportSeconds + importSeconds);
    }
    state.counters["values"] = kValues;
    registry::closeAllHives();
}
BENCHMARK(BM_ExportImport10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_bestTotal < std::numeric_limits<double>::max()) {
        std::printf("export + import of %d values: %.3f s (export %.3f s, import %.3f s); goal: under %.1f s -> %s\n",
                    kValues, g_bestTotal, g_bestExport, g_bestImport, kGoalSeconds,
                    g_bestTotal < kGoalSeconds ? "met" : "MISSED");
    }
    return 0;
}

// Throughput of our Base64 decoder against Qt's on the same 10 MB text, both
// measured in this one run, 30 decodes each: the median and p95 decode time of
// each, and the ratio of the median throughputs.
// Goal: b64::DecodeBytes at least as fast as QByteArray::fromBase64 (ratio of
// the median throughputs at least 1.0).
// Ends with one verdict line and exits 1 when the goal is missed; --quick (or
// ZENLO_BENCH_QUICK=1) decodes 1 MB three times and judges no timing.
#include "util/b64.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <vector>

#include "benchsupport.h"

namespace {

using benchsupport::percentile;
using benchsupport::say;

constexpr double kGoalRatio = 1.0;

qsizetype g_rawBytes = 7864320; // 7.5 MB of random bytes give 10 MB of Base64 without padding or line breaks
std::vector<double> g_oursMs, g_qtMs;

const QByteArray &input()
{
    static const QByteArray text = [] {
        QByteArray raw(g_rawBytes, '\0');
        QRandomGenerator rng(42);
        rng.fillRange(reinterpret_cast<quint32 *>(raw.data()), raw.size() / 4);
        return raw.toBase64();
    }();
    return text;
}

// Each decode timed alone; the table shows their mean, the lines below the median and p95.
template<typename Decode>
void decodeLoop(benchmark::State &state, std::vector<double> *samples, const char *name, Decode decode)
{
    const QByteArray &text = input();
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        QByteArray out = decode(text);
        benchmark::DoNotOptimize(out.data());
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        samples->push_back(seconds * 1000);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
    const double mb = double(text.size()) / 1e6;
    say("%s: %.2f ms median (%.1f MB/s), p95 %.2f ms, %zu decodes of %.1f MB\n", name, percentile(*samples, 0.5),
        mb / (percentile(*samples, 0.5) / 1000), percentile(*samples, 0.95), samples->size(), mb);
}

void BM_b64_DecodeBytes(benchmark::State &state)
{
    decodeLoop(state, &g_oursMs, "b64::DecodeBytes", [](const QByteArray &text) { return b64::DecodeBytes(QByteArrayView(text)); });
}

void BM_Qt_fromBase64(benchmark::State &state)
{
    decodeLoop(state, &g_qtMs, "QByteArray::fromBase64", [](const QByteArray &text) { return QByteArray::fromBase64(text); });
}

} // namespace

int main(int argc, char **argv)
{
    const bool quick = benchsupport::quickRun(argc, argv);
    benchsupport::Verdict verdict(quick);
    if (quick)
        g_rawBytes = 786432;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    say("goal: b64::DecodeBytes throughput at least %.1f x QByteArray::fromBase64's (medians)\n", kGoalRatio);

    // The comparison only means something when both decoders read the text alike.
    if (b64::DecodeBytes(QByteArrayView(input())) != QByteArray::fromBase64(input())) {
        verdict.broken("b64::DecodeBytes and QByteArray::fromBase64 disagree on the input");
        return verdict.finish({});
    }

    const int rounds = quick ? 3 : 30;
    benchmark::RegisterBenchmark("BM_b64_DecodeBytes", BM_b64_DecodeBytes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(rounds);
    benchmark::RegisterBenchmark("BM_Qt_fromBase64", BM_Qt_fromBase64)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(rounds);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (g_oursMs.empty() || g_qtMs.empty()) {
        verdict.broken("a decoder was not measured");
        return verdict.finish({});
    }
    // Same text for both: the ratio of throughputs is the inverse ratio of the times.
    const double ratio = percentile(g_qtMs, 0.5) / percentile(g_oursMs, 0.5);
    say("ratio b64::DecodeBytes / QByteArray::fromBase64 throughput (medians): %.2f (goal: at least %.1f) -> %s\n", ratio,
        kGoalRatio, verdict.goal(benchsupport::format("throughput ratio %.2f (goal at least %.1f)", ratio, kGoalRatio), ratio >= kGoalRatio));
    return verdict.finish(benchsupport::format("b64::DecodeBytes at %.2f x QByteArray::fromBase64's throughput", ratio));
}

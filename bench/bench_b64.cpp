// Throughput of our Base64 decoder against Qt's on the same 10 MB text, both
// measured in this one run; the ratio of the two is printed at the end.
#include "util/b64.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include <unistd.h>

namespace {

const QByteArray &input()
{
    static const QByteArray text = [] {
        // 7.5 MB of random bytes give 10 MB of Base64 without padding or line breaks.
        QByteArray raw(7864320, '\0');
        QRandomGenerator rng(42);
        rng.fillRange(reinterpret_cast<quint32 *>(raw.data()), raw.size() / 4);
        return raw.toBase64();
    }();
    return text;
}

void BM_b64_DecodeBytes(benchmark::State &state)
{
    const QByteArray &text = input();
    for (auto _ : state) {
        QByteArray out = b64::DecodeBytes(QByteArrayView(text));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_b64_DecodeBytes)->Unit(benchmark::kMillisecond);

void BM_Qt_fromBase64(benchmark::State &state)
{
    const QByteArray &text = input();
    for (auto _ : state) {
        QByteArray out = QByteArray::fromBase64(text);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_Qt_fromBase64)->Unit(benchmark::kMillisecond);

// Remembers each benchmark's throughput (the median when repeated) while the
// console shows the usual table.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> bytesPerSecond;

    // Colours only on a terminal, so a saved log stays readable.
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (aggregate && run.aggregate_name != "median")
                continue;
            const auto it = run.counters.find("bytes_per_second");
            if (it == run.counters.end())
                continue;
            const std::string name = run.run_name.function_name;
            if (aggregate || !bytesPerSecond.count(name + "/median"))
                bytesPerSecond[name] = it->second.value;
            if (aggregate)
                bytesPerSecond[name + "/median"] = it->second.value;
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    // The comparison only means something when both decoders read the text alike.
    if (b64::DecodeBytes(QByteArrayView(input())) != QByteArray::fromBase64(input())) {
        std::fprintf(stderr, "b64::DecodeBytes and QByteArray::fromBase64 disagree on the input\n");
        return 1;
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto ours = reporter.bytesPerSecond.find("BM_b64_DecodeBytes");
    const auto qt = reporter.bytesPerSecond.find("BM_Qt_fromBase64");
    if (ours != reporter.bytesPerSecond.end() && qt != reporter.bytesPerSecond.end() && qt->second > 0) {
        std::printf("b64::DecodeBytes %.1f MB/s, QByteArray::fromBase64 %.1f MB/s\n", ours->second / 1e6, qt->second / 1e6);
        std::printf("ratio b64::DecodeBytes / QByteArray::fromBase64 throughput: %.2f (goal: at least 1.0)\n",
                    ours->second / qt->second);
    }
    return 0;
}

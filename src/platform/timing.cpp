#include "platform/timing.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <ctime>
#include <mutex>
#include <unistd.h>

namespace timing {

namespace {

// The process start in CLOCK_BOOTTIME milliseconds (from /proc/self/stat), or the first call.
double startMs()
{
    static const double start = [] {
        QFile f(QStringLiteral("/proc/self/stat"));
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray stat = f.readAll();
            const qsizetype close = stat.lastIndexOf(')');
            if (close > 0) {
                const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
                // Field 22 of the file (starttime) is index 19 after "pid (comm) ".
                if (fields.size() > 19) {
                    bool ok = false;
                    const double ticks = fields.at(19).toDouble(&ok);
                    const long hz = sysconf(_SC_CLK_TCK);
                    if (ok && hz > 0)
                        return ticks * 1000.0 / double(hz);
                }
            }
        }
        timespec ts{};
        clock_gettime(CLOCK_BOOTTIME, &ts);
        return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
    }();
    return start;
}

} // namespace

bool enabled()
{
    static const bool on = qgetenv("ZENLO_TIMINGS") == "1";
    return on;
}

double sinceProcessStart()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6 - startMs();
}

namespace {
std::mutex g_marksMutex;
std::vector<Milestone> g_marks;
} // namespace

void mark(const char *name)
{
    {
        std::lock_guard<std::mutex> lock(g_marksMutex);
        g_marks.push_back({name, sinceProcessStart()});
    }
    if (!enabled())
        return;
    std::fprintf(stderr, "timing %s %.1f\n", name, sinceProcessStart());
    std::fflush(stderr);
}

std::vector<Milestone> milestones()
{
    std::lock_guard<std::mutex> lock(g_marksMutex);
    return g_marks;
}

} // namespace timing

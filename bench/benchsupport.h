#pragma once
// What the benchmarks share: percentiles, resident memory, lines printed at
// once, the quick mode and the verdict line. Qt Core only, so that the bare
// window of bench_startup can use it without any library of ours (the message
// service that answers by itself is in quietui.h).
#include <QCoreApplication>
#include <QFile>
#include <QList>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace benchsupport {

// The p-th fraction (0.5 the median, 0.95 the p95) of the samples, nearest rank.
inline double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// Resident memory once the allocator has handed freed pages back to the system,
// so that what is measured is what is still in use.
inline long residentKiB()
{
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// The resident memory that is the process's own (RssAnon): without the pages of the files it
// maps (libraries, fonts), which are the system's file cache, shared and dropped first under
// pressure (what Windows shows as the private working set).
inline long privateKiB()
{
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("RssAnon:"))
            return line.mid(8).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Every line as soon as it is measured.
template<typename... Args>
void say(const char *format, Args... args)
{
    std::printf(format, args...);
    std::fflush(stdout);
}

// printf into a string (a goal's name with its figure).
template<typename... Args>
std::string format(const char *fmt, Args... args)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, fmt, args...);
    return buffer;
}

// The short mode of the smoke run: "--quick" on the command line (taken out
// of argv, so that the parsers after this one do not see it) or
// ZENLO_BENCH_QUICK=1 in the environment.
inline bool quickRun(int &argc, char **argv)
{
    bool quick = qEnvironmentVariableIntValue("ZENLO_BENCH_QUICK") != 0;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return quick;
}

// The goals of one run and its last line. A full run fails when a goal is
// missed; every run, quick or full, fails when its set-up or a check of what
// it measured broke.
class Verdict
{
public:
    explicit Verdict(bool quick) : m_quick(quick) {}

    bool quick() const { return m_quick; }

    // Records a goal of a full run and returns what to print beside its figure.
    const char *goal(const std::string &name, bool met)
    {
        if (m_quick)
            return "not judged";
        if (!met)
            m_missed.push_back(name);
        return met ? "met" : "MISSED";
    }

    // A set-up step or a check that failed; printed at once.
    void broken(const std::string &what)
    {
        say("broken: %s\n", what.c_str());
        m_broken.push_back(what);
    }
    bool isBroken() const { return !m_broken.empty(); }

    // Prints the verdict line; returns the exit code.
    int finish(const std::string &passSummary) const
    {
        if (!m_broken.empty()) {
            say("VERDICT: FAIL %s%s\n", m_quick ? "quick run: " : "", join(m_broken).c_str());
            return 1;
        }
        if (m_quick) {
            say("VERDICT: PASS quick run (timings not judged)\n");
            return 0;
        }
        if (!m_missed.empty()) {
            say("VERDICT: FAIL missed: %s\n", join(m_missed).c_str());
            return 1;
        }
        say("VERDICT: PASS %s\n", passSummary.c_str());
        return 0;
    }

private:
    static std::string join(const std::vector<std::string> &parts)
    {
        std::string out;
        for (const std::string &p : parts)
            out += (out.empty() ? "" : "; ") + p;
        return out;
    }

    bool m_quick;
    std::vector<std::string> m_missed;
    std::vector<std::string> m_broken;
};

} // namespace benchsupport

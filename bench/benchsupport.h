#pragma once
// What the benchmarks that drive the real window share: a message service that
// answers by itself, percentiles, resident memory and lines printed at once.
#include "platform/uiservice.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>
#include <vector>

namespace benchsupport {

// Message boxes are printed and answered OK; warnings and errors are printed.
class QuietUi : public ui::IUiService
{
public:
    int messageBox(const QString &text, int, const QString &) override
    {
        std::printf("message box: %s\n", qPrintable(text));
        return ui::Ok;
    }
    void doEvents() override { QCoreApplication::processEvents(); }
    void presentMessage(int level, const QString &, const QString &text) override
    {
        if (level >= 4)
            std::printf("message: %s\n", qPrintable(text));
    }
};

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

// Every line as soon as it is measured.
template<typename... Args>
void say(const char *format, Args... args)
{
    std::printf(format, args...);
    std::fflush(stdout);
}

} // namespace benchsupport

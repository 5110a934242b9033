// LoadPilotMap of a map with 500 boxes and 500 arrows (20 distinct icons),
// stored compressed in a SQLite row, in one run:
//  1. cold: nothing cached (no .mnu file, no images, a new main window): the
//     row is fetched, extracted, the icons decoded (goal: under 50 ms);
//  2. warm: the same window loads the map again from the caches (goal: under 20 ms).
// Only the call is timed; the window is made and the removed elements deleted
// outside the measurement. Medians judged, p95 printed beside them.
// Ends with one verdict line and exits 1 when a goal is missed or the map did
// not load whole; --quick (or ZENLO_BENCH_QUICK=1) loads a map of 50 boxes and
// 50 arrows a few times and judges no timing.
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/archive.h"
#include "components/database.h"
#include "components/logservice.h"
#include "components/schema.h"
#include "components/sysservices.h"
#include "platform/uiservice.h"
#include "workspace/frmmain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <vector>

#include "benchsite.h"
#include "benchsupport.h"
#include "quietui.h"

namespace {

using benchsupport::percentile;
using benchsupport::say;

int g_boxes = 500;  // 50 in a quick run
int g_arrows = 500; // 50 in a quick run
constexpr int kIcons = 20;
constexpr double kColdGoalMs = 50;
constexpr double kWarmGoalMs = 20;

std::vector<double> g_cold;
std::vector<double> g_warm;
QString g_temp;
int g_elements = 0;
bool g_incomplete = false;

QByteArray icon(int n)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor::fromHsv((n * 37) % 360, 160, 200));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray wrapped(const QByteArray &bytes)
{
    const QByteArray b = bytes.toBase64();
    QByteArray out;
    for (qsizetype i = 0; i < b.size(); i += 72)
        out += (i ? "\n" : "") + b.mid(i, 72);
    return out;
}

QByteArray mapXml()
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<print><page><blocks><arrows>\n";
    for (int i = 0; i < g_arrows; ++i)
        xml += QStringLiteral("<arrow left=\"%1\" top=\"%2\" width=\"12\" height=\"5\" forecolor=\"11693855\" arrowdirection=\"%3\" "
                              "appearance=\"0\" backcolor=\"16115416\" constantalpha=\"255\" borderstyle=\"1\" shadowlength=\"0\" "
                              "shadowstep=\"1\"/>\n")
                   .arg(36 + (i % 25) * 46)
                   .arg(13 + (i / 25) * 38)
                   .arg(i % 4)
                   .toUtf8();
    xml += "</arrows><pilots>\n";
    std::vector<QByteArray> icons;
    for (int n = 0; n < kIcons; ++n)
        icons.push_back(wrapped(icon(n)));
    for (int i = 0; i < g_boxes; ++i)
        xml += QStringLiteral("<pilot caption=\"=?gb2312?B?suLK1A==?=%1\" left=\"%2\" top=\"%3\" width=\"30\" height=\"22\" iconsize=\"32\" "
                              "righttoleft=\"False\" textalign=\"2\"><menu code=\"01%1\"/><icon filename=\"C:\\maps\\b%4.png\">")
                   .arg(i)
                   .arg(4 + (i % 25) * 46)
                   .arg(4 + (i / 25) * 38)
                   .arg(i % kIcons)
                   .toUtf8()
            + icons[size_t(i % kIcons)] + "</icon></pilot>\n";
    xml += "</pilots></blocks></page></print>\n";
    return xml;
}

bool buildSite(const QString &folder, QString *error)
{
    Database db;
    if (!benchsite::createDatabase(db, folder, error))
        return false;
    const QByteArray xml = mapXml();
    const QString src = folder + QStringLiteral("/map.xml");
    QFile f(src);
    if (!f.open(QIODevice::WriteOnly) || f.write(xml) != xml.size())
        return false;
    f.close();
    if (!zLibControl::compress(src, src + QStringLiteral(".zip"), QStringLiteral("map.xml")))
        return false;
    QFile z(src + QStringLiteral(".zip"));
    if (!z.open(QIODevice::ReadOnly))
        return false;
    if (!db.exec(QStringLiteral("insert into xt_menuPilot(menuCode, type, filename, iscompress, contents, filesize) values ('01', 0, "
                                "'map.xml', 1, ?, ?)"),
                 {z.readAll(), int(xml.size())}))
        return false;
    say("map: %d boxes, %d arrows, %lld bytes of XML, %lld bytes archived\n", g_boxes, g_arrows, qlonglong(xml.size()),
                qlonglong(z.size()));
    if (!Operator::createOperator(&db, QStringLiteral("00"), QStringLiteral("admin"), QString(), true, error))
        return false;
    return benchsite::writeConfig(folder, QStringLiteral("<caption>导航图基准</caption>"));
}

bool openSite(const QString &folder)
{
    g_temp = folder + QStringLiteral("/temp");
    return benchsite::openSite(folder, g_temp);
}

std::unique_ptr<frmMain> window()
{
    auto w = std::make_unique<frmMain>(*Session::current());
    w->resize(1280, 800);
    w->show();
    QCoreApplication::processEvents();
    return w;
}

double timedLoad(frmMain &w, benchmark::State &state)
{
    QElapsedTimer timer;
    timer.start();
    const bool ok = w.LoadPilotMap(QStringLiteral("01"));
    const double ms = timer.nsecsElapsed() / 1e6;
    state.SetIterationTime(ms / 1e3);
    g_elements = int(w.kxPilot.size() + w.kxArrow.size()) - 2;
    if (!ok || g_elements != g_boxes + g_arrows) {
        g_incomplete = true;
        state.SkipWithError("the map did not load whole");
    }
    return ms;
}

void BM_LoadPilotMapCold(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QDir(g_temp + QStringLiteral("/menu")).removeRecursively();
        QDir(g_temp + QStringLiteral("/images")).removeRecursively();
        auto w = window();
        state.ResumeTiming();
        g_cold.push_back(timedLoad(*w, state));
        state.PauseTiming();
        w.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    say("cold loads: %.1f ms median, p95 %.1f ms (%zu)\n", percentile(g_cold, 0.5), percentile(g_cold, 0.95), g_cold.size());
}

void BM_LoadPilotMapWarm(benchmark::State &state)
{
    auto w = window();
    w->LoadPilotMap(QStringLiteral("01"));
    for (auto _ : state) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        g_warm.push_back(timedLoad(*w, state));
    }
    say("warm loads: %.1f ms median, p95 %.1f ms (%zu)\n", percentile(g_warm, 0.5), percentile(g_warm, 0.95), g_warm.size());
}

} // namespace

int main(int argc, char **argv)
{
    const bool quick = benchsupport::quickRun(argc, argv);
    benchsupport::Verdict verdict(quick);
    if (quick)
        g_boxes = g_arrows = 50;
    benchsupport::headless();
    QApplication app(argc, argv);
    const benchsupport::QuietProcess quiet;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    say("goals: LoadPilotMap of %d boxes + %d arrows cold under %.0f ms, warm under %.0f ms (medians)\n", g_boxes, g_arrows,
        kColdGoalMs, kWarmGoalMs);
    QTemporaryDir dir;
    QString error;
    if (!buildSite(dir.path(), &error))
        verdict.broken("cannot build the account set: " + error.toStdString());
    else if (!openSite(dir.path()))
        verdict.broken("cannot open the account set");
    if (verdict.isBroken())
        return verdict.finish({});

    benchmark::RegisterBenchmark("BM_LoadPilotMapCold", BM_LoadPilotMapCold)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(quick ? 2 : 11);
    benchmark::RegisterBenchmark("BM_LoadPilotMapWarm", BM_LoadPilotMapWarm)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(quick ? 3 : 21);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ui::install(nullptr);
    bMain::LogOut();

    if (g_incomplete)
        verdict.broken("the map did not load whole");
    else if (g_cold.empty() || g_warm.empty())
        verdict.broken("no load measured");
    if (verdict.isBroken())
        return verdict.finish({});
    const double cold = percentile(g_cold, 0.5);
    const double warm = percentile(g_warm, 0.5);
    say("LoadPilotMap, %d boxes + %d arrows, cold (fetch, extract, decode %d icons): %.1f ms median, p95 %.1f ms; goal: "
        "under %.0f ms -> %s\n",
        g_boxes, g_arrows, kIcons, cold, percentile(g_cold, 0.95), kColdGoalMs, verdict.goal(benchsupport::format("cold load %.1f ms (goal < %.0f)", cold, kColdGoalMs), cold < kColdGoalMs));
    say("LoadPilotMap, warm (from the caches): %.1f ms median, p95 %.1f ms; goal: under %.0f ms -> %s\n", warm,
        percentile(g_warm, 0.95), kWarmGoalMs, verdict.goal(benchsupport::format("warm load %.1f ms (goal < %.0f)", warm, kWarmGoalMs), warm < kWarmGoalMs));
    return verdict.finish(benchsupport::format("LoadPilotMap of %d elements cold %.1f ms, warm %.1f ms", g_boxes + g_arrows, cold, warm));
}

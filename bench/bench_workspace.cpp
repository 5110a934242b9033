// The main window's speed on a large account set (20 catalogs, 5,000 menu
// rows, an icon for every navigation item and menu button), in one run:
//  1. the window's construction and load, with the icons already in the local
//     cache (goal: under 100 ms); the first load, which fills the cache, is
//     printed beside it;
//  2. one layout pass over the window with 50 menu buttons in the navigation
//     panel (goal: under 2 ms).
// Medians judged, p95 printed beside them. Ends with one verdict line and exits
// 1 when a goal is missed or the window did not load its catalogs; --quick (or
// ZENLO_BENCH_QUICK=1) builds 2,000 menu rows, loads a few times and judges no
// timing.
#include "core/clsconfig.h"
#include "core/session.h"
#include "core/sessionprocs.h"
#include "components/archive.h"
#include "components/database.h"
#include "components/kx/kxnavpanel.h"
#include "components/logservice.h"
#include "components/schema.h"
#include "components/sysservices.h"
#include "platform/uiservice.h"
#include "workspace/frmmain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "benchsite.h"
#include "benchsupport.h"
#include "quietui.h"

namespace {

using benchsupport::percentile;
using benchsupport::say;

constexpr int kCatalogs = 20;
constexpr int kGroupsPerCatalog = 49; // + the first-level entry: 50 buttons
int g_menuRows = 5000;                // 2,000 in a quick run (a function in every group)
constexpr double kLoadGoalMs = 100;
constexpr double kPassGoalMs = 2;

std::vector<double> g_loads;
std::vector<double> g_passes;
double g_coldLoad = 0;
int g_buttons = 0;
std::string g_setupError;

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

// The account set: each catalog one subsystem with a first-level entry, 49
// groups and 201 functions under them; every first-level entry and group has
// an icon, every third one archived.
bool buildSite(const QString &folder, QString *error)
{
    Database db;
    if (!benchsite::createDatabase(db, folder, error))
        return false;
    db.transaction();
    const QString menu = QStringLiteral("insert into xt_menu(menucode, menuname, parent, systemcode, menuorder, menuismx, "
                                        "menuIsMajor, menulevel, menucatalog, progID, inActive, MenuType) "
                                        "values (?, ?, ?, ?, ?, ?, 1, ?, ?, ?, 0, ?)");
    const QString pilot = QStringLiteral("insert into xt_menuPilot(menuCode, type, filename, iscompress, contents, filesize) "
                                         "values (?, 1, ?, ?, ?, ?)");
    QTemporaryDir work;
    int rows = 0;
    int iconNo = 0;
    auto addIcon = [&](const QString &code) {
        const QString name = QStringLiteral("b") + code + QStringLiteral(".png");
        const QByteArray png = icon(iconNo);
        const bool archived = iconNo++ % 3 == 0;
        QByteArray contents = png;
        if (archived) {
            const QString src = work.filePath(name);
            QFile f(src);
            if (!f.open(QIODevice::WriteOnly) || f.write(png) != png.size())
                return false;
            f.close();
            if (!zLibControl::compress(src, src + QStringLiteral(".zip"), name))
                return false;
            QFile z(src + QStringLiteral(".zip"));
            if (!z.open(QIODevice::ReadOnly))
                return false;
            contents = z.readAll();
        }
        return db.exec(pilot, {code, name, archived ? 1 : 0, contents, png.size()});
    };
    for (int c = 0; c < kCatalogs; ++c) {
        const QString system = QStringLiteral("S%1").arg(c, 2, 10, QLatin1Char('0'));
        const QString top = QStringLiteral("%1").arg(c + 1, 2, 10, QLatin1Char('0'));
        if (!db.exec(QStringLiteral("insert into xt_mode(systemcode, systemcatalog, systemname) values (?, ?, ?)"),
                     {system, QStringLiteral("业务大类%1").arg(c + 1), QStringLiteral("子系统%1").arg(c + 1)}))
            return false;
        const int perCatalog = g_menuRows / kCatalogs;
        if (!db.exec(menu, {top, QStringLiteral("大类%1").arg(c + 1), "", system, c + 1, 0, 1, 0, QVariant(), QStringLiteral("目录")})
            || !addIcon(top))
            return false;
        ++rows;
        int functions = perCatalog - 1 - kGroupsPerCatalog;
        for (int g = 0; g < kGroupsPerCatalog; ++g) {
            const QString group = top + QStringLiteral("%1").arg(g + 1, 2, 10, QLatin1Char('0'));
            if (!db.exec(menu, {group, QStringLiteral("分组%1-%2").arg(c + 1).arg(g + 1), top, system, g + 1, 0, 2, 0, QVariant(),
                                QStringLiteral("目录")})
                || !addIcon(group))
                return false;
            ++rows;
            const int here = functions / (kGroupsPerCatalog - g);
            functions -= here;
            for (int f = 0; f < here; ++f) {
                const QString code = group + QStringLiteral("%1").arg(f + 1, 2, 10, QLatin1Char('0'));
                if (!db.exec(menu, {code, QStringLiteral("功能%1").arg(code), group, system, f + 1, 1, 3, 100,
                                    10000 + rows, QStringLiteral("功能")}))
                    return false;
                ++rows;
            }
        }
    }
    if (rows != g_menuRows) {
        *error = QStringLiteral("made %1 menu rows").arg(rows);
        return false;
    }
    db.exec(QStringLiteral("insert into sys_param(sysno, paramno, name, value, remark) values (12, 1, 'period', '2026年12期', '')"));
    db.exec(QStringLiteral("insert into sys_param(sysno, paramno, name, value, remark) values (12, 2, 'menubm', '22222', '')"));
    if (!db.commit())
        return false;
    if (!Operator::createOperator(&db, QStringLiteral("00"), QStringLiteral("admin"), QString(), true, error))
        return false;
    return benchsite::writeConfig(folder, QStringLiteral("<caption>工作台基准</caption><settings><displayperiod>1</displayperiod></settings>"));
}

bool openSite(const QString &folder)
{
    return benchsite::openSite(folder, folder + QStringLiteral("/temp/"));
}

void BM_MainWindowLoad(benchmark::State &state)
{
    bool first = true;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto w = std::make_unique<frmMain>(*Session::current());
        w->load();
        const double ms = timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(ms / 1e3);
        if (first)
            g_coldLoad = ms;
        else
            g_loads.push_back(ms);
        first = false;
        if (w->NavPanel->count() != kCatalogs) {
            g_setupError = "the catalogs did not load";
            state.SkipWithError("the catalogs did not load");
            break;
        }
        g_buttons = int(w->But.size()) - 1;
    }
    say("main window loads: first %.1f ms, then %.1f ms median, p95 %.1f ms (%zu)\n", g_coldLoad, percentile(g_loads, 0.5),
        percentile(g_loads, 0.95), g_loads.size());
}

void BM_ResizePass(benchmark::State &state)
{
    frmMain w(*Session::current());
    w.load();
    w.setWindowState(Qt::WindowNoState);
    w.resize(1280, 720);
    w.show();
    QCoreApplication::processEvents();
    if (w.But.size() - 1 != 50) {
        g_setupError = "the catalog does not have 50 buttons";
        state.SkipWithError("the catalog does not have 50 buttons");
        return;
    }
    int round = 0;
    for (auto _ : state) {
        // A new size each time, so every control really moves.
        w.resize(1280 - (round % 2) * 40, 720 - (round % 2) * 30);
        ++round;
        QElapsedTimer timer;
        timer.start();
        w.Form_Resize();
        const double ms = timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(ms / 1e3);
        g_passes.push_back(ms);
        QCoreApplication::processEvents();
    }
    say("layout passes: %.3f ms median, p95 %.3f ms (%zu)\n", percentile(g_passes, 0.5), percentile(g_passes, 0.95),
        g_passes.size());
}

} // namespace

int main(int argc, char **argv)
{
    const bool quick = benchsupport::quickRun(argc, argv);
    benchsupport::Verdict verdict(quick);
    if (quick)
        g_menuRows = 2000;
    benchsupport::headless();
    QApplication app(argc, argv);
    const benchsupport::QuietProcess quiet;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    say("goals: main window load (%d catalogs, %d menu rows, icons cached) under %.0f ms, one layout pass with 50 menu "
        "buttons under %.0f ms (medians)\n",
        kCatalogs, g_menuRows, kLoadGoalMs, kPassGoalMs);
    QTemporaryDir dir;
    QString error;
    if (!buildSite(dir.path(), &error))
        verdict.broken("cannot build the account set: " + error.toStdString());
    else if (!openSite(dir.path()))
        verdict.broken("cannot open the account set");
    if (verdict.isBroken())
        return verdict.finish({});

    benchmark::RegisterBenchmark("BM_MainWindowLoad", BM_MainWindowLoad)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(quick ? 3 : 21);
    benchmark::RegisterBenchmark("BM_ResizePass", BM_ResizePass)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(quick ? 10 : 200);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ui::install(nullptr);
    bMain::LogOut();

    if (!g_setupError.empty())
        verdict.broken(g_setupError);
    else if (g_loads.empty() || g_passes.empty())
        verdict.broken("nothing measured");
    if (verdict.isBroken())
        return verdict.finish({});
    const double load = percentile(g_loads, 0.5);
    const double pass = percentile(g_passes, 0.5);
    say("main window load (%d catalogs, %d menu rows, %d buttons shown): %.1f ms median, p95 %.1f ms, first load filling "
        "the icon cache %.1f ms; goal: under %.0f ms -> %s\n",
        kCatalogs, g_menuRows, g_buttons, load, percentile(g_loads, 0.95), g_coldLoad, kLoadGoalMs,
        verdict.goal(benchsupport::format("main window load %.1f ms (goal < %.0f)", load, kLoadGoalMs), load < kLoadGoalMs));
    say("one layout pass with 50 menu buttons: %.3f ms median, p95 %.3f ms; goal: under %.0f ms -> %s\n", pass,
        percentile(g_passes, 0.95), kPassGoalMs, verdict.goal(benchsupport::format("layout pass %.3f ms (goal < %.0f)", pass, kPassGoalMs), pass < kPassGoalMs));
    return verdict.finish(benchsupport::format("main window load %.1f ms, layout pass %.3f ms", load, pass));
}

// Eight operators saving purchase orders at once on PostgreSQL, through the document
// editor's own save path (LwEdit.oedit: newRecord, setField, setLines, save), as a soak.
//
// The parent makes the demo account set on the test server (the ZENLO_TEST_PG_* variables of
// `source <(scripts/pg-test-server.sh start build)`), then starts 8 copies of itself
// (--child N), each with a session and an editor of its own. Each child saves 200 new orders
// (1 to 3 lines, dated over the twelve months of 2026) and makes 200 changes to the demo's
// unapproved orders (opens one, sets its remark to a text naming the child and the round,
// saves; a save refused because somebody else changed the order meanwhile is retried after
// opening it again, and counted). Children print a line per 50 saves and at the end the
// time of each save.
//
// Goals: every one of the 1,600 new orders stored, with a number of its own, its lines and
// an amount equal to the sum of quantity x price over them; no change lost: the versions
// the successful changes of an order were saved with are distinct, the stored version is
// its first version plus the number of those saves, the stored remark is the one of the
// last of them; no save failed for any other reason and no child hung; and a save waits
// at most 500 ms at p95 with eight operators saving all the time. Prints throughput
// (saves per second over all children) and p50 / p95 per save; ends with one verdict line,
// exits 1 when a goal is missed.
//
// --quick (or ZENLO_BENCH_QUICK=1): 2 children x 10 new orders + 10 changes, no timing
// judged. Without a server a full run fails saying why; a quick run passes, skipped.
#include "components/database.h"
#include "core/clsconfig.h"
#include "core/contracts.h"
#include "core/session.h"
#include "platform/appinfo.h"
#include "platform/objectfactory.h"
#include "platform/uiservice.h"
#include "lwedit/oedit.h"
#include "testsite.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "benchsite.h"
#include "benchsupport.h"
#include "quietui.h"

namespace {

using benchsupport::format;
using benchsupport::percentile;
using benchsupport::say;

constexpr int kProgram = 2101; // 采购订单
constexpr double kSaveGoalMs = 500;
constexpr int kRefusedRetries = 100;

// What a child stores for new order `round`: its lines, derived from child and round, so that the
// parent can check what is stored without being told.
struct Line {
    QString item;
    qint64 qty = 0, priceCents = 0;
};

QList<Line> linesOf(int child, int round, const QStringList &items)
{
    QList<Line> lines;
    const int count = 1 + (child + round) % 3;
    for (int j = 0; j < count; ++j) {
        Line l;
        l.item = items.at((child * 7 + round * 3 + j) % items.size());
        l.qty = 1 + (child + round + j) % 9;
        l.priceCents = 300 + (child * 3119 + round * 7907 + j * 131) % 20000;
        lines.append(l);
    }
    return lines;
}

QString priceText(qint64 cents) { return QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0')); }
QString newRemark(int child, int round) { return QStringLiteral("并发新单 子进程%1 第%2单").arg(child).arg(round); }
QString changeRemark(int child, int round) { return QStringLiteral("子进程%1 第%2轮修改").arg(child).arg(round); }
QString supplierOf(int child, int round) { return QStringLiteral("S00%1").arg(1 + (child + round) % 8); }
QString dateOf(int round) { return QDate(2026, 1 + round % 12, 1 + round % 28).toString(Qt::ISODate); }

QStringList itemCodes(Database &db)
{
    QStringList codes;
    RecordSetPtr rs = db.query(QStringLiteral("select code from bd_item order by code"), {});
    for (; rs && !rs->isEOF(); rs->moveNext())
        codes << rs->text(QStringLiteral("code"));
    return codes;
}

qint64 cents(const QVariant &v) { return std::llround(v.toDouble() * 100); }

// ---- the child: one operator ------------------------------------------------------------

void out(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

int runChild(int child, const QString &site, int newOrders, int changes, const QStringList &orders)
{
    QTemporaryDir temp;
    if (!benchsite::openSite(site, temp.path())) {
        out(QStringLiteral("FAIL child %1 cannot open its session").arg(child));
        return 1;
    }
    Session &s = *Session::current();
    s.sys->environment()->setOperatorName(QStringLiteral("admin"));
    s.sys->environment()->setOperatingDate(QDate(2026, 12, 8));
    appinfo::setProgramFolder(QStringLiteral(ZENLO_PROGRAM_DIR));
    objects::rescanComponents();
    QString error, reason;
    std::unique_ptr<QObject> object(objects::createObject(QStringLiteral("LwEdit.oedit"), &error, &reason));
    auto *component = qobject_cast<IBusinessComponent *>(object.get());
    if (!component) {
        out(QStringLiteral("FAIL child %1 has no editor: %2 %3").arg(child).arg(error, reason));
        return 1;
    }
    SystemServices *sys = s.sys.get();
    clsConfig *config = s.config.get();
    int32_t number = kProgram;
    QVariantList args{QString(), 2, QVariant()}; // an edit window, nothing opened yet
    if (!component->Py_Init(sys, config, number, args)) {
        out(QStringLiteral("FAIL child %1: the editor did not start").arg(child));
        return 1;
    }
    auto *editor = static_cast<lwedit::OEdit *>(component);
    const QStringList items = itemCodes(*s.db);
    if (items.isEmpty()) {
        out(QStringLiteral("FAIL child %1 finds no items").arg(child));
        return 1;
    }

    std::vector<double> newTimes, changeTimes;
    int saved = 0, refused = 0, failed = 0;
    const qint64 started = QDateTime::currentMSecsSinceEpoch();
    auto progress = [&] {
        if (++saved % 50 == 0)
            out(QStringLiteral("child %1: %2 saves (%3 new, %4 changes), %5 refused and retried")
                    .arg(child)
                    .arg(saved)
                    .arg(newTimes.size())
                    .arg(changeTimes.size())
                    .arg(refused));
    };
    const int rounds = std::max(newOrders, changes);
    for (int round = 0; round < rounds; ++round) {
        if (round < newOrders) {
            editor->newRecord();
            editor->setField(QStringLiteral("billdate"), dateOf(round));
            editor->setField(QStringLiteral("supplier"), supplierOf(child, round));
            editor->setField(QStringLiteral("remark"), newRemark(child, round));
            QList<QMap<QString, QString>> lines;
            for (const Line &l : linesOf(child, round, items))
                lines.append({{QStringLiteral("item"), l.item}, {QStringLiteral("qty"), QString::number(l.qty)},
                              {QStringLiteral("price"), priceText(l.priceCents)}});
            editor->setLines(lines);
            QElapsedTimer t;
            t.start();
            const bool ok = editor->save();
            const double ms = double(t.nsecsElapsed()) / 1e6;
            if (ok) {
                newTimes.push_back(ms);
                out(QStringLiteral("NEW %1 %2 %3").arg(child).arg(round).arg(editor->field(QStringLiteral("billno"))));
                progress();
            } else {
                ++failed;
                out(QStringLiteral("FAIL child %1 new order %2: %3").arg(child).arg(round).arg(editor->lastError()));
            }
        }
        if (round < changes) {
            const QString bill = orders.at((round + child * 5) % orders.size());
            const QString remark = changeRemark(child, round);
            bool done = false;
            for (int attempt = 0; attempt <= kRefusedRetries && !done; ++attempt) {
                if (!editor->openRecord(bill)) {
                    out(QStringLiteral("FAIL child %1 cannot open %2: %3").arg(child).arg(bill, editor->lastError()));
                    break;
                }
                editor->setField(QStringLiteral("remark"), remark);
                QElapsedTimer t;
                t.start();
                const bool ok = editor->save();
                const double ms = double(t.nsecsElapsed()) / 1e6;
                if (ok) {
                    changeTimes.push_back(ms);
                    out(QStringLiteral("UPD %1 %2 %3").arg(bill).arg(editor->version()).arg(remark));
                    progress();
                    done = true;
                } else if (editor->lastError().contains(QStringLiteral("请重新打开后再改"))) {
                    ++refused; // somebody else saved it since it was opened: open it again
                } else {
                    out(QStringLiteral("FAIL child %1 change of %2: %3").arg(child).arg(bill, editor->lastError()));
                    break;
                }
            }
            if (!done)
                ++failed;
        }
    }
    const qint64 ended = QDateTime::currentMSecsSinceEpoch();
    QStringList nt, ct;
    for (double v : newTimes)
        nt << QString::number(v, 'f', 2);
    for (double v : changeTimes)
        ct << QString::number(v, 'f', 2);
    out(QStringLiteral("TIMES new ") + nt.join(u' '));
    out(QStringLiteral("TIMES change ") + ct.join(u' '));
    out(QStringLiteral("DONE %1 %2 %3 %4 %5").arg(child).arg(started).arg(ended).arg(refused).arg(failed));
    component->Clear();
    return failed ? 1 : 0;
}

// ---- the parent ---------------------------------------------------------------------------

struct Change {
    qint64 version;
    QString remark;
};

struct ChildRun {
    std::unique_ptr<QProcess> process;
    QByteArray pending;
    QString last; // the last line it printed
    bool done = false;
};

int runParent(const QString &self, bool quick)
{
    benchsupport::Verdict verdict(quick);
    const int children = quick ? 2 : 8, newOrders = quick ? 10 : 200, changes = quick ? 10 : 200;
    say("bench_concurrency: %d operators (processes) each save %d new purchase orders and %d changes of existing ones\n"
        "through the editor on PostgreSQL.\n"
        "goal: every new order stored with a number of its own, its lines and a consistent amount; no change lost\n"
        "(versions distinct, stored version = first + successful changes, stored remark = the last one); no save failed\n"
        "otherwise, no child hung; p95 per save under %.0f ms.\n",
        children, newOrders, changes, kSaveGoalMs);
    QString why;
    if (!testsupport::TestSite::postgresAvailable(&why)) {
        say("no PostgreSQL server: %s\n", qPrintable(why));
        if (quick) {
            say("VERDICT: PASS quick run (no PostgreSQL server: skipped)\n");
            return 0;
        }
        say("start one with: source <(scripts/pg-test-server.sh start build)\n");
        say("VERDICT: FAIL no PostgreSQL server (%s)\n", qPrintable(why));
        return 1;
    }
    testsupport::TestSite site(testsupport::TestSite::PostgreSQL);
    if (!site.ok()) {
        verdict.broken("cannot make the demo account set on the server: " + site.error().toStdString());
        return verdict.finish("");
    }
    std::unique_ptr<Database> db = site.connect();
    if (!db) {
        verdict.broken("cannot connect to the account set");
        return verdict.finish("");
    }
    say("demo account set %s made on %s:%s\n", qPrintable(site.databaseName()), qPrintable(qEnvironmentVariable("ZENLO_TEST_PG_HOST")),
        qPrintable(qEnvironmentVariable("ZENLO_TEST_PG_PORT")));
    // The orders changed: the demo's unapproved ones (an approved order cannot be changed), few enough to collide.
    QStringList orders;
    QHash<QString, qint64> firstVersion;
    {
        RecordSetPtr rs = db->query(QStringLiteral("select billno, coalesce(version, 0) as version from pu_order "
                                                   "where status = '未审核' order by billno"),
                                    {});
        for (; rs && !rs->isEOF() && orders.size() < 12; rs->moveNext()) {
            orders << rs->text(QStringLiteral("billno"));
            firstVersion[orders.last()] = rs->field(QStringLiteral("version")).toLongLong();
        }
    }
    const qint64 ordersBefore = db->query(QStringLiteral("select count(*) from pu_order"), {})->firstValue().toLongLong();
    const QStringList items = itemCodes(*db);
    if (orders.isEmpty() || items.isEmpty()) {
        verdict.broken("the demo account set has no unapproved orders or no items");
        return verdict.finish("");
    }
    say("%lld orders before; changes go to %lld of them: %s\n", ordersBefore, qint64(orders.size()),
        qPrintable(orders.join(QStringLiteral(", "))));

    std::vector<ChildRun> runs(children);
    QElapsedTimer wall;
    wall.start();
    for (int c = 0; c < children; ++c) {
        runs[c].process = std::make_unique<QProcess>();
        QProcess &p = *runs[c].process;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(self,
                {QStringLiteral("--child"), QString::number(c), QStringLiteral("--site"), site.programFolder(), QStringLiteral("--new"),
                 QString::number(newOrders), QStringLiteral("--changes"), QString::number(changes), QStringLiteral("--orders"),
                 orders.join(u',')});
    }

    // What the children report.
    QHash<QString, QPair<int, int>> numbers; // billno -> (child, round)
    int duplicateNumbers = 0;
    QHash<QString, QList<Change>> changed;
    std::vector<double> newTimes, changeTimes;
    qint64 firstStart = 0, lastEnd = 0, refused = 0, failed = 0;
    QStringList failures;
    auto take = [&](ChildRun &run, const QString &line) {
        run.last = line;
        if (line.startsWith(QLatin1String("child "))) {
            say("  %s\n", qPrintable(line));
        } else if (line.startsWith(QLatin1String("NEW "))) {
            const QStringList f = line.split(u' ');
            if (f.size() == 4) {
                if (numbers.contains(f[3])) {
                    ++duplicateNumbers;
                    say("  number %s given twice (child %s round %s, and child %d round %d)\n", qPrintable(f[3]), qPrintable(f[1]),
                        qPrintable(f[2]), numbers[f[3]].first, numbers[f[3]].second);
                }
                numbers[f[3]] = {f[1].toInt(), f[2].toInt()};
            }
        } else if (line.startsWith(QLatin1String("UPD "))) {
            const QStringList f = line.split(u' ');
            if (f.size() >= 4)
                changed[f[1]].append({f[2].toLongLong(), f.mid(3).join(u' ')});
        } else if (line.startsWith(QLatin1String("TIMES "))) {
            const QStringList f = line.split(u' ', Qt::SkipEmptyParts);
            std::vector<double> &into = f.value(1) == QLatin1String("new") ? newTimes : changeTimes;
            for (int i = 2; i < f.size(); ++i)
                into.push_back(f[i].toDouble());
        } else if (line.startsWith(QLatin1String("DONE "))) {
            const QStringList f = line.split(u' ');
            if (f.size() == 6) {
                run.done = true;
                const qint64 start = f[2].toLongLong(), end = f[3].toLongLong();
                firstStart = firstStart == 0 ? start : std::min(firstStart, start);
                lastEnd = std::max(lastEnd, end);
                refused += f[4].toLongLong();
                failed += f[5].toLongLong();
                say("  child %s done in %.1f s: %s refused and retried, %s failed\n", qPrintable(f[1]), double(end - start) / 1000,
                    qPrintable(f[4]), qPrintable(f[5]));
            }
        } else if (line.startsWith(QLatin1String("FAIL "))) {
            failures << line.mid(5);
            if (failures.size() <= 10)
                say("  %s\n", qPrintable(line));
        }
    };
    auto drain = [&](ChildRun &run) {
        run.pending += run.process->readAllStandardOutput();
        for (qsizetype nl; (nl = run.pending.indexOf('\n')) >= 0;) {
            take(run, QString::fromUtf8(run.pending.left(nl)));
            run.pending.remove(0, nl + 1);
        }
    };
    const qint64 limitMs = quick ? 240'000 : 1'800'000;
    for (;;) {
        bool running = false;
        for (ChildRun &run : runs) {
            if (run.process->state() != QProcess::NotRunning) {
                running = true;
                run.process->waitForReadyRead(20);
            }
            drain(run);
        }
        if (!running)
            break;
        if (wall.elapsed() > limitMs) {
            for (int c = 0; c < children; ++c)
                if (runs[c].process->state() != QProcess::NotRunning) {
                    verdict.broken(format("child %d did not finish in %lld s (hung? its last line: %s)", c, limitMs / 1000,
                                          qPrintable(runs[c].last)));
                    runs[c].process->kill();
                    runs[c].process->waitForFinished(5000);
                }
            break;
        }
    }
    const double wallS = double(wall.elapsed()) / 1000;
    for (int c = 0; c < children; ++c) {
        drain(runs[c]);
        if (!runs[c].done)
            verdict.broken(format("child %d ended without its report (exit %d, last line: %s)", c, runs[c].process->exitCode(),
                                  qPrintable(runs[c].last)));
    }

    // Throughput and times.
    std::vector<double> all = newTimes;
    all.insert(all.end(), changeTimes.begin(), changeTimes.end());
    const double workS = lastEnd > firstStart ? double(lastEnd - firstStart) / 1000 : 0;
    say("saves: %lld new, %lld changes in %.1f s of work (%.1f s with start-up): %.1f saves per second over %d operators\n",
        qint64(newTimes.size()), qint64(changeTimes.size()), workS, wallS, workS > 0 ? double(all.size()) / workS : 0.0, children);
    say("%lld changes refused because the order had been changed meanwhile, each saved again after reopening\n", refused);
    say("new order save: p50 %.1f ms, p95 %.1f ms\n", percentile(newTimes, 0.5), percentile(newTimes, 0.95));
    say("change save:    p50 %.1f ms, p95 %.1f ms\n", percentile(changeTimes, 0.5), percentile(changeTimes, 0.95));
    const double p95 = percentile(all, 0.95);
    say("every save:     p50 %.1f ms, p95 %.1f ms (goal p95 < %.0f ms): %s\n", percentile(all, 0.5), p95, kSaveGoalMs,
        verdict.goal(format("p95 per save %.1f ms under %.0f ms", p95, kSaveGoalMs), p95 < kSaveGoalMs && !all.empty()));
    if (failed || !failures.isEmpty())
        verdict.broken(format("%lld saves failed (first: %s)", std::max<qint64>(failed, failures.size()),
                              qPrintable(failures.value(0))));

    // What the database holds: the new orders.
    const qint64 expectedNew = qint64(children) * newOrders;
    int missing = 0, wrongLines = 0, wrongAmount = 0, wrongRemark = 0;
    {
        QHash<QString, QList<QVariantList>> stored; // billno -> lines (item, qty, price, amount)
        RecordSetPtr rs = db->query(QStringLiteral("select l.billno, l.item, l.qty, l.price, l.amount from pu_orderline l "
                                                   "join pu_order o on o.billno = l.billno where o.remark like ? order by l.billno, l.lineno"),
                                    {QStringLiteral("并发新单%")});
        for (; rs && !rs->isEOF(); rs->moveNext())
            stored[rs->text(QStringLiteral("billno"))].append({rs->text(QStringLiteral("item")), rs->field(QStringLiteral("qty")),
                                                              rs->field(QStringLiteral("price")), rs->field(QStringLiteral("amount"))});
        QHash<QString, QPair<QString, qint64>> heads; // billno -> (remark, amount in cents)
        RecordSetPtr hs = db->query(QStringLiteral("select billno, remark, amount from pu_order where remark like ?"), {QStringLiteral("并发新单%")});
        for (; hs && !hs->isEOF(); hs->moveNext())
            heads[hs->text(QStringLiteral("billno"))] = {hs->text(QStringLiteral("remark")), cents(hs->field(QStringLiteral("amount")))};
        for (auto it = numbers.cbegin(); it != numbers.cend(); ++it) {
            const auto [child, round] = it.value();
            if (!heads.contains(it.key())) {
                ++missing;
                continue;
            }
            if (heads[it.key()].first != newRemark(child, round))
                ++wrongRemark;
            const QList<Line> want = linesOf(child, round, items);
            const QList<QVariantList> got = stored.value(it.key());
            qint64 sum = 0;
            bool same = got.size() == want.size();
            for (int j = 0; same && j < want.size(); ++j) {
                const qint64 amount = cents(got[j][3]);
                same = got[j][0].toString() == want[j].item && cents(got[j][1]) == want[j].qty * 100
                    && cents(got[j][2]) == want[j].priceCents && amount == want[j].qty * want[j].priceCents;
                sum += amount;
            }
            if (!same)
                ++wrongLines;
            else if (sum != heads[it.key()].second)
                ++wrongAmount;
        }
        const qint64 ordersAfter = db->query(QStringLiteral("select count(*) from pu_order"), {})->firstValue().toLongLong();
        say("new orders: %lld reported with %lld distinct numbers, %lld stored (%lld orders in all, %lld before); "
            "missing %d, other remark %d, lines not as saved %d, amount not the lines' sum %d, numbers given twice %d\n",
            qint64(newTimes.size()), qint64(numbers.size()), qint64(heads.size()), ordersAfter, ordersBefore, missing, wrongRemark,
            wrongLines, wrongAmount, duplicateNumbers);
        if (numbers.size() != expectedNew || heads.size() != expectedNew || ordersAfter != ordersBefore + expectedNew)
            verdict.broken(format("%lld of %lld new orders stored with distinct numbers (%lld in the database)", qint64(numbers.size()),
                                  expectedNew, qint64(heads.size())));
        if (missing || wrongRemark || wrongLines || wrongAmount || duplicateNumbers)
            verdict.broken(format("new orders not as saved: %d missing, %d other remark, %d other lines, %d amount, %d numbers twice",
                                  missing, wrongRemark, wrongLines, wrongAmount, duplicateNumbers));
    }

    // The changes: none lost.
    {
        int lost = 0, sameVersion = 0, counted = 0;
        const qint64 expectedChanges = qint64(children) * changes;
        for (const QString &bill : std::as_const(orders)) {
            QList<Change> list = changed.value(bill);
            counted += int(list.size());
            std::sort(list.begin(), list.end(), [](const Change &a, const Change &b) { return a.version < b.version; });
            for (int i = 1; i < list.size(); ++i)
                if (list[i].version == list[i - 1].version)
                    ++sameVersion;
            RecordSetPtr rs = db->query(QStringLiteral("select remark, version from pu_order where billno = ?"), {bill});
            const qint64 version = rs && rs->recordCount() ? rs->field(QStringLiteral("version")).toLongLong() : -1;
            const QString remark = rs && rs->recordCount() ? rs->text(QStringLiteral("remark")) : QString();
            const bool versionsRight = version == firstVersion.value(bill) + list.size();
            const bool lastStands = list.isEmpty() || remark == list.last().remark;
            if (!versionsRight || !lastStands) {
                ++lost;
                say("  %s: version %lld stored, %lld + %lld successful changes; remark \"%s\", last saved \"%s\"\n", qPrintable(bill),
                    version, firstVersion.value(bill), qint64(list.size()), qPrintable(remark),
                    qPrintable(list.isEmpty() ? QString() : list.last().remark));
            }
        }
        say("changes: %d saved over %lld orders; orders whose versions or remark do not add up %d, saves with a version "
            "another save of the order also had %d\n",
            counted, qint64(orders.size()), lost, sameVersion);
        if (counted != expectedChanges)
            verdict.broken(format("%d of %lld changes saved", counted, expectedChanges));
        if (lost || sameVersion)
            verdict.broken(format("changes lost: %d orders do not add up, %d saves over the same version", lost, sameVersion));
    }
    return verdict.finish(format("%lld new orders and %lld changes by %d operators, none lost; %.1f saves/s, p95 %.1f ms per save",
                                 expectedNew, qint64(children) * changes, children,
                                 workS > 0 ? double(all.size()) / workS : 0.0, p95));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool quick = benchsupport::quickRun(argc, argv);
    int child = -1, newOrders = 0, changes = 0;
    QString site;
    QStringList orders;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (std::strcmp(argv[i], "--child") == 0)
            child = value.toInt();
        else if (std::strcmp(argv[i], "--site") == 0)
            site = value;
        else if (std::strcmp(argv[i], "--new") == 0)
            newOrders = value.toInt();
        else if (std::strcmp(argv[i], "--changes") == 0)
            changes = value.toInt();
        else if (std::strcmp(argv[i], "--orders") == 0)
            orders = value.split(u',', Qt::SkipEmptyParts);
    }
    QApplication app(argc, argv);
    benchsupport::QuietUi quiet;
    ui::install(&quiet);
    int rc = 0;
    if (child >= 0)
        rc = orders.isEmpty() || site.isEmpty() ? 2 : runChild(child, site, newOrders, changes, orders);
    else
        rc = runParent(QCoreApplication::applicationFilePath(), quick);
    ui::install(nullptr);
    return rc;
}

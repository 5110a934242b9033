#include "demo/demodb.h"

#include "components/database.h"
#include "components/schema.h"
#include "components/sysservices.h"
#include "components/xmldocument.h"
#include "platform/appinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

// Resources of a static library are registered by hand, once.
static void initDemoResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(demo);
        return true;
    }();
    Q_UNUSED(done);
}

namespace demo {

namespace {

const DemoOperator kOperators[] = {
    {"00", "admin", "", true},
    {"01", "张三", "zhang3", false},
    {"02", "李四", "li4", false},
};

// Program numbers each non-administrator may run (right 1 = run).
struct Grant {
    const char *code;
    int from, to;
};
const Grant kGrants[] = {
    {"01", 2101, 2199}, // 张三: purchasing
    {"01", 2201, 2299}, //       and sales
    {"02", 2301, 2399}, // 李四: inventory only
};

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

QStringList seedStatements()
{
    initDemoResources();
    QFile f(QStringLiteral(":/demo/seed.sql"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    QString current;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("--")))
            continue;
        current += (current.isEmpty() ? QString() : QStringLiteral(" ")) + line;
        if (line.endsWith(QLatin1Char(';'))) {
            current.chop(1);
            out << current;
            current.clear();
        }
    }
    return out;
}

} // namespace

const DemoOperator *operators(int *count)
{
    if (count)
        *count = int(std::size(kOperators));
    return kOperators;
}

bool populate(Database &db, QString *error)
{
    QString why;
    if (!schema::create(db, &why))
        return fail(error, QStringLiteral("cannot create the tables: ") + why);
    const QStringList statements = seedStatements();
    if (statements.isEmpty())
        return fail(error, QStringLiteral("the seed data is missing from the program"));
    if (!db.transaction())
        return fail(error, db.LastError().description);
    for (const QString &sql : statements) {
        if (!db.exec(sql)) {
            const QString e = db.LastError().description;
            db.rollback();
            return fail(error, QStringLiteral("%1 (%2)").arg(e, sql.left(120)));
        }
    }
    if (!db.commit())
        return fail(error, db.LastError().description);
    for (const DemoOperator &op : kOperators) {
        if (!Operator::createOperator(&db, QString::fromUtf8(op.code), QString::fromUtf8(op.name), QString::fromUtf8(op.password),
                                      op.administrator, &why))
            return fail(error, why);
    }
    for (const Grant &gr : kGrants) {
        for (int p = gr.from; p <= gr.to; ++p)
            if (!Operator::grantRights(&db, QString::fromLatin1(gr.code), p, 1u, &why))
                return fail(error, why);
    }
    return true;
}

bool create(const QString &file, QString *error)
{
    if (QFileInfo::exists(file))
        return fail(error, file + QStringLiteral(": the file exists already"));
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath()))
        return fail(error, info.absolutePath() + QStringLiteral(": the folder cannot be created"));
    // Built under a temporary name and renamed at the end, so a failure leaves no half-made database.
    const QString temp = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.')
        + QUuid::createUuid().toString(QUuid::Id128).left(8) + QStringLiteral(".tmp");
    bool ok = false;
    {
        Database db;
        ConnectionSettings s;
        s.driver = QStringLiteral("sqlite");
        s.database = temp;
        s.createIfMissing = true;
        if (!db.Init(s) || !db.Connect()) {
            fail(error, db.LastError().description);
        } else {
            ok = populate(db, error);
            db.Close();
        }
    }
    if (ok && !QFile::rename(temp, file))
        ok = fail(error, file + QStringLiteral(": cannot be written"));
    if (!ok) {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        QFile::remove(temp + QStringLiteral("-wal"));
        QFile::remove(temp + QStringLiteral("-shm"));
    }
    return ok;
}

bool createIfMissing(const QString &configPath, QString *error)
{
    XmlDocument doc;
    if (!doc.load(configPath))
        return true; // the start-up reports a broken configuration itself
    const QString node = QStringLiteral("/configuration/database");
    if (doc.attribute(node, QStringLiteral("demo")).value_or(QString()).trimmed().toLower() != QLatin1String("true"))
        return true;
    ConnectionSettings s;
    QString why;
    if (!Database::readSettings(configPath, &s, &why))
        return fail(error, why);
    if (s.driver != QLatin1String("sqlite") || s.database.trimmed().isEmpty())
        return true;
    const QString file = Database::programPath(s.database);
    if (QFileInfo::exists(file))
        return true;
    return create(file, error);
}

} // namespace demo

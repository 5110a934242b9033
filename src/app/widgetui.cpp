#include "app/widgetui.h"

#include "core/logger.h"
#include "demo/demodb.h"
#include "components/database.h"
#include "platform/appinfo.h"
#include "platform/uiservice.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTranslator>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcWidgetUi, "zenlo.ui")

int WidgetUi::messageBox(const QString &text, int style, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setText(text);
    box.setWindowTitle(title.isEmpty() ? QApplication::applicationDisplayName() : title);
    switch (style & 0x70) {
    case ui::Critical: box.setIcon(QMessageBox::Critical); break;
    case ui::Question: box.setIcon(QMessageBox::Question); break;
    case ui::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case ui::Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & 7) {
    case ui::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case 2: box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore); break;
    case 3: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case ui::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case 5: box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    if (style & ui::DefaultButton2) {
        const QList<QAbstractButton *> buttons = box.buttons();
        if (QAbstractButton *second = (style & 7) == ui::YesNo || (style & 7) == 3 ? box.button(QMessageBox::No)
                                       : buttons.size() > 1                       ? buttons.at(1)
                                                                                  : nullptr)
            box.setDefaultButton(qobject_cast<QPushButton *>(second));
    }
    // Over every window of the program, the splash included, and focused: a
    // question asked while another window is being shown must not hide behind it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.show();
    box.raise();
    box.activateWindow();
    switch (box.exec()) {
    case QMessageBox::Ok: return ui::Ok;
    case QMessageBox::Cancel: return ui::Cancel;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return ui::Yes;
    case QMessageBox::No: return ui::No;
    default: return ui::Cancel;
    }
}

void WidgetUi::doEvents()
{
    QApplication::processEvents();
}

void WidgetUi::presentMessage(int level, const QString &source, const QString &text)
{
    const int icon = level >= 8 ? ui::Critical : level >= 4 ? ui::Exclamation : ui::Information;
    messageBox(text, ui::OkOnly | icon, source);
}

namespace widgetui {

bool loadQtTranslations(QString *from)
{
    if (!QCoreApplication::instance())
        return false;
    static QTranslator *installed = nullptr;
    const QStringList folders = {appinfo::programFolder() + QStringLiteral("/translations"),
                                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString &folder : folders) {
        auto *t = new QTranslator(QCoreApplication::instance());
        if (t->load(QStringLiteral("qtbase_zh_CN"), folder)) {
            if (installed) {
                QCoreApplication::removeTranslator(installed);
                delete installed;
            }
            QCoreApplication::installTranslator(t);
            installed = t;
            if (from)
                *from = t->filePath();
            return true;
        }
        delete t;
    }
    qCWarning(lcWidgetUi) << "Qt's Chinese texts (qtbase_zh_CN.qm) were not found in" << folders;
    return false;
}

BusyNotice::BusyNotice(const QString &text)
{
    auto *w = new QWidget(nullptr, Qt::SplashScreen | Qt::WindowStaysOnTopHint);
    w->setObjectName(QStringLiteral("busyNotice"));
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, QColor(0x1f, 0x4e, 0x79));
    pal.setColor(QPalette::WindowText, Qt::white);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(w);
    layout->setContentsMargins(28, 22, 28, 22);
    auto *label = new QLabel(text, w);
    label->setObjectName(QStringLiteral("busyText"));
    label->setWordWrap(true);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 1.15);
    label->setFont(f);
    layout->addWidget(label);
    w->setFixedWidth(520);
    w->adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        w->move(screen->availableGeometry().center() - w->rect().center());
    w->show();
    w->raise();
    // Painted now: the work that follows keeps the event loop away for a while.
    w->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_window = w;
}

BusyNotice::~BusyNotice()
{
    delete m_window;
}

void upgradeDemoDatabase(Database &db)
{
    // A demo database an earlier build made gets today's tables; its rows stay.
    QString error;
    if (!demo::upgradeIfOld(db, &error))
        ui::msgBox(QStringLiteral("演示数据库不能升级：") + error, ui::Exclamation, QStringLiteral("提示："));
}

bool prepareDemoDatabase(const QString &configPath)
{
    QString movedFrom;
    const QString file = demo::missingDemoFile(configPath, &movedFrom);
    // Where the demo database is, and why not where the configuration says (an all-users
    // install the operator may not write to, or a folder that does not exist and cannot be made).
    if (!movedFrom.isEmpty()) {
        const QString folder = QFileInfo(movedFrom).absolutePath();
        const bool exists = QFileInfo(folder).isDir();
        Logger::WriteMessage(QStringLiteral("参数文件指定的演示数据库 %1 所在的文件夹%2，演示数据库改用 %3")
                                 .arg(QDir::toNativeSeparators(movedFrom),
                                      exists ? QStringLiteral("不可写入") : QStringLiteral("不存在且无法创建"),
                                      QDir::toNativeSeparators(Database::demoDatabaseFile(movedFrom))),
                             1);
    }
    if (file.isEmpty())
        return true;
    Logger::WriteMessage(QStringLiteral("第一次启动：正在创建演示数据库 ") + QDir::toNativeSeparators(file), 1);
    QString error;
    bool ok;
    {
        const BusyNotice notice(QStringLiteral("第一次启动：正在创建演示数据库，请稍候……\n") + QDir::toNativeSeparators(file));
        ok = demo::create(file, &error, true);
    }
    if (!ok)
        ui::msgBox(QStringLiteral("演示数据库不能创建：") + error, ui::Exclamation, QStringLiteral("提示："));
    return ok;
}

} // namespace widgetui

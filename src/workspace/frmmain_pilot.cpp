// The main window's process map: LoadPilotMap and the press of a box.
#include "workspace/frmmain.h"

#include "components/kx/kxarrow.h"
#include "components/kx/kxpilot.h"
#include "components/sysservices.h"
#include "core/logger.h"
#include "core/session.h"
#include "platform/runtimeerror.h"
#include "platform/uiservice.h"
#include "components/kx/picturebox.h"
#include "workspace/pilotmap.h"
#include "workspace/pilotview.h"

namespace {

// The home area is drawn once when the map is complete, not once per element.
class UpdateLock
{
public:
    explicit UpdateLock(QWidget *w)
        : m_widget(w)
        , m_was(w->updatesEnabled())
    {
        w->setUpdatesEnabled(false);
    }
    ~UpdateLock() { m_widget->setUpdatesEnabled(m_was); }
    void release() { m_widget->setUpdatesEnabled(m_was); }

private:
    QWidget *m_widget;
    bool m_was;
};

} // namespace

bool frmMain::LoadPilotMap(const QString &code)
{
    bool result = false;
    UpdateLock lock(PicTable);
    ClearDynamicControls(false);
    try {
        if (m_session.sys)
            m_pilotCache.setTempFolder(m_session.sys->environment()->tempFolder());
        QString path;
        QString problem;
        const auto fetched = m_pilotCache.fetch(m_session.db.get(), code, &path, &problem);
        if (const QString note = m_pilotCache.takeNote(); !note.isEmpty())
            Logger::WriteMessage(note, 1);
        switch (fetched) {
        case workspace::PilotMapCache::NoMap:
            m_pilotNoMap = true;
            return false;
        case workspace::PilotMapCache::Failed:
            throw RuntimeError(problem);
        case workspace::PilotMapCache::Ready:
            break;
        }

        workspace::PilotMapReader reader;
        if (!reader.load(path)) {
            lock.release();
            Logger::WriteMessage(QStringLiteral("导航窗口文件“%1”：%2").arg(path, reader.formatError()), 1);
            ui::msgBox(workspace::pilotFormatMessage(), ui::Critical, QStringLiteral("错误"));
            return false;
        }
        const workspace::PilotMap map = reader.read();
        const double d = dpi();
        for (qsizetype i = 0; i < map.arrows.size(); ++i) {
            ::kxArrow *a = ::kxArrow::createFrom(*kxArrow[0], PicTable);
            a->setObjectName(QStringLiteral("kxArrow%1").arg(i + 1));
            workspace::applyArrow(*a, map.arrows[i], d);
            kxArrow << a;
            a->show();
        }
        for (qsizetype i = 0; i < map.boxes.size(); ++i) {
            const workspace::PilotBox &element = map.boxes[i];
            ::kxPilot *b = ::kxPilot::createFrom(*kxPilot[0], PicTable);
            b->setObjectName(QStringLiteral("kxPilot%1").arg(i + 1));
            workspace::applyBox(*b, element, d);
            QPixmap picture;
            try {
                picture = m_pilotPictures.load(m_pilotCache, element);
            } catch (...) {
                delete b; // never made visible
                throw;
            }
            b->setPicture(picture);
            connect(b, &QAbstractButton::clicked, this, [this, b] { kxPilot_Click(int(kxPilot.indexOf(b))); });
            kxPilot << b;
            b->show();
        }
        if (const QString note = m_pilotCache.takeNote(); !note.isEmpty())
            Logger::WriteMessage(note, 1); // the pictures' folder
        if (!map.complete())
            throw RuntimeError(map.error);
        result = true;
    } catch (const std::exception &e) {
        lock.release(); // the elements made before the error show behind the message
        ui::msgBox(workspace::pilotErrorPrefix() + RuntimeError::describe(e), ui::Critical, QStringLiteral("错误"));
        return false;
    }
    return result;
}

void frmMain::kxPilot_Click(int index)
{
    if (index < 1 || index >= kxPilot.size())
        return;
    const QString code = kxPilot[index]->tag();
    bool inEditWindow = false;
    bool executed = false;
    try {
        executeMenu(code, inEditWindow, executed);
    } catch (const std::exception &e) {
        Logger::WriteMessage(QStringLiteral("执行功能时出错，原因：") + RuntimeError::describe(e), 8);
    }
}

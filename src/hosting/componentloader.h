#pragma once
// What both hosts do with a business component: create it by ProgID inside a
// host area, initialise it through Py_Init, and remove it again; and what both
// do with a component's request to open a document in an edit window.
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QWidget>

#include <cstdint>

class IBusinessComponent;
class IWorkspaceHost;
class Session;

namespace hosting {

// The component of ProgID progId, hidden, inside host, named name, with its
// objectEvent connected to receiver's slot (a SLOT() text). Throws RuntimeError
// when no class serves the ProgID or the object is no component.
QWidget *createComponent(const QString &progId, QWidget *host, const QString &name, QObject *receiver,
                         const char *slot, IBusinessComponent **component);

// Py_Init with the session's system services and configuration, the program
// number and the further arguments; afterwards the session keeps its own
// objects (a component may hand back others: they are not adopted, and a note
// is logged). Exceptions the component lets out become RuntimeError.
bool initComponent(Session &session, IBusinessComponent *component, int32_t programNumber, QVariantList &args);

// Clear, then take the control out of its window (it goes through the event
// loop, so a component that asked for this from inside a call is not deleted under it).
void removeComponent(QWidget *control);

// The six open requests ("detaile", "detailes", "detailerpt", "filenew",
// "fileedit", "editform"): rights, the menu row, then a new edit window.
// True when the name is one of those this host handles (mainWindow: all six;
// an edit window: the first three).
bool handleOpenRequest(Session &session, const QString &lowerName, const QVariantList &params, bool mainWindow,
                       IWorkspaceHost *host, QWidget *owner);

} // namespace hosting

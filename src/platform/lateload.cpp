#include "platform/lateload.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace lateload {

Opened open(const char *fileName)
{
    Opened o;
#ifdef Q_OS_WIN
    o.handle = reinterpret_cast<void *>(LoadLibraryA(fileName));
    if (!o.handle)
        o.reason = QStringLiteral("%1 cannot be loaded (error %2)").arg(QLatin1String(fileName)).arg(GetLastError());
#else
    o.handle = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!o.handle)
        o.reason = QStringLiteral("%1 cannot be loaded: %2").arg(QLatin1String(fileName), QString::fromLocal8Bit(dlerror()));
#endif
    return o;
}

QFunctionPointer resolve(const Opened &library, const char *symbol)
{
    if (!library.handle)
        return nullptr;
#ifdef Q_OS_WIN
    return reinterpret_cast<QFunctionPointer>(GetProcAddress(reinterpret_cast<HMODULE>(library.handle), symbol));
#else
    return reinterpret_cast<QFunctionPointer>(dlsym(library.handle, symbol));
#endif
}

} // namespace lateload

#include "modcreateobj_win32.h"

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <cstring>

namespace modCreateObj {
namespace {

GUID toGuid(const Guid &bytes)
{
    GUID g;
    static_assert(sizeof g == 16, "a GUID is 16 bytes");
    std::memcpy(&g, bytes.data(), 16);
    return g;
}

std::wstring widen(const std::string &ansi)
{
    if (ansi.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), w.data(), n);
    return w;
}

std::string narrow(const wchar_t *wide)
{
    if (!wide || !*wide)
        return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n - 1 : 0), '\0');
    if (n > 1)
        WideCharToMultiByte(CP_ACP, 0, wide, -1, s.data(), n, nullptr, nullptr);
    return s;
}

// The COM base interfaces, made from their bytes rather than taken from a library.
const GUID kIidClassFactory = toGuid(comBaseIid(1));
const GUID kIidUnknown = toGuid(comBaseIid(0));

using GetClassObjectFn = HRESULT(STDAPICALLTYPE *)(REFCLSID, REFIID, void **);

} // namespace

bool ListTypeLibClasses(const std::string &path, std::vector<ClassEntryA> *classes)
{
    classes->clear();
    // The type library reader takes the path as UTF-16; it is the ANSI path widened.
    const std::wstring wide = widen(path);
    ITypeLib *lib = nullptr;
    if (wide.empty() || FAILED(LoadTypeLibEx(wide.c_str(), REGKIND_NONE, &lib)) || !lib)
        return false;
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        ITypeInfo *info = nullptr;
        if (FAILED(lib->GetTypeInfo(i, &info)) || !info)
            continue;
        TYPEATTR *attr = nullptr;
        if (FAILED(info->GetTypeAttr(&attr)) || !attr) {
            info->Release();
            continue;
        }
        const GUID guid = attr->guid;
        const TYPEKIND kind = attr->typekind;
        info->ReleaseTypeAttr(attr);
        BSTR name = nullptr;
        lib->GetDocumentation(INT(i), &name, nullptr, nullptr, nullptr);
        if (kind == TKIND_COCLASS) {
            ClassEntryA entry;
            entry.name = narrow(name);
            std::memcpy(entry.clsid.data(), &guid, 16);
            classes->push_back(std::move(entry));
        }
        SysFreeString(name);
        info->Release();
    }
    lib->Release();
    return true;
}

IUnknown *CreateFromDll(const std::string &path, const std::string &className)
{
    std::vector<ClassEntryA> classes;
    if (!ListTypeLibClasses(path, &classes))
        return nullptr;
    const int found = chooseClass(classes, className);
    if (found < 0)
        return nullptr;

    HMODULE module = GetModuleHandleA(path.c_str());
    if (!module)
        module = LoadLibraryA(path.c_str());
    if (!module)
        return nullptr;
    const auto entry = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void *>(GetProcAddress(module, "DllGetClassObject")));
    if (!entry)
        return nullptr;

    const GUID clsid = toGuid(classes[size_t(found)].clsid);
    IClassFactory *factory = nullptr;
    if (entry(clsid, kIidClassFactory, reinterpret_cast<void **>(&factory)) != S_OK || !factory)
        return nullptr;
    IUnknown *object = nullptr;
    const HRESULT hr = factory->CreateInstance(nullptr, kIidUnknown, reinterpret_cast<void **>(&object));
    factory->Release();
    if (hr != S_OK || !object)
        return nullptr;
    return object;
}

} // namespace modCreateObj

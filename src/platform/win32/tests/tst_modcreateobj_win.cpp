// CreateFromDll and ListTypeLibClasses over real COM: test servers built here
// (probeserver.cpp in variants, type libraries by widl as resources).
#include "probe.h"
#include "platform/win32/modcreateobj_win32.h"
#include "wintest.h"

#include <cstring>
#include <fstream>

using modCreateObj::CreateFromDll;
using modCreateObj::ListTypeLibClasses;

namespace {

std::string dir;

std::string at(const char *file) { return dir + file; }

// 0 for no object; else what the object answers to Which. The object is released.
long whichOf(IUnknown *object)
{
    if (!object)
        return 0;
    IZenProbe *probe = nullptr;
    long which = -1;
    if (SUCCEEDED(object->QueryInterface(IID_IZenProbe, reinterpret_cast<void **>(&probe))) && probe) {
        probe->Which(&which);
        probe->Release();
    }
    object->Release();
    return which;
}

long madeBy(IUnknown *object)
{
    IZenProbe *probe = nullptr;
    long made = -1;
    if (object && SUCCEEDED(object->QueryInterface(IID_IZenProbe, reinterpret_cast<void **>(&probe)))) {
        probe->Made(&made);
        probe->Release();
    }
    return made;
}

struct CreateCase {
    const char *name;
    std::string path;
    const char *className;
    long which; // 0: nothing
};

std::string guidBytes(const modCreateObj::Guid &g, const GUID &want)
{
    return std::memcmp(g.data(), &want, 16) == 0 ? "" : "class id differs";
}

} // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    dir = wintest::programFolder();
    if (GetACP() != 936) {
        std::cout << "FAIL  the ANSI code page is " << GetACP() << ", not 936 (set LANG=zh_CN.UTF-8 for Wine)\n";
        return 1;
    }
    // A file that is no PE image, and the server below a folder with a Chinese name (GBK: 插件\服务.dll).
    std::ofstream(at("notpe.dll"), std::ios::binary) << "MZ? no, just text\r\n";
    const std::string chineseDir = dir + "\xB2\xE5\xBC\xFE";
    const std::string chinese = chineseDir + "\\\xB7\xFE\xCE\xF1.dll";
    CreateDirectoryA(chineseDir.c_str(), nullptr);
    CopyFileA(at("probe.dll").c_str(), chinese.c_str(), FALSE);

    const std::vector<CreateCase> creates = {
        {"the class by its own name", at("probe.dll"), "Alpha", 1},
        {"a name in other letter case", at("probe.dll"), "aLPHA", 1},
        {"two classes of one name: the first in type-library order", at("probe.dll"), "twin", 2},
        {"two classes of one name, asked as the second is written", at("probe.dll"), "TWIN", 2},
        {"a class of the type library that the DLL does not serve", at("probe.dll"), "Stranger", 0},
        {"a class the type library does not have", at("probe.dll"), "Nobody", 0},
        {"a DLL without a type library", at("notlb.dll"), "Alpha", 0},
        {"a DLL whose DllGetClassObject fails", at("fail.dll"), "Alpha", 0},
        {"a DLL without DllGetClassObject", at("noentry.dll"), "Alpha", 0},
        {"a file that is not a PE image", at("notpe.dll"), "Alpha", 0},
        {"a missing file", at("missing.dll"), "Alpha", 0},
        {"an empty path", std::string(), "Alpha", 0},
        {"a DLL path with Chinese characters", chinese, "Alpha", 1},
    };
    std::vector<wintest::Case> cases;
    for (const CreateCase &c : creates) {
        cases.push_back({std::string("CreateFromDll: ") + c.name, [c] {
                             const long got = whichOf(CreateFromDll(c.path, c.className));
                             return got == c.which ? std::string()
                                                   : "object " + std::to_string(got) + ", expected " + std::to_string(c.which);
                         }});
    }
    cases.push_back({"CreateFromDll: a type library without classes raises error 9", [] {
                         try {
                             IUnknown *o = CreateFromDll(at("noclass.dll"), "Alpha");
                             if (o)
                                 o->Release();
                             return std::string("no error raised");
                         } catch (const modCreateObj::SubscriptOutOfRange &e) {
                             return e.number == 9 && std::string(e.what()) == "\xE4\xB8\x8B\xE6\xA0\x87\xE8\xB6\x8A\xE7\x95\x8C"
                                        ? std::string()
                                        : std::string("wrong error ") + e.what();
                         }
                     }});
    cases.push_back({"ListTypeLibClasses: the coclasses in type-library order with their ids", [] {
                         std::vector<modCreateObj::ClassEntryA> classes;
                         if (!ListTypeLibClasses(at("probe.dll"), &classes))
                             return std::string("no type library");
                         std::string names;
                         for (const auto &c : classes)
                             names += c.name + ";";
                         // A type library keeps one spelling per name: "TWIN" reads as "Twin".
                         if (names != "Alpha;Twin;Twin;Stranger;")
                             return "classes " + names;
                         const GUID alpha = {0x13B76C17, 0x267C, 0x43D3, {0xB9, 0x0B, 0x6B, 0xBE, 0xDE, 0x11, 0x29, 0x32}};
                         return guidBytes(classes[0].clsid, alpha);
                     }});
    cases.push_back({"ListTypeLibClasses registers nothing", [] {
                         std::vector<modCreateObj::ClassEntryA> classes;
                         ListTypeLibClasses(at("probe.dll"), &classes);
                         for (const char *key : {"TypeLib\\{4ED222F9-6D1C-47F3-952E-002E78F76685}",
                                                 "CLSID\\{13B76C17-267C-43D3-B90B-6BBEDE112932}"}) {
                             HKEY h = nullptr;
                             if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &h) == ERROR_SUCCESS) {
                                 RegCloseKey(h);
                                 return std::string("HKEY_CLASSES_ROOT\\") + key + " exists";
                             }
                         }
                         return std::string();
                     }});
    cases.push_back({"ListTypeLibClasses: no type library gives false and no classes", [] {
                         std::vector<modCreateObj::ClassEntryA> classes(1);
                         const bool ok = ListTypeLibClasses(at("notlb.dll"), &classes);
                         return !ok && classes.empty() ? std::string() : std::string("listed");
                     }});
    cases.push_back({"ListTypeLibClasses: a type library without classes gives true and none", [] {
                         std::vector<modCreateObj::ClassEntryA> classes;
                         return ListTypeLibClasses(at("noclass.dll"), &classes) && classes.empty() ? std::string()
                                                                                                    : std::string("wrong");
                     }});
    cases.push_back({"the two base interface ids are built from their bytes", [] {
                         const GUID unknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
                         const GUID factory = {1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
                         if (std::memcmp(modCreateObj::comBaseIid(0).data(), &unknown, 16) != 0
                             || std::memcmp(modCreateObj::comBaseIid(1).data(), &factory, 16) != 0
                             || std::memcmp(&unknown, &IID_IUnknown, 16) != 0 || std::memcmp(&factory, &IID_IClassFactory, 16) != 0)
                             return std::string("differ from the system's");
                         return std::string();
                     }});
    cases.push_back({"a DLL already loaded is reused, and stays after its objects are gone", [] {
                         const std::string path = at("probe.dll");
                         IUnknown *first = CreateFromDll(path, "Alpha");
                         const HMODULE loaded = GetModuleHandleA(path.c_str());
                         const long before = madeBy(first);
                         IUnknown *second = CreateFromDll(path, "Alpha");
                         const long after = madeBy(second);
                         if (first)
                             first->Release();
                         if (second)
                             second->Release();
                         CoFreeUnusedLibraries();
                         if (!loaded || before < 1)
                             return std::string("no object or module");
                         if (after != before + 1)
                             return "the second object came from another module: made " + std::to_string(after);
                         return GetModuleHandleA(path.c_str()) == loaded ? std::string() : std::string("module unloaded");
                     }});
    const int failed = wintest::runCases("object creation from a DLL", cases);
    CoUninitialize();
    return failed == 0 ? 0 : 1;
}

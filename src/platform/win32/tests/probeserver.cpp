// A small in-process COM server for the tests of CreateFromDll, built in
// variants: ZEN_SERVE serves Alpha, Twin and TWIN (not Stranger, whose class
// lives elsewhere); ZEN_FAIL has an entry point that refuses every class;
// ZEN_NO_ENTRY exports no DllGetClassObject at all.
#include "probe.h"

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <cstring>

namespace {

std::atomic<long> g_made{0};

// Class ids as the type library gives them (probe.idl).
const GUID kAlpha = {0x13B76C17, 0x267C, 0x43D3, {0xB9, 0x0B, 0x6B, 0xBE, 0xDE, 0x11, 0x29, 0x32}};
const GUID kTwin = {0xE5EE66B7, 0x6C07, 0x40D9, {0x8D, 0xD4, 0x0E, 0xE3, 0xC1, 0xFD, 0xB0, 0xA5}};
const GUID kTWIN = {0x70128AD5, 0xB928, 0x49EF, {0xB2, 0xA1, 0xCA, 0xA2, 0x57, 0xBF, 0x92, 0x11}};

bool same(REFGUID a, const GUID &b) { return std::memcmp(&a, &b, sizeof b) == 0; }

class Probe : public IZenProbe
{
public:
    explicit Probe(long which) : m_which(which) { ++g_made; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        if (same(iid, IID_IUnknown) || same(iid, IID_IZenProbe)) {
            *out = static_cast<IZenProbe *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++m_refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const long left = --m_refs;
        if (left == 0)
            delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE Which(long *value) override
    {
        *value = m_which;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Made(long *count) override
    {
        *count = g_made;
        return S_OK;
    }

private:
    virtual ~Probe() = default;
    std::atomic<long> m_refs{1};
    long m_which;
};

class Factory : public IClassFactory
{
public:
    explicit Factory(long which) : m_which(which) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        if (same(iid, IID_IUnknown) || same(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++m_refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const long left = --m_refs;
        if (left == 0)
            delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Probe *p = new Probe(m_which);
        const HRESULT hr = p->QueryInterface(iid, out);
        p->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    virtual ~Factory() = default;
    std::atomic<long> m_refs{1};
    long m_which;
};

} // namespace

#if !defined(ZEN_NO_ENTRY)
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
#if defined(ZEN_FAIL)
    (void)clsid;
    (void)iid;
    return E_FAIL;
#else
    long which = 0;
    if (same(clsid, kAlpha))
        which = 1;
    else if (same(clsid, kTwin))
        which = 2;
    else if (same(clsid, kTWIN))
        which = 3;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    Factory *f = new Factory(which);
    const HRESULT hr = f->QueryInterface(iid, out);
    f->Release();
    return hr;
#endif
}
#endif

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

// Locks, object counting and the non-delegating IUnknown that every COM
// object of the filter framework builds on.
#pragma once

#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <dshow.h>
#include <windows.h>

// Object names are for debugging only; they are not stored.
#ifndef NAME
#define NAME(x) TEXT(x)
#endif

#ifndef CheckPointer
#define CheckPointer(p, ret)              \
    do {                                  \
        if ((p) == nullptr) return (ret); \
    } while (0)
#endif

// A re-entrant lock (a Win32 critical section).
class CCritSec {
public:
    CCritSec() { InitializeCriticalSection(&m_cs); }
    ~CCritSec() { DeleteCriticalSection(&m_cs); }
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock() { EnterCriticalSection(&m_cs); }
    void Unlock() { LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

// Holds a CCritSec for the lifetime of a scope.
class CAutoLock {
public:
    explicit CAutoLock(CCritSec* lock) : m_pLock(lock) { m_pLock->Lock(); }
    ~CAutoLock() { m_pLock->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCritSec* m_pLock;
};

// Counts the live framework objects of the process, so that a test (or a
// DllCanUnloadNow) can tell whether everything was released.
class CBaseObject {
public:
    explicit CBaseObject(LPCTSTR pName);
    virtual ~CBaseObject();
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;

    static LONG ObjectsActive();
};

// The inner IUnknown of an aggregatable object. Its v-table has the layout
// of IUnknown, so a pointer to it serves as the object's own IUnknown.
struct INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

// Reference counting and QueryInterface with optional aggregation. A new
// object starts with no reference; whoever creates it takes the first one.
class CUnknown : public INonDelegatingUnknown, public CBaseObject {
public:
    CUnknown(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr = nullptr);
    ~CUnknown() override = default;

    // The controlling unknown: the outer object when aggregated, else us.
    LPUNKNOWN GetOwner() const { return m_pUnknown; }

    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
    STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

protected:
    volatile LONG m_cRef = 0;

private:
    LPUNKNOWN const m_pUnknown;
};

// Hands out an interface pointer with a reference taken through it.
HRESULT GetInterface(LPUNKNOWN pUnk, void** ppv);

// The IUnknown methods of a class derived from CUnknown: all go to the
// controlling unknown. Needed once in every class that adds interfaces.
#define DECLARE_IUNKNOWN                                                                                            \
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return GetOwner()->QueryInterface(riid, ppv); } \
    STDMETHODIMP_(ULONG) AddRef() override { return GetOwner()->AddRef(); }                                         \
    STDMETHODIMP_(ULONG) Release() override { return GetOwner()->Release(); }

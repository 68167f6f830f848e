// afx.h - the core of the framework layer: platform headers, diagnostics, exceptions and
// run-time class information.
//
// Covers: ASSERT/VERIFY/TRACE (debug-only checks), CObject with CRuntimeClass,
// DECLARE_DYNAMIC / IMPLEMENT_DYNAMIC / RUNTIME_CLASS / IsKindOf / DYNAMIC_DOWNCAST,
// CException and CInvalidArgException with AfxThrowInvalidArgException (thrown, as the
// framework does, as a pointer to a shared object whose Delete() is harmless).
// Serialization and dump contexts are declared only as names for the virtual slots.
#ifndef ZELVIX_AFX_H
#define ZELVIX_AFX_H

#ifndef STRICT
#define STRICT
#endif
#include <windows.h>
#include <cassert>
#include <cstring>

#include "framework/afx_string.h"
#include "framework/afx_types.h"

#ifdef _DEBUG
#define ASSERT(f) assert(f)
#define VERIFY(f) assert(f)
#else
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#endif
#define ASSERT_VALID(p) ASSERT((p) != NULL)

#ifndef AFXAPI
#define AFXAPI __stdcall
#endif

class CArchive;      // serialization is not supported; the name keeps the virtual slot
class CDumpContext;  // diagnostics dumps are not supported; the name keeps the virtual slot
class CObject;

// Run-time class information: one static record per class, chained to its base.
struct CRuntimeClass
{
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    CRuntimeClass* m_pBaseClass;

    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name) \
public: \
    static CRuntimeClass class##class_name; \
    static CRuntimeClass* PASCAL GetThisClass(); \
    virtual CRuntimeClass* GetRuntimeClass() const;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    CRuntimeClass class_name::class##class_name = { \
        #class_name, (int)sizeof(class_name), RUNTIME_CLASS(base_class_name) }; \
    CRuntimeClass* PASCAL class_name::GetThisClass() { return &class_name::class##class_name; } \
    CRuntimeClass* class_name::GetRuntimeClass() const { return &class_name::class##class_name; }

class CObject
{
public:
    static CRuntimeClass classCObject;
    static CRuntimeClass* PASCAL GetThisClass();

    // Virtual slots in the framework's order.
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() {}
    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& dc) const;

    BOOL IsKindOf(const CRuntimeClass* pClass) const;

protected:
    CObject() {}

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

// Cast to a derived class after checking the run-time class; NULL when it does not match.
CObject* AFXAPI AfxDynamicDownCast(CRuntimeClass* pClass, CObject* pObject);
#define DYNAMIC_DOWNCAST(class_name, object) \
    (static_cast<class_name*>(AfxDynamicDownCast(RUNTIME_CLASS(class_name), (object))))

class CException : public CObject
{
    DECLARE_DYNAMIC(CException)
public:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}
    // Frees the exception when it was allocated for one throw; shared ones stay.
    void Delete();
protected:
    BOOL m_bAutoDelete;
};

class CInvalidArgException : public CException
{
    DECLARE_DYNAMIC(CInvalidArgException)
public:
    explicit CInvalidArgException(BOOL bAutoDelete = TRUE) : CException(bAutoDelete) {}
};

[[noreturn]] void AFXAPI AfxThrowInvalidArgException();

#endif // ZELVIX_AFX_H

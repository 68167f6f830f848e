// afx.cpp - CObject, run-time class information and exceptions.
#include "framework/afx.h"

CRuntimeClass CObject::classCObject = { "CObject", (int)sizeof(CObject), NULL };

CRuntimeClass* PASCAL CObject::GetThisClass() { return &CObject::classCObject; }
CRuntimeClass* CObject::GetRuntimeClass() const { return &CObject::classCObject; }
void CObject::Serialize(CArchive& /*ar*/) {}
void CObject::AssertValid() const { ASSERT(this != NULL); }
void CObject::Dump(CDumpContext& /*dc*/) const {}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* p = this; p != NULL; p = p->m_pBaseClass) {
        if (p == pBaseClass)
            return TRUE;
    }
    return FALSE;
}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

CObject* AFXAPI AfxDynamicDownCast(CRuntimeClass* pClass, CObject* pObject)
{
    return (pObject != NULL && pObject->IsKindOf(pClass)) ? pObject : NULL;
}

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CInvalidArgException, CException)

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

void AFXAPI AfxThrowInvalidArgException()
{
    // One shared object, like the framework's pre-allocated simple exceptions: throwing
    // never allocates, and a catcher's Delete() leaves it alone.
    static CInvalidArgException s_invalidArg(FALSE);
    throw &s_invalidArg;
}

// afxcoll.cpp - CPtrArray.
#include "framework/afxcoll.h"

IMPLEMENT_DYNAMIC(CPtrArray, CObject)

void CPtrArray::InsertAt(INT_PTR nIndex, void* newElement, INT_PTR nCount)
{
    if (nIndex < 0 || nCount <= 0)
        AfxThrowInvalidArgException();
    // Inserting past the end grows the array with null entries, as the framework does.
    if (nIndex > GetSize())
        m_data.resize((size_t)nIndex, NULL);
    m_data.insert(m_data.begin() + nIndex, (size_t)nCount, newElement);
}

void CPtrArray::RemoveAt(INT_PTR nIndex, INT_PTR nCount)
{
    if (nIndex < 0 || nCount < 0 || nIndex + nCount > GetSize())
        AfxThrowInvalidArgException();
    m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
}

void CPtrArray::SetSize(INT_PTR nNewSize, INT_PTR /*nGrowBy*/)
{
    if (nNewSize < 0)
        AfxThrowInvalidArgException();
    m_data.resize((size_t)nNewSize, NULL);
}

// afxcoll.h - CPtrArray: a growable array of untyped pointers.
//
// Covers GetSize/GetCount/GetUpperBound/IsEmpty, GetAt/SetAt/ElementAt/operator[], Add,
// InsertAt, RemoveAt, RemoveAll, SetSize and GetData. Every index outside the array throws
// the framework's invalid-argument exception (CInvalidArgException*), as the framework does.
#ifndef ZELVIX_AFXCOLL_H
#define ZELVIX_AFXCOLL_H

#include "framework/afx.h"

#include <vector>

class CPtrArray : public CObject
{
    DECLARE_DYNAMIC(CPtrArray)
public:
    typedef void* BASE_TYPE;
    typedef void* BASE_ARG_TYPE;

// Construction
    CPtrArray() {}

// Attributes
    INT_PTR GetSize() const { return (INT_PTR)m_data.size(); }
    INT_PTR GetCount() const { return GetSize(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    BOOL IsEmpty() const { return m_data.empty(); }

// Operations
    void* GetAt(INT_PTR nIndex) const { return m_data[Checked(nIndex)]; }
    void SetAt(INT_PTR nIndex, void* newElement) { m_data[Checked(nIndex)] = newElement; }
    void*& ElementAt(INT_PTR nIndex) { return m_data[Checked(nIndex)]; }
    void* operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    void*& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
    const void** GetData() const { return (const void**)m_data.data(); }
    void** GetData() { return m_data.data(); }

    INT_PTR Add(void* newElement) { m_data.push_back(newElement); return GetSize() - 1; }
    void InsertAt(INT_PTR nIndex, void* newElement, INT_PTR nCount = 1);
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1);
    void RemoveAll() { m_data.clear(); }
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
    void FreeExtra() { m_data.shrink_to_fit(); }

private:
    size_t Checked(INT_PTR nIndex) const
    {
        if (nIndex < 0 || nIndex >= GetSize())
            AfxThrowInvalidArgException();
        return (size_t)nIndex;
    }

    std::vector<void*> m_data;
};

#endif // ZELVIX_AFXCOLL_H

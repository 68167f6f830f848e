// afx_handlemap.h - the handle maps behind FromHandle, Attach and Detach.
//
// Each wrapper kind (windows, device contexts, GDI objects, menus) keeps two maps from
// handle to object: the permanent map holds objects that own a handle through Attach or
// creation; the temporary map holds objects that FromHandle made for a handle nobody has
// wrapped. A temporary object is the same object for the same handle until the temporary
// map is purged; it never releases its handle. All on the one user-interface thread.
#ifndef ZELVIX_AFX_HANDLEMAP_H
#define ZELVIX_AFX_HANDLEMAP_H

#include <unordered_map>
#include <utility>

template <class HANDLE_T, class OBJECT_T>
class CHandleMap
{
public:
    typedef void (*PFN_RELEASE_TEMP)(OBJECT_T* pTemp);  // clears the handle, then deletes

    explicit CHandleMap(PFN_RELEASE_TEMP pfnRelease) : m_pfnRelease(pfnRelease) {}
    ~CHandleMap() { PurgeTemporary([](HANDLE_T) { return true; }); }

    OBJECT_T* LookupPermanent(HANDLE_T h) const
    {
        auto it = m_permanent.find(h);
        return it == m_permanent.end() ? nullptr : it->second;
    }
    OBJECT_T* LookupTemporary(HANDLE_T h) const
    {
        auto it = m_temporary.find(h);
        return it == m_temporary.end() ? nullptr : it->second;
    }
    void RemoveHandle(HANDLE_T h)
    {
        m_permanent.erase(h);
        m_temporary.erase(h);
    }
    size_t TemporaryCount() const { return m_temporary.size(); }

    // The object for a handle: the attached one, else the temporary one, else a new temporary
    // one from makeTemp(h) (which sets the object's handle member).
    template <class MAKE>
    OBJECT_T* FromHandle(HANDLE_T h, MAKE makeTemp)
    {
        if (h == nullptr)
            return nullptr;
        if (OBJECT_T* p = LookupPermanent(h))
            return p;
        if (OBJECT_T* p = LookupTemporary(h))
            return p;
        OBJECT_T* p = makeTemp(h);
        m_temporary[h] = p;
        return p;
    }

    // Binds h to p for good; a temporary wrapper of h gives way.
    void AttachPermanent(HANDLE_T h, OBJECT_T* p)
    {
        DropTemporary(h);
        m_permanent[h] = p;
    }

    // Frees the temporary wrapper of h, if there is one.
    void DropTemporary(HANDLE_T h)
    {
        auto it = m_temporary.find(h);
        if (it == m_temporary.end())
            return;
        OBJECT_T* p = it->second;
        m_temporary.erase(it);
        m_pfnRelease(p);
    }

    // Frees the temporary objects whose handles the predicate names.
    template <class PRED>
    void PurgeTemporary(PRED shouldPurge)
    {
        for (auto it = m_temporary.begin(); it != m_temporary.end();) {
            if (shouldPurge(it->first)) {
                OBJECT_T* p = it->second;
                it = m_temporary.erase(it);
                m_pfnRelease(p);
            } else {
                ++it;
            }
        }
    }

private:
    PFN_RELEASE_TEMP m_pfnRelease;
    std::unordered_map<HANDLE_T, OBJECT_T*> m_permanent;
    std::unordered_map<HANDLE_T, OBJECT_T*> m_temporary;
};

// Frees temporary device-context, GDI-object and menu wrappers, and window wrappers whose
// windows are gone. The modal loop calls it when its queue runs empty, as the framework
// does at idle time: a temporary object is good only while the message that produced it is
// being handled.
void AFXAPI AfxPurgeTempMaps();

#endif // ZELVIX_AFX_HANDLEMAP_H

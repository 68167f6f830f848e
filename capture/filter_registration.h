// filter_registration.h - the builds of the capture filter installed on this machine, listed as a
// DirectShow host lists video sources, and what each of them reads.
//
//   kVideoInputCategory, kPublicFilterClsid32/64   the registry names the lookup goes by
//   InstalledFilter                                 one registration, its DLL and what the DLL reads
//   CFilterScanCache                                each DLL's scan, kept while the file is unchanged
//   CFilterRegistrationWatch                        whether the video sources may have changed
//   FindInstalledFilters                            every registration of the filter, both views
//
// Shared by the program and zelvix-doctor. A 32-bit host lists the filters of the 32-bit registry
// view and a 64-bit host those of the 64-bit view, so both views are read (one on a system without
// WOW64, where they are the same). Paths and names are read with the wide calls, so any character
// survives, and handed out in UTF-8.
//
// The file version is read through version.dll, loaded from the system folder when a DLL is first
// scanned: the program imports no library it does not need at start-up, and the doctor shares
// this code.
#ifndef ZELVIX_FILTER_REGISTRATION_H
#define ZELVIX_FILTER_REGISTRATION_H

#include <cstdint>
#include <string>
#include <vector>

#include "capture/filter_image_scan.h"

namespace zelvix {

constexpr char kVideoInputCategory[] = "{860BB310-5D01-11D0-BD3B-00A0C911CE86}";
constexpr char kPublicFilterClsid32[] = "{4EA6930A-2C8A-4AE6-A561-56E4B5044439}";
constexpr char kPublicFilterClsid64[] = "{4EA69364-2C8A-4AE6-A561-56E4B5044439}";
constexpr char kPublicFilterName[] = "screen-capture-recorder";   // its FriendlyName

struct InstalledFilter {
    std::string strName;     // FriendlyName (UTF-8)
    std::string strClsid;    // "{...}" as registered
    int nBits = 32;          // the registry view it is registered in: 32 or 64
    std::string strDll;      // InprocServer32's default value, environment variables expanded (UTF-8)
    bool bExists = false;    // the DLL file is there
    std::string strVersion;  // its file version "a.b.c.d" (VS_FIXEDFILEINFO), or empty
    FilterReads reads;       // from the DLL's bytes; all false when the file is missing
};

// Remembers each DLL's scan by path, size and last write time, so that a check repeated every
// minute reads the registry (and one file-attributes call per registration) but no DLL again.
// A DLL that could not be read is not remembered: the next lookup tries it again. Not for use by
// two threads at once.
class CFilterScanCache
{
public:
    struct CEntry {
        std::string strPath;   // as registered, expanded (UTF-8)
        int nBits = 32;        // the view's: a path under the system folder names another file in each
        std::uint64_t nSize = 0;
        std::uint64_t nWriteTime = 0;   // FILETIME
        FilterReads reads;
        std::string strVersion;
        bool bUsed = true;     // looked up since the last Prune
    };

// Attributes
    std::size_t GetCount() const { return m_entries.size(); }

// Operations
    // The entry for this file if it is unchanged since it was scanned, else NULL.
    const CEntry* Lookup(const std::string& strPath, int nBits, std::uint64_t nSize, std::uint64_t nWriteTime);
    void Remember(const CEntry& entry);
    // Forgets the DLLs not looked up since the last call: those no longer registered.
    void Prune();

private:
    std::vector<CEntry> m_entries;
};

// Tells whether the video input category may have changed since the last call, so that a check
// repeated every minute reads nothing while nobody registers or removes a video source: in each
// view the category's Instance key is watched (RegNotifyChangeKeyValue, one event), or, while it
// does not exist yet, the nearest key above it. The first call says "changed".
class CFilterRegistrationWatch
{
public:
    CFilterRegistrationWatch();
    ~CFilterRegistrationWatch();
    CFilterRegistrationWatch(const CFilterRegistrationWatch&) = delete;
    CFilterRegistrationWatch& operator=(const CFilterRegistrationWatch&) = delete;

    bool HasChanged();

private:
    void* m_hEvent;     // HANDLE
    void* m_hKeys[2];   // HKEY, per view; NULL while not watched
    bool m_bArmed;
};

// Every registration of the family in both registry views, 32-bit first. A registration belongs
// to the family when its DLL reads the key (bKey), or, when its DLL is missing (or cannot be
// read), when its CLSID is one of the public build's two or its FriendlyName is
// "screen-capture-recorder".
std::vector<InstalledFilter> FindInstalledFilters(CFilterScanCache* pCache = nullptr);

}  // namespace zelvix

#endif  // ZELVIX_FILTER_REGISTRATION_H

// solo_capture_store.cpp - what the filter is left with when the key refuses some writes, and the
// still image's path for a folder the ANSI code page cannot spell. Refusals are made by routing
// this process's RegSetValueExA (its import table entry) through a recorder that fails the names
// asked for; hence a process of its own.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "capture/capture_frame.h"
#include "capture/capture_settings_store.h"

namespace
{
typedef LONG(WINAPI* SetValueFn)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
SetValueFn g_pfnRealSetValue = NULL;
std::string g_strWrites;          // the names written, in order, "-" before a refused one
std::set<std::string> g_refused;  // names the key refuses

LONG WINAPI RecordingSetValue(HKEY hKey, LPCSTR pszName, DWORD dwReserved, DWORD dwType, const BYTE* pData, DWORD cb)
{
    const bool bRefused = g_refused.count(pszName) != 0;
    g_strWrites += (bRefused ? "-" : "") + std::string(pszName) + " ";
    return bRefused ? ERROR_ACCESS_DENIED : g_pfnRealSetValue(hKey, pszName, dwReserved, dwType, pData, cb);
}

// Points this executable's import of ADVAPI32!RegSetValueExA at RecordingSetValue.
bool RouteSetValue()
{
    BYTE* pBase = (BYTE*)::GetModuleHandleA(NULL);
    g_pfnRealSetValue = (SetValueFn)(void*)::GetProcAddress(::GetModuleHandleA("advapi32.dll"), "RegSetValueExA");
    const IMAGE_NT_HEADERS* pNt = (const IMAGE_NT_HEADERS*)(pBase + ((IMAGE_DOS_HEADER*)pBase)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (const IMAGE_IMPORT_DESCRIPTOR* p = (const IMAGE_IMPORT_DESCRIPTOR*)(pBase + dir.VirtualAddress); p->Name; ++p)
        for (IMAGE_THUNK_DATA* pThunk = (IMAGE_THUNK_DATA*)(pBase + p->FirstThunk); pThunk->u1.Function; ++pThunk)
            if (pThunk->u1.Function == (ULONG_PTR)g_pfnRealSetValue) {
                DWORD dwOld = 0;
                ::VirtualProtect(&pThunk->u1.Function, sizeof(ULONG_PTR), PAGE_READWRITE, &dwOld);
                pThunk->u1.Function = (ULONG_PTR)&RecordingSetValue;
                ::VirtualProtect(&pThunk->u1.Function, sizeof(ULONG_PTR), dwOld, &dwOld);
                return true;
            }
    return false;
}

const std::string DEFAULTS = "stretch_to_width stretch_to_height stretch_mode_high_quality_if_1 "
    "track_new_x_y_coords_each_frame_if_1 param_set start_x start_y capture_width capture_height default_max_fps "
    "show_img img_filename param_set ";
const std::string TICK = "start_x start_y capture_width capture_height show_img img_filename param_set ";

// A set's writes as the recorder logs them when the key refuses strName: that one marked "-", and
// without the closing param_set.
std::string Refused(const std::string& strSet, const std::string& strName)
{
    std::string str = " " + strSet.substr(0, strSet.size() - std::string("param_set ").size());
    str.replace(str.find(" " + strName + " "), strName.size() + 2, " -" + strName + " ");
    return str.substr(1);
}

TEST(CaptureStoreRefusals, ASetWithARefusedWriteIsNotMarkedAndIsWrittenWholeNextTime)
{
    ASSERT_TRUE(RouteSetValue()) << "no import of RegSetValueExA to route";
    g_refused = { "default_max_fps" };
    CScreenShareHintWnd frame;   // construction writes the defaults
    ASSERT_TRUE(frame.CreateFrame());
    EXPECT_EQ(Refused(DEFAULTS, "default_max_fps"), g_strWrites) << "construction";

    const struct { const char* pszRefused; std::string strWrites; } ticks[] = {
        { "show_img", Refused(DEFAULTS, "show_img") + Refused(TICK, "show_img") },
        { "", DEFAULTS + TICK },   // both sets whole at last
        { "", TICK },              // the defaults go again only while they are unmarked
    };
    for (const auto& tick : ticks) {
        g_strWrites.clear();
        g_refused = { tick.pszRefused };
        frame.SendMessage(WM_TIMER, zelvix::kFramePublishTimerId);   // a tick
        EXPECT_EQ(tick.strWrites, g_strWrites) << "refused: " << tick.pszRefused;
    }
    g_refused.clear();
    frame.DestroyWindow();
}

std::string Ansi(const std::wstring& str)   // as the platform's narrow calls give it
{
    char sz[MAX_PATH * 2] = "";
    ::WideCharToMultiByte(CP_ACP, 0, str.c_str(), -1, sz, sizeof(sz), NULL, NULL);
    return sz;
}

TEST(StillImagePath, AFolderTheCodePageCannotSpellIsPublishedByItsShortForm)
{
    wchar_t szTemp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, szTemp);
    const std::wstring strDir = szTemp + std::wstring(L"\uD14C\uC2A4\uD2B8 \uD3F4\uB354");   // 테스트 폴더
    const std::wstring strExe = strDir + L"\\zelvix.exe";
    ASSERT_TRUE(::CreateDirectoryW(strDir.c_str(), NULL) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    const std::string strShort(ImageFileNameFromModulePath(strExe.c_str(), Ansi(strExe).c_str()));
    for (unsigned char ch : strShort)
        ASSERT_LT(ch, 0x80) << strShort << " is not plain ASCII";
    ASSERT_EQ("\\1.bmp", strShort.substr(strShort.rfind('\\')));
    const std::wstring strShortDir(strShort.begin(), strShort.begin() + strShort.rfind('\\'));
    wchar_t szLong[MAX_PATH * 2] = L"";
    ::GetLongPathNameW(strShortDir.c_str(), szLong, MAX_PATH * 2);
    EXPECT_EQ(0, lstrcmpiW(strDir.c_str(), szLong)) << strShort << " is another folder, or none";

    ::RemoveDirectoryW(strDir.c_str());
    EXPECT_EQ(Ansi(strDir) + "\\1.bmp", std::string(ImageFileNameFromModulePath(strExe.c_str(), Ansi(strExe).c_str())))
        << "no folder, no short form: as the platform gave it";
}

} // namespace

// solo_capture_store.cpp - what the filter is left with when the key refuses some writes, and the
// still image's path for a folder the ANSI code page cannot spell. Refusals are made by routing
// this process's RegSetValueExA (its import table entry) through a recorder that fails the names
// asked for; hence a process of its own.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "../../capture/capture_frame.h"
#include "../../capture/capture_settings_store.h"

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

class CTickingFrame : public CScreenShareHintWnd
{
public:
    using CScreenShareHintWnd::PublishRegion;
};

const std::string DEFAULTS = "stretch_to_width stretch_to_height stretch_mode_high_quality_if_1 "
    "track_new_x_y_coords_each_frame_if_1 param_set start_x start_y capture_width capture_height default_max_fps "
    "show_img img_filename param_set ";
const std::string TICK = "start_x start_y capture_width capture_height show_img img_filename param_set ";

// The writes of one occasion with some names refused, then those of the next tick with none.
struct Occasion { const char* pszWhat; std::set<std::string> refused; std::string strFirst, strNextTick; };

TEST(CaptureStoreRefusals, ASetWithARefusedWriteIsNotMarkedAndIsWrittenWholeNextTime)
{
    ASSERT_TRUE(RouteSetValue()) << "no import of RegSetValueExA to route";
    const Occasion occasions[] = {
        { "construction, fps refused", { "default_max_fps" },
          "stretch_to_width stretch_to_height stretch_mode_high_quality_if_1 track_new_x_y_coords_each_frame_if_1 "
          "param_set start_x start_y capture_width capture_height -default_max_fps show_img img_filename ",
          DEFAULTS + TICK },
        { "construction, nothing refused", {}, DEFAULTS, TICK },
        { "tick, start_y refused", { "start_y" },
          "start_x -start_y capture_width capture_height show_img img_filename ", TICK },
        { "tick, image path refused", { "img_filename" },
          "start_x start_y capture_width capture_height show_img -img_filename ", TICK },
    };
    for (const Occasion& o : occasions) {
        SCOPED_TRACE(o.pszWhat);
        const bool bConstruction = std::string(o.pszWhat).find("construction") == 0;
        g_strWrites.clear();
        g_refused = bConstruction ? o.refused : std::set<std::string>();
        CTickingFrame frame;
        ASSERT_TRUE(frame.CreateFrame());
        if (!bConstruction) {
            g_strWrites.clear();
            g_refused = o.refused;
            frame.PublishRegion();
        }
        EXPECT_EQ(o.strFirst, g_strWrites);
        g_strWrites.clear();
        g_refused.clear();
        frame.PublishRegion();
        EXPECT_EQ(o.strNextTick, g_strWrites);
        g_strWrites.clear();
        frame.PublishRegion();
        EXPECT_EQ(TICK, g_strWrites) << "the defaults went again";
        frame.DestroyWindow();
    }
    g_strWrites.clear();
    g_refused = { "show_img" };
    EXPECT_EQ(ERROR_ACCESS_DENIED, EndCaptureSet(PublishImageSettings(1)));
    EXPECT_EQ("-show_img img_filename ", g_strWrites) << "the shut-down set";
    g_refused.clear();
}

std::wstring TempDir()
{
    wchar_t sz[MAX_PATH];
    const DWORD n = ::GetTempPathW(MAX_PATH, sz);
    return std::wstring(sz, n);
}

std::string Ansi(const std::wstring& str)   // as the platform's narrow calls give it
{
    char sz[MAX_PATH * 2] = "";
    ::WideCharToMultiByte(CP_ACP, 0, str.c_str(), -1, sz, sizeof(sz), NULL, NULL);
    return sz;
}

TEST(StillImagePath, AFolderTheCodePageCannotSpellIsPublishedByItsShortForm)
{
    const std::wstring strKorean = TempDir() + L"\uD14C\uC2A4\uD2B8 \uD3F4\uB354";   // 테스트 폴더
    const std::wstring strChinese = TempDir() + L"\u76F4\u64AD \u6D4B\u8BD5";         // 直播 测试
    ASSERT_TRUE(::CreateDirectoryW(strKorean.c_str(), NULL) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(::CreateDirectoryW(strChinese.c_str(), NULL) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    const auto Published = [](const std::wstring& strDir) {
        const std::wstring strExe = strDir + L"\\zelvix.exe";
        return std::string(ImageFileNameFromModulePath(strExe.c_str(), Ansi(strExe).c_str()));
    };

    EXPECT_EQ(Ansi(strChinese) + "\\1.bmp", Published(strChinese)) << "a path the code page spells stays as it is";
    const std::string strShort = Published(strKorean);
    ASSERT_GE(strShort.size(), 6u);
    for (unsigned char ch : strShort)
        ASSERT_LT(ch, 0x80) << strShort << " is not plain ASCII";
    const std::string strShortDir = strShort.substr(0, strShort.size() - 6);
    wchar_t szLong[MAX_PATH * 2] = L"";
    const std::wstring strShortDirW(strShortDir.begin(), strShortDir.end());
    ASSERT_NE(0u, ::GetLongPathNameW(strShortDirW.c_str(), szLong, MAX_PATH * 2)) << strShort << " names nothing";
    EXPECT_EQ(0, lstrcmpiW(strKorean.c_str(), szLong)) << strShort << " is another folder";
    EXPECT_EQ("\\1.bmp", strShort.substr(strShort.size() - 6));

    ::RemoveDirectoryW(strKorean.c_str());
    ::RemoveDirectoryW(strChinese.c_str());
    EXPECT_EQ(Ansi(strKorean) + "\\1.bmp", Published(strKorean)) << "no folder, no short form: as the platform gave it";
}

} // namespace

// solo_deferred_libraries.cpp - what an image button loads only when it needs it, in a process of
// its own that has not loaded it before: the tool tip and the common controls with the first tip
// text; the sound and shell libraries with the first click that plays a sound and opens a link.
#include <gtest/gtest.h>

#include <vector>

#include "button_parent.h"

#include <mmsystem.h>

using namespace zelvix_test;

namespace
{
bool IsLoaded(const char* pszModule) { return ::GetModuleHandleA(pszModule) != NULL; }

BOOL CALLBACK AddIfToolTip(HWND hWnd, LPARAM lParam)
{
    char sz[32] = "";
    ::GetClassNameA(hWnd, sz, (int)sizeof(sz));
    if (lstrcmpiA(sz, TOOLTIPS_CLASSA) == 0)
        ((std::vector<HWND>*)lParam)->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> ThreadToolTips()
{
    std::vector<HWND> tips;
    ::EnumThreadWindows(::GetCurrentThreadId(), AddIfToolTip, (LPARAM)&tips);
    return tips;
}

// The tip text of the tool that is the window hTool itself.
std::string TipText(HWND hTip, HWND hTool)
{
    char sz[1024] = "";
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = hTool;
    ti.uId = (UINT_PTR)hTool;
    ti.lpszText = sz;
    ::SendMessageA(hTip, TTM_GETTEXTA, sizeof(sz), (LPARAM)&ti);
    return sz;
}

class CSoundLinkButton : public CImageButton
{
public:
    using CImageButton::m_clickSound, CImageButton::m_szLink;
};

class DeferredLibraries : public testing::Test
{
protected:
    CTestParent m_parent;

    void SetUp() override { ASSERT_TRUE(m_parent.CreateParent(400, 400, 300, 80)); }
    void TearDown() override { m_parent.DestroyWindow(); }
};
} // namespace

TEST_F(DeferredLibraries, TipTextCreatesTheOneToolTipAndLoadsTheCommonControls)
{
    CImageButton button;
    ASSERT_TRUE(button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &m_parent, 101));
    PostClick(button.m_hWnd);
    PumpMessages();
    ASSERT_EQ((std::vector<UINT>{ MAKELONG(101, BN_CLICKED) }), m_parent.m_commands) << "no click";
    EXPECT_TRUE(ThreadToolTips().empty()) << "a tool tip before any tip was given";
    ASSERT_FALSE(IsLoaded("comctl32.dll")) << "the common controls were loaded before any tip was given";

    for (const char* pszTip : { "放大", "缩小" }) {
        ASSERT_TRUE(button.SetTooltipText(pszTip)) << pszTip;
        EXPECT_TRUE(IsLoaded("comctl32.dll"));
        const std::vector<HWND> tips = ThreadToolTips();
        ASSERT_EQ(1u, tips.size()) << "tool tips after the tip " << pszTip;
        EXPECT_EQ(1, (int)::SendMessageA(tips[0], TTM_GETTOOLCOUNT, 0, 0));
        EXPECT_EQ(pszTip, TipText(tips[0], button.m_hWnd));
    }
}

TEST_F(DeferredLibraries, AClickWithASoundAndALinkLoadsTheSoundAndShellLibraries)
{
    CSoundLinkButton button;
    ASSERT_TRUE(button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &m_parent, 101));
    // Neither exists: both calls fail quietly, as the button ignores their results.
    button.m_clickSound.pszName = "Z:\\zelvix-no-such-sound.wav";
    button.m_clickSound.dwFlags = SND_FILENAME | SND_NODEFAULT;
    lstrcpyA(button.m_szLink, "Z:\\zelvix-no-such-file.txt");
    ASSERT_FALSE(IsLoaded("winmm.dll") || IsLoaded("shell32.dll"));
    m_parent.SendMessage(WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), (LPARAM)button.m_hWnd);
    EXPECT_TRUE(IsLoaded("winmm.dll"));
    EXPECT_TRUE(IsLoaded("shell32.dll"));
}

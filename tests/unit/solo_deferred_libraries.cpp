// solo_deferred_libraries.cpp - what an image button loads only when it needs it, in a process of
// its own that has not loaded it before: the common controls with the first tip text; the sound and
// shell libraries with the first click that plays a sound and opens a link. (That the program's
// own buttons load none of them is e2e_modules'.)
#include <gtest/gtest.h>

#include "tests/unit/button_parent.h"

#include <mmsystem.h>

using namespace zelvix_test;

namespace
{
bool IsLoaded(const char* pszModule) { return ::GetModuleHandleA(pszModule) != NULL; }

class CSoundLinkButton : public CImageButton
{
public:
    using CImageButton::m_clickSound, CImageButton::m_szLink;
};
} // namespace

TEST(DeferredLibraries, EachIsLoadedOnlyWhenAButtonFirstNeedsIt)
{
    CTestParent parent;
    ASSERT_TRUE(parent.CreateParent(400, 400, 300, 80));
    CSoundLinkButton button;
    ASSERT_TRUE(button.Create(NULL, WS_VISIBLE, CRect(2, 2, 20, 20), &parent, 101));
    for (const char* pszModule : { "comctl32.dll", "winmm.dll", "shell32.dll" })
        EXPECT_FALSE(IsLoaded(pszModule)) << pszModule << " was loaded before anything needed it";

    ASSERT_TRUE(button.SetTooltipText("放大"));
    EXPECT_TRUE(IsLoaded("comctl32.dll"));

    // Neither exists: both calls fail quietly, as the button ignores their results.
    button.m_clickSound.pszName = "Z:\\zelvix-no-such-sound.wav";
    button.m_clickSound.dwFlags = SND_FILENAME | SND_NODEFAULT;
    lstrcpyA(button.m_szLink, "Z:\\zelvix-no-such-file.txt");
    ASSERT_FALSE(IsLoaded("winmm.dll") || IsLoaded("shell32.dll")) << "the tip loaded them";
    PostClick(button.m_hWnd);
    PumpMessages();
    EXPECT_TRUE(IsLoaded("winmm.dll"));
    EXPECT_TRUE(IsLoaded("shell32.dll"));
    parent.DestroyWindow();
}

// image_button.h - CImageButton, an owner-drawn push button that shows a bitmap or an icon.
//
//   IMGBTN_*               results of the image operations
//   BMP_DARKER, BMP_GRAY   second-image requests of AssignBitmaps (in place of a bitmap handle)
//   BC_*                   indices of the six state colours
//   CImageButton           the button: images with a transparent key colour and a derived second
//                          image, drawn on a colour fill or on a copy of the parent's pixels, with
//                          an optional caption and tool tip
// Where the image goes relative to the caption is zelvix::ImagePlacement (image_layout.h).
// Icons, a click sound, a link and a drop-down menu are still painted or played when their
// protected members are filled (a derived class may); the program never fills them. They stay
// because the click path's deferred loading of the sound and shell libraries is what keeps them
// out of the program's start, and solo_deferred_libraries checks exactly that through them.
#ifndef ZELVIX_IMAGE_BUTTON_H
#define ZELVIX_IMAGE_BUTTON_H

#include <afxwin.h>
#include <afxcmn.h>

#include "controls/menu/owner_drawn_menu.h"
#include "controls/button/image_layout.h"

// Results of AssignBitmaps and CopyParentBackground.
enum
{
    IMGBTN_OK = 0,
    IMGBTN_BAD_BITMAP = 1,      // a bitmap header could not be read
    IMGBTN_MASK_FAILED = 2,     // a transparency mask could not be made
    IMGBTN_NO_PARENT_COPY = 5,  // not in parent-background mode, or no device context
};

// Second bitmap of AssignBitmaps: derive it from the first instead of passing one.
#define BMP_DARKER ((HBITMAP)(INT_PTR)-3)
#define BMP_GRAY ((HBITMAP)(INT_PTR)-2)

// Indices into CImageButton's colour table.
enum
{
    BC_FACE_PRESSED = 0,
    BC_TEXT_PRESSED = 1,
    BC_FACE_NORMAL = 2,
    BC_TEXT_NORMAL = 3,
    BC_FACE_FOCUS = 4,
    BC_TEXT_FOCUS = 5,
    BC_COLOR_COUNT = 6,
};

class CImageButton : public CButton
{
public:
    struct IconSlot
    {
        HICON hIcon;  // owned
        DWORD cx;
        DWORD cy;
    };

    struct BitmapSlot
    {
        HBITMAP hBitmap;  // owned; its key-colour pixels are black once the mask is made
        DWORD cx;         // from the bitmap's own header
        DWORD cy;
        HBITMAP hMask;    // owned, 1 bit per pixel: 1 where the image is transparent
        COLORREF crKey;   // the colour treated as transparent
    };

    struct MenuNotify
    {
        HWND hWnd;  // not owned; NULL: nobody is told before the drop-down menu shows
        UINT nMessage;
        LPARAM lParam;
    };

    struct SoundSpec
    {
        char szName[MAX_PATH];  // storage a sound name can be copied into
        const char* pszName;    // what PlaySound gets; NULL: no sound
        HMODULE hModule;
        DWORD dwFlags;          // SND_* flags
    };

// Data members
protected:
    BOOL m_bEmbossDisabled;       // disabled look drawn embossed by the platform
    int m_nImageInsetX;
    int m_nImageInsetY;
    int m_nPressShiftX;           // caption shift while pressed (not in toggle mode)
    int m_nPressShiftY;
    BOOL m_bFlatLook;
    BOOL m_bUseParentBackground;
    BOOL m_bPaintPressed;         // state of the paint in progress
    UINT m_bPaintFocused;         // ODS_FOCUS or 0
    UINT m_bPaintDisabled;        // ODS_DISABLED or 0
    BOOL m_bDefaultPush;
    BOOL m_bToggleMode;
    BYTE m_nImagePlacement;       // zelvix::ImagePlacement
    BOOL m_bShowBorder;           // sunken edge while pressed, flat style
    BOOL m_bFlatFocusRect;
    COLORREF m_arrColors[BC_COLOR_COUNT];
    HWND m_hCommandTarget;        // not owned; receives the drop-down menu's chosen command
    BOOL m_bMenuShowing;
    COwnerDrawnMenu m_dropMenu;
    HCURSOR m_hButtonCursor;      // owned
    CToolTipCtrl m_tipCtrl;       // no window until a tip is given (SetTooltipText)
    CDC m_dcParentCopy;
    CBitmap m_bmpParentCopy;
    // The bitmap m_dcParentCopy held before the copy bitmap went in, kept as the handle itself
    // (not a temporary wrapper, which the idle purge may free long before it is put back). Not
    // owned; meaningful only while m_dcParentCopy has a DC.
    HBITMAP m_pOldCopyBitmap;
    int m_nCheckState;
    DWORD m_dwTipStyle;
    char m_szLink[MAX_PATH];
    IconSlot m_arrIcons[2];
    BitmapSlot m_arrBitmaps[2];
    MenuNotify m_menuNotify;
    SoundSpec m_clickSound;

// Construction
public:
    CImageButton();
    virtual ~CImageButton();

// Attributes
    BOOL IsToggleMode() const { return m_bToggleMode; }
    BOOL IsDefaultPush() const { return m_bDefaultPush; }
    BOOL IsUsingParentBackground() const { return m_bUseParentBackground; }
    COLORREF GetColor(int nIndex) const { return m_arrColors[nIndex]; }
    const BitmapSlot& GetBitmapSlot(int nSlot) const { return m_arrBitmaps[nSlot]; }

// Operations
    // Replaces all images. second: NULL, BMP_DARKER, BMP_GRAY or a bitmap whose black pixels
    // are transparent. Both bitmaps belong to the button from here on, whatever the result.
    int AssignBitmaps(HBITMAP hFirst, HBITMAP hSecond);
    void EnableParentBackground(BOOL bRepaint);
    void ShowBorder(BOOL bShow, BOOL bRepaint);
    // Rebuilds the parent copy from pDC, the parent's DC after it has painted; no repaint.
    int CopyParentBackground(CDC* pDC);
    void ReleaseImages();
    void ReleaseParentCopy();
    // Shows lpszText while the pointer rests on the button (bActivate FALSE: kept, not shown).
    // The tool tip control, and with it the common controls, is created by the first call;
    // FALSE (no window, or no tool tip could be made): the button goes on without a tip.
    BOOL SetTooltipText(LPCSTR lpszText, BOOL bActivate = TRUE);

    // Monochrome mask: 1 where hBitmap has crKey; those pixels of hBitmap turn black.
    static HBITMAP MakeMaskBitmap(HBITMAP hBitmap, DWORD nWidth, DWORD nHeight, COLORREF crKey);
    // Derived copies; white stays white so the copy keeps the transparent background.
    static HBITMAP MakeGrayBitmap(HBITMAP hBitmap, DWORD nWidth, DWORD nHeight);
    static HBITMAP MakeDarkBitmap(HBITMAP hBitmap, DWORD nWidth, DWORD nHeight);

// Overridables
    virtual void PreSubclassWindow();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

    // Paint steps, in the order DrawItem runs them; a derived class may replace any.
    virtual int PaintFace(CDC* pDC, RECT* pFrame);
    virtual int PaintFrame(CDC* pDC, RECT* pFrame);
    virtual void PaintIcon(CDC* pDC, BOOL bHasCaption, const RECT* pItem, RECT* pCaption, BOOL bPressed,
                           BOOL bDisabled);
    virtual void PaintBitmap(CDC* pDC, BOOL bHasCaption, const RECT* pItem, RECT* pCaption, BOOL bPressed,
                             BOOL bDisabled);
    virtual void PaintCaption(CDC* pDC, const char* pszText, const RECT* pItem, RECT* pCaption, BOOL bPressed,
                              BOOL bDisabled);

// Implementation
    void PaintParentCopy(CDC* pDC);
    // Image rectangle of a width x height image in the item rectangle; narrows pCaption.
    RECT PlaceImage(BOOL bHasCaption, DWORD nWidth, DWORD nHeight, const RECT* pItem, RECT* pCaption) const;

// Message handlers
protected:
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnSysColorChange();
    BOOL OnClicked();
    void OnEnable(BOOL bEnable);
    UINT OnGetDlgCode();
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    LRESULT OnMenuChar(UINT nChar, UINT nFlags, CMenu* pMenu);
    void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    LRESULT OnSetStyle(WPARAM wParam, LPARAM lParam);
    void OnMouseLeave();
    LRESULT OnSetCheck(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetCheck(WPARAM wParam, LPARAM lParam);

private:
    CImageButton(const CImageButton&) = delete;
    CImageButton& operator=(const CImageButton&) = delete;

    void ResetColors();
    void ShowDropMenu();

    DECLARE_MESSAGE_MAP()
};

#endif // ZELVIX_IMAGE_BUTTON_H

// menu_item_data.h - CMenuItemData: the record an owner-drawn menu keeps for each of its items.
//
//   CMenuItemData            text (UTF-16, owned), menu flags, command id, re-synchronisation mark
//   SetWideText/SetAnsiText  store a copy of the text (narrow text is converted from the thread's
//                            code page)
//   GetAnsiText              the text in the thread's code page
//   WideToAnsi/AnsiToWide    the conversions with an explicit code page
//
// The record's address is the item data Windows hands back in every measure and draw request.
#ifndef ZELVIX_MENU_ITEM_DATA_H
#define ZELVIX_MENU_ITEM_DATA_H

#include <afxwin.h>

class CMenuItemData
{
public:
// Data members
    wchar_t* m_pszText;  // owned (new[]); NULL: no text. Label, tab, accelerator text.
    UINT m_nFlags;       // MF_* flags the item was appended or modified with
    UINT_PTR m_nID;      // command id; for a pop-up item, the pop-up's menu handle
    BOOL m_bClaimed;     // working mark of COwnerDrawnMenu::SynchronizeItems

// Construction
    CMenuItemData() : m_pszText(NULL), m_nFlags(0), m_nID(0), m_bClaimed(FALSE) {}
    ~CMenuItemData() { delete[] m_pszText; }

// Attributes
    // The text in the thread's ANSI code page; empty when there is none or it does not convert.
    CString GetAnsiText() const { return WideToAnsi(m_pszText, CP_THREAD_ACP); }

// Operations
    // Stores a copy of pszText (NULL allowed: no text). On allocation failure the text is NULL.
    void SetWideText(const wchar_t* pszText);
    // Converts from the thread's ANSI code page and stores the result; NULL or a text that does not
    // convert stores NULL.
    void SetAnsiText(LPCSTR pszText);

    // Whole-text conversions. WideToAnsi sizes its buffer by asking the conversion first, so a code
    // page that needs more than two bytes per unit (UTF-8) still gets all of the text.
    static CString WideToAnsi(const wchar_t* pszText, UINT nCodePage);
    // Returns a new[] copy the caller owns, or NULL.
    static wchar_t* AnsiToWide(LPCSTR pszText, UINT nCodePage);

private:
    CMenuItemData(const CMenuItemData&) = delete;
    CMenuItemData& operator=(const CMenuItemData&) = delete;
};

#endif // ZELVIX_MENU_ITEM_DATA_H

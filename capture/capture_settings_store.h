// capture_settings_store.h - the values the capture filter reads.
//
// The capture filter (a virtual camera in another process) learns the rectangle to record,
// its output size and the still-image switch from values under
// HKEY_CURRENT_USER\SOFTWARE\screen-capture-recorder. This module only writes them, one
// value per call, opening and closing the key around each write so that no handle stays
// open and the filter can read at any moment. The order of the writes is the protocol: a
// set ends with "param_set" = 1, and only a set whose every write went through gets that mark
// (EndCaptureSet), so the filter never takes a partial set for a complete one.
//
// Holds: WriteCaptureDword, WriteImageFileName, PublishImageSettings, EndCaptureSet,
// GetImageFileName, and the key's names.
#ifndef ZELVIX_CAPTURE_SETTINGS_STORE_H
#define ZELVIX_CAPTURE_SETTINGS_STORE_H

#include <afxwin.h>

#include "capture/filter_settings.h"

namespace zelvix {
// How the program opens the filter's key (its path and value names are in filter_settings.h).
constexpr REGSAM kCaptureKeyAccess = KEY_ALL_ACCESS | KEY_WOW64_32KEY;  // 0x000F023F
}  // namespace zelvix

// Stores one REG_DWORD (negative values as their two's-complement pattern). Returns 0 or the
// platform's error code from opening the key or from the write.
LONG WriteCaptureDword(LPCSTR pszValueName, int nValue);

// Stores "img_filename" as REG_SZ, the terminating zero included in the stored size.
LONG WriteImageFileName(LPCSTR pszPath);

// The first failure of a set so far: lSoFar if that is one, else lNext.
inline LONG CaptureSetResult(LONG lSoFar, LONG lNext) { return lSoFar != ERROR_SUCCESS ? lSoFar : lNext; }

// Writes "show_img" = nShow, then "img_filename" = the still-image path. Returns 0 when both
// went through, else the first failure.
LONG PublishImageSettings(int nShow);

// Ends a set with "param_set" = 1 when every write of it went through (lSetResult 0). Returns
// the set's result, or the mark's own.
LONG EndCaptureSet(LONG lSetResult);

// The still image's path: the directory of this executable followed by "\1.bmp". A directory
// the ANSI code page cannot spell (the filter could not open what it names) is given by its
// short form, which is plain ASCII, when the file system has one.
CString GetImageFileName();

// The same for a given module path: what stands before its last backslash, then "\1.bmp"
// (just "\1.bmp" when there is no backslash).
CString ImageFileNameFromModulePath(LPCSTR pszModulePath);

// The same for the module's path in UTF-16, and the ANSI path the platform gave for it: that one
// when the directory converts to the ANSI code page without loss, else the directory's short
// form when it has one that converts, else that one all the same.
CString ImageFileNameFromModulePath(LPCWSTR pszModulePathW, LPCSTR pszModulePath);

#endif // ZELVIX_CAPTURE_SETTINGS_STORE_H

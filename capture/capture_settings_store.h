// capture_settings_store.h - the values the capture filter reads.
//
// The capture filter (a virtual camera in another process) learns the rectangle to record,
// its output size and the still-image switch from values under
// HKEY_CURRENT_USER\SOFTWARE\screen-capture-recorder. This module only writes them, one
// value per call, opening and closing the key around each write so that no handle stays
// open and the filter can read at any moment. The order of the writes is the protocol: a
// set ends with "param_set" = 1.
//
// Holds: WriteCaptureDword, WriteImageFileName, PublishImageSettings, GetImageFileName,
// and the key's names.
#ifndef ZELVIX_CAPTURE_SETTINGS_STORE_H
#define ZELVIX_CAPTURE_SETTINGS_STORE_H

#include <afxwin.h>

#include "filter_settings.h"

// Names shared with the capture filter (the value names are in filter_settings.h).
#define CAPTURE_KEY_PATH          zelvix::kFilterKeyPath
#define CAPTURE_KEY_ACCESS        (KEY_ALL_ACCESS | KEY_WOW64_32KEY)  // 0x000F023F

// Stores one REG_DWORD (negative values as their two's-complement pattern). Returns 0 or the
// platform's error code from opening the key or from the write.
LONG WriteCaptureDword(LPCSTR pszValueName, int nValue);

// Stores "img_filename" as REG_SZ, the terminating zero included in the stored size.
LONG WriteImageFileName(LPCSTR pszPath);

// Writes "show_img" = nShow, then "img_filename" = the still-image path.
void PublishImageSettings(int nShow);

// The still image's path: the directory of this executable followed by "\1.bmp".
CString GetImageFileName();

// The same for a given module path: what stands before its last backslash, then "\1.bmp"
// (just "\1.bmp" when there is no backslash).
CString ImageFileNameFromModulePath(LPCSTR pszModulePath);

#endif // ZELVIX_CAPTURE_SETTINGS_STORE_H

// The names of the program's bitmaps. certinstall.rc names each bitmap by this text and
// loadBitmap (bitmaps.h) finds it by the same text. They are names, not numbers, so the
// resource compiler must not see them as macros.
#pragma once

#ifndef RC_INVOKED
#define IDB_NEW L"IDB_NEW"           // 15 x 15
#define IDB_COPY L"IDB_COPY"         // 16 x 15, like all the others
#define IDB_PASTE L"IDB_PASTE"
#define IDB_DELETE L"IDB_DELETE"
#define IDB_IMPORT L"IDB_IMPORT"
#define IDB_EXPORT L"IDB_EXPORT"
#define IDB_PREVIEW L"IDB_PREVIEW"
#define IDB_CUT L"IDB_CUT"
#define IDB_OPEN L"IDB_OPEN"
#define IDB_OPEN_OLD L"IDB_OPEN_OLD"
#endif

// test_menus.h - ids of the menu templates in test_menus.rc (unit tests only).
#ifndef ZELVIX_TEST_MENUS_H
#define ZELVIX_TEST_MENUS_H

#define IDR_TEST_MENU_SIMPLE       9001
#define IDR_TEST_MENU_NESTED       9002
#define IDR_TEST_MENU_ALIGN        9003
#define IDR_TEST_MENU_NAMED "TESTMENU_NAMED"  // by name: one top-level command
#define IDR_TEST_MENU_TRUNCATED    9010  // a pop-up whose items are missing
#define IDR_TEST_MENU_UNTERMINATED 9011  // item text without its 0 unit
#define IDR_TEST_MENU_BAD_OFFSET   9012  // first item beyond the end
#define IDR_TEST_MENU_MISSING      9099  // no such resource

#define ID_TEST_OPEN     101
#define ID_TEST_EXIT     102
#define ID_TEST_UNDO     201
#define ID_TEST_DEEP     202
#define ID_TEST_BOTTOM   203
#define ID_TEST_HELP     204
#define ID_TEST_VIEW_OPEN 205
#define ID_TEST_SAVE     301
#define ID_TEST_LONG     302
#define ID_TEST_TOP      401

#endif // ZELVIX_TEST_MENUS_H

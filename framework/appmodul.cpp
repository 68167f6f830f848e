// appmodul.cpp - the program entry. It sits in the framework library, so only programs that
// need an entry of their own (the executable, not the test runners) link it.
#include "framework/afx_app.h"

extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}

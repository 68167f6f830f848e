// test_image_button_support.cpp - the message map of the image button tests' parent window.
#include "test_image_button_support.h"

namespace imgbtn_test
{
BEGIN_MESSAGE_MAP(CTestParent, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_COMMAND_RANGE(1, 0x7FFF, OnButton)
END_MESSAGE_MAP()
} // namespace imgbtn_test

#include "ScreenScale.h"

#include <windows.h>

namespace win32 {

int ScreenDotsPerInch()
{
    const HDC screen = GetDC(nullptr);
    const int dotsPerInch = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dotsPerInch > 0 ? dotsPerInch : kFormDotsPerInch;
}

int ScaledTo(int dotsPerInch, int pixels)
{
    return MulDiv(pixels, dotsPerInch, kFormDotsPerInch);
}

}  // namespace win32

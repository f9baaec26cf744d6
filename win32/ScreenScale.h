#pragma once

namespace win32 {

// The screen the form's numbers, and the preview's side, are drawn for.
inline constexpr int kFormDotsPerInch = 96;

// The screen's dots per inch; kFormDotsPerInch where the screen does not say.
int ScreenDotsPerInch();

// A length in pixels at kFormDotsPerInch, on a screen of dotsPerInch.
int ScaledTo(int dotsPerInch, int pixels);

}  // namespace win32

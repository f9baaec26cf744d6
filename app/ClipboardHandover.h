#pragma once

// Hands the text this program put on the clipboard to whatever keeps it
// after the program has ended, so that it can still be pasted: on X11 a
// process of our own, which leaves it to a clipboard manager where one runs
// and answers, on Wayland wl-copy where it is installed. Does nothing once
// another program has taken the clipboard.
namespace app {

void KeepClipboardAfterExit();

}  // namespace app

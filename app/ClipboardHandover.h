#pragma once

// Hands the text this program put on the clipboard to whatever keeps it
// after the program has ended, so that it can still be pasted: on X11 a
// process of our own where no clipboard manager runs (where one runs, Qt
// hands the text to it), on Wayland wl-copy where it is installed. Does
// nothing once another program has taken the clipboard.
namespace app {

void KeepClipboardAfterExit();

}  // namespace app

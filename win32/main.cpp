// The converter's window on Windows: its entry point.

#include "Program.h"
#include "TApplication.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    win32::TApplication application(instance);
    return win32::RunProgram(application);
}

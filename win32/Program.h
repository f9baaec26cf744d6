#pragma once

#include <functional>

namespace win32 {

class TApplication;
class TForm1;

// The program: names the application, opens the window and runs the message
// loop until the window closes. An exception that ends the loop is shown in
// a message box, and the loop is not resumed. prepare, if given, sees the
// window before it is shown. Returns the program's exit status, always 0.
int RunProgram(TApplication& application, const std::function<void(TForm1&)>& prepare = {});

}  // namespace win32

#include "Program.h"

#include "ExceptionText.h"
#include "TApplication.h"
#include "UnitMain.h"
#include "WideText.h"

#include <exception>

using namespace bmp2cdata;

namespace win32 {

int RunProgram(TApplication& application, const std::function<void(TForm1&)>& prepare)
{
    try {
        application.Initialize();
        application.SetTitle(L"Tavrel BMP to Cdata");
        // The window is gone by the time an exception is shown, so that the
        // message box dispatches nothing to it.
        TForm1 Form1(application);
        if (prepare)
            prepare(Form1);
        Form1.Show();
        application.Run();
    } catch (...) {
        application.ShowException(WideFromUtf8(ExceptionText(std::current_exception())));
    }
    return 0;
}

}  // namespace win32

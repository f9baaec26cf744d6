#include "Program.h"

#include "TApplication.h"
#include "UnitMain.h"
#include "WideText.h"

#include <exception>

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
    } catch (const std::exception& error) {
        application.ShowException(WideFromUtf8(error.what()));
    } catch (...) {
        application.ShowException(L"");
    }
    return 0;
}

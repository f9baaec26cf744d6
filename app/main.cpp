// The converter's entry point: one window and its message loop.

#include "ExceptionText.h"
#include "TApplication.h"
#include "UnitMain.h"
#include "WindowSystemGuard.h"

#include <QIcon>

#include <exception>

using namespace bmp2cdata;

namespace {

constexpr char kNoDisplay[] =
    "bmp2cdata-gui: no display to open the window on; use the command-line host bmp2cdata instead\n";

}  // namespace

int main(int argc, char* argv[])
{
    app::WindowSystemGuard guard(kNoDisplay);
    app::TApplication application(argc, argv);
    guard.Release();
    try {
        application.SetTitle(QStringLiteral("Tavrel BMP to Cdata"));
        application.setWindowIcon(QIcon(QStringLiteral(":/icons/bmp2cdata.ico")));
        // Wayland docks match the window to its desktop entry by this name.
        application.setDesktopFileName(QStringLiteral("bmp2cdata"));
        app::TForm1 form;
        form.show();
        application.Run();
    } catch (...) {
        application.ShowException(QString::fromStdString(ExceptionText(std::current_exception())));
    }
    return 0;
}

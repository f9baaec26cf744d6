// The converter's entry point: one window and its message loop.

#include "TApplication.h"
#include "UnitMain.h"

#include <QIcon>

#include <cstdio>
#include <exception>

int main(int argc, char* argv[])
{
    if (!DisplayAvailable()) {
        std::fputs("bmp2cdata-gui: no display to open the window on; "
                   "use the command-line host bmp2cdata instead\n", stderr);
        return 1;
    }
    TApplication application(argc, argv);
    try {
        application.SetTitle(QStringLiteral("Tavrel BMP to Cdata"));
        application.setWindowIcon(QIcon(QStringLiteral(":/icons/bmp2cdata.ico")));
        TForm1 form;
        form.show();
        application.Run();
    } catch (const std::exception& error) {
        application.ShowException(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        application.ShowException(QString());
    }
    return 0;
}

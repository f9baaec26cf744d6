// The application object and the icon the program carries.

#include "TApplication.h"
#include "support/Process.h"

#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace {

using app::Handler;
using app::TApplication;

TEST(Application, ExceptionFromAHandlerEndsTheLoopAndReachesTheEntry)
{
    auto* application = static_cast<TApplication*>(qApp);
    QTimer::singleShot(0, [] { throw std::runtime_error("handler failed"); });
    QTimer::singleShot(0, [] { ADD_FAILURE() << "the loop went on after the exception"; });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });  // guard against a hang
    try {
        application->Run();
        ADD_FAILURE() << "Run returned without the exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "handler failed");
    }
}

TEST(Application, ExceptionFromAClickHandlerStopsWhereTheHandlerRuns)
{
    auto* application = static_cast<TApplication*>(qApp);
    struct Failing : QObject {
        void Click() { throw std::runtime_error("click failed"); }
    } receiver;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, &receiver, Handler(&receiver, &Failing::Click));
    bool clickReturned = false;
    QTimer::singleShot(0, [&] {
        button.click();
        clickReturned = true;  // the exception did not unwind through the signal
    });
    QTimer::singleShot(0, [] { ADD_FAILURE() << "an event was dispatched after the exception"; });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });  // guard against a hang
    try {
        application->Run();
        ADD_FAILURE() << "Run returned without the exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "click failed");
    }
    EXPECT_TRUE(clickReturned);
}

TEST(Application, WithoutAWindowSystemToOpenTheWindowOnTheProgramSaysSoInOneLine)
{
    ScratchFolder folder;
    const char* unreachable[] = {"DISPLAY=", "DISPLAY=:9999", "QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=absent",
                                 "QT_QPA_PLATFORM=bogus"};
    for (const char* environment : unreachable) {
        SCOPED_TRACE(environment);
        const ProcessResult result =
            RunProcess(folder, std::string("env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE ") +
                                   environment + " " + BMP2CDATA_GUI_PROGRAM);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "bmp2cdata-gui: no display to open the window on; "
                              "use the command-line host bmp2cdata instead\n");
    }
}

std::uint32_t LittleEndian(const QByteArray& bytes, int at, int width)
{
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value |= std::uint32_t(std::uint8_t(bytes[at + i])) << (8 * i);
    return value;
}

TEST(Application, IconHoldsThirteenImages)
{
    QFile file(":/icons/bmp2cdata.ico");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray icon = file.readAll();
    ASSERT_EQ(LittleEndian(icon, 2, 2), 1u);  // an icon, not a cursor
    ASSERT_EQ(LittleEndian(icon, 4, 2), 13u);
    std::multiset<std::pair<int, int>> images;
    for (int entry = 0; entry < 13; ++entry) {
        const int at = 6 + 16 * entry;
        const int side = std::uint8_t(icon[at]);
        const int bits = int(LittleEndian(icon, at + 6, 2));
        images.insert({side, bits});
        const std::uint32_t offset = LittleEndian(icon, at + 12, 4);
        const std::uint32_t size = LittleEndian(icon, at + 8, 4);
        ASSERT_LE(offset + size, std::uint32_t(icon.size()));
        EXPECT_EQ(LittleEndian(icon, int(offset) + 14, 2), std::uint32_t(bits));  // the image's own header
    }
    std::multiset<std::pair<int, int>> expected;
    for (int side : {48, 32, 16})
        for (int bits : {1, 4, 8, 32})
            expected.insert({side, bits});
    expected.insert({128, 32});
    EXPECT_EQ(images, expected);

    // Qt reads every image back.
    QImageReader reader(":/icons/bmp2cdata.ico");
    EXPECT_EQ(reader.imageCount(), 13);
    for (int image = 0; image < reader.imageCount(); ++image) {
        ASSERT_TRUE(reader.jumpToImage(image));
        EXPECT_FALSE(reader.read().isNull()) << image;
    }
}

}  // namespace

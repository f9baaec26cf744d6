// The file dialog's filter, and its preview: the picture as the LCD shows it
// and the converter's own verdict on the file the dialog points at.

#include "BmpHeader.h"
#include "OpenPictureDialog.h"
#include "support/BmpBuilder.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(Dialog, FilterPairsBecomeNameFilters)
{
    EXPECT_EQ(NameFiltersFrom("*.bmp|*.bmp"), QStringList{"*.bmp (*.bmp)"});
    EXPECT_EQ(NameFiltersFrom("Bitmaps|*.bmp;*.dib|All|*"), (QStringList{"Bitmaps (*.bmp *.dib)", "All (*)"}));
}

TEST(Dialog, PreviewShowsTheLcdsColoursWhereThePixelsLie)
{
    ScratchFolder folder;
    // Only the top-left pixel is coloured; the file stores it in its last row.
    const std::string image = folder.Write("corner.bmp", {.width = 2, .height = 2, .colour = [](int column, int row) {
        return column == 0 && row == 1 ? Rgb{13, 200, 77} : Rgb{255, 255, 255};
    }});
    PicturePreview preview;
    // RGB565 keeps 5, 6 and 5 bits, RGB332 3, 3 and 2; both widen them back
    // by repeating the top bits, so white stays white.
    preview.ShowFile(QString::fromStdString(image), false);
    EXPECT_EQ(preview.Picture().pixel(0, 0), qRgb(8, 203, 74));
    EXPECT_EQ(preview.Picture().pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(preview.Picture().pixel(0, 1), qRgb(255, 255, 255));
    preview.ShowFile(QString::fromStdString(image), true);
    EXPECT_EQ(preview.Picture().pixel(0, 0), qRgb(0, 219, 85));
}

TEST(Dialog, PreviewGivesTheConvertersSizeAndVerdict)
{
    ScratchFolder folder;
    PicturePreview preview;
    const auto show = [&](const std::string& path) { preview.ShowFile(QString::fromStdString(path), false); };
    show(folder.Write("logo.bmp", {.width = 4, .height = 5}));
    EXPECT_EQ(preview.SizeText(), "4 × 5");
    EXPECT_EQ(preview.VerdictText(), "Converts to a table of 20 RGB565 words");

    show(folder.Write("gif.bmp", {.width = 3, .height = 3, .signature = 0x4947}));
    EXPECT_EQ(preview.VerdictText(), "Converts to a table of 9 RGB565 words");

    show(folder.Write("large.bmp", {.width = 320, .height = 240}));
    EXPECT_TRUE(preview.SizeText().isEmpty());
    EXPECT_TRUE(preview.Picture().isNull());
    EXPECT_EQ(preview.VerdictText().toStdString(), kTooLargeComplaint);

    const std::string fifo = (folder.Path() / "fifo.bmp").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    show(fifo);  // opening it for reading would wait for a writer forever
    EXPECT_EQ(preview.VerdictText().toStdString(), "Could not find file " + fifo);

    for (const auto& nothing : {folder.Path(), folder.Path() / "being typed"}) {
        show(nothing.string());
        EXPECT_TRUE(preview.VerdictText().isEmpty());
    }
}

TEST(Dialog, PreviewFollowsTheTypedNameAndTheOptionAsTheDialogOpens)
{
    ScratchFolder folder;
    const std::string logo = folder.Write("logo.bmp", {.width = 4, .height = 5});
    QWidget owner;
    bool rgb332 = false;
    TOpenPictureDialog dialog(&owner, [&] { return rgb332; });
    QFileDialog& files = dialog.Prepare();
    auto* preview = files.findChild<PicturePreview*>();
    ASSERT_NE(preview, nullptr);
    QTest::keyClicks(files.findChild<QLineEdit*>("fileNameEdit"), QString::fromStdString(logo));
    EXPECT_EQ(preview->VerdictText(), "Converts to a table of 20 RGB565 words");
    rgb332 = true;
    dialog.Prepare();
    EXPECT_EQ(preview->VerdictText(), "Converts to a table of 20 RGB332 bytes");
}

}  // namespace

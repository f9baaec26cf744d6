// The file dialog's filter and its preview of the picture as the LCD shows it.

#include "BmpHeader.h"
#include "OpenPictureDialog.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

namespace {

TEST(Dialog, FilterPairsBecomeNameFilters)
{
    EXPECT_EQ(NameFiltersFrom("*.bmp|*.bmp"), QStringList{"*.bmp (*.bmp)"});
    EXPECT_EQ(NameFiltersFrom("Bitmaps|*.bmp;*.dib|All|*"), (QStringList{"Bitmaps (*.bmp *.dib)", "All (*)"}));
}

TEST(Dialog, PackedPreviewShowsTheColoursTheLcdShows)
{
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(13, 200, 77));
    picture.setPixel(1, 0, qRgb(255, 255, 255));
    // RGB565 keeps 5, 6 and 5 bits, RGB332 3, 3 and 2; both widen them back
    // by repeating the top bits, so white stays white.
    const QImage words = PackedPreview(picture, false);
    EXPECT_EQ(words.pixel(0, 0), qRgb(8, 203, 74));
    EXPECT_EQ(words.pixel(1, 0), qRgb(255, 255, 255));
    const QImage bytes = PackedPreview(picture, true);
    EXPECT_EQ(bytes.pixel(0, 0), qRgb(0, 219, 85));
    EXPECT_EQ(bytes.pixel(1, 0), qRgb(255, 255, 255));
}

TEST(Dialog, PreviewGivesSizeAndTheConvertersVerdict)
{
    ScratchFolder folder;
    PicturePreview preview;
    const std::string logo = folder.Write("logo.bmp", {.width = 4, .height = 5});
    preview.ShowFile(QString::fromStdString(logo), false);
    EXPECT_EQ(preview.SizeText(), "4 × 5");
    EXPECT_EQ(preview.VerdictText(), "Converts to a table of 20 RGB565 words");
    EXPECT_EQ(preview.Picture().size(), QSize(4, 5));
    preview.ShowFile(QString::fromStdString(logo), true);
    EXPECT_EQ(preview.VerdictText(), "Converts to a table of 20 RGB332 bytes");

    const std::string large = folder.Write("large.bmp", {.width = 320, .height = 240});
    preview.ShowFile(QString::fromStdString(large), false);
    EXPECT_EQ(preview.SizeText(), "320 × 240");
    EXPECT_EQ(preview.VerdictText().toStdString(), kTooLargeComplaint);

    const std::string broken = folder.WriteBytes("broken.bmp", {'B', 'M', 0, 0});
    preview.ShowFile(QString::fromStdString(broken), false);
    EXPECT_TRUE(preview.SizeText().isEmpty());
    EXPECT_EQ(preview.VerdictText().toStdString(), kBitCountComplaint);

    preview.ShowFile(QString::fromStdString(folder.Path().string()), false);
    EXPECT_TRUE(preview.VerdictText().isEmpty());
}

}  // namespace

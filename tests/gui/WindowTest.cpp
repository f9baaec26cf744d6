// The converter window as a user drives it, with the file dialog replaced by
// a scripted chooser and clicks made from inside the run's event pumps.

#include "ConverterHost.h"
#include "PumpScript.h"
#include "TApplication.h"
#include "UnitMain.h"
#include "support/BmpBuilder.h"
#include "support/WorkedExamples.h"

#include <QCheckBox>
#include <QClipboard>
#include <QStyle>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>

#include <sys/stat.h>

namespace {

const QString kClosing = "\n" + QString::fromStdString(kClosingLines).chopped(1);

class Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        QCoreApplication::processEvents();
        StopConversion = false;
        QGuiApplication::clipboard()->setText("before");
        form.SetFileChooser([this]() -> std::optional<std::string> {
            if (choices.empty())
                return std::nullopt;
            std::optional<std::string> choice = choices.front();
            choices.pop_front();
            return choice;
        });
        form.show();
    }

    // An image of width x height pixels, all of one colour.
    std::string Image(const std::string& name, int width, int height, Rgb colour = {255, 255, 255})
    {
        return folder.Write(name, {.width = width, .height = height,
                                   .colour = [colour](int, int) { return colour; }});
    }

    QString Output() const { return form.Memo1->toPlainText(); }
    QString Clipboard() const { return QGuiApplication::clipboard()->text(); }
    QStringList Lines() const { return Output().split('\n'); }

    ScratchFolder folder;
    TForm1 form;
    std::deque<std::optional<std::string>> choices;
};

// The output area holds no line break after its last line.
const QString kLogoTable = QString::fromStdString(kWhiteLogoWordTable).chopped(1);

TEST_F(Window, StartsEmptyWithTheOptionUnticked)
{
    EXPECT_EQ(form.windowTitle(), "Tavrel 24-bit BMP to Cdata Converter");
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
    EXPECT_FALSE(form.RGB332_Req->isChecked());
    EXPECT_FALSE(form.Memo1->isReadOnly());
    EXPECT_FALSE(form.Converting());
    EXPECT_EQ(form.ConvertButton->toolTip(), "Load and convert a 24-bit BMP file");
    EXPECT_EQ(form.RGB332_Req->toolTip(), "Convert data to 8-bit RGB332 format");
    EXPECT_TRUE(form.CloseButton->toolTip().isEmpty());
    EXPECT_FALSE(form.ConvertButton->isDefault() || form.ConvertButton->autoDefault());
    EXPECT_FALSE(form.CloseButton->isDefault() || form.CloseButton->autoDefault());
}

TEST_F(Window, ControlsAreWhollyVisibleApartAndReadableAtAnyWindowSize)
{
    const QList<QWidget*> controls = {form.ConvertButton, form.Memo1, form.CloseButton, form.RGB332_Req};
    for (const QSize size : {form.size(), QSize(1200, 700)}) {  // neither aligned nor anchored
        form.resize(size);
        QCoreApplication::processEvents();
        for (QWidget* control : controls) {
            SCOPED_TRACE(control->objectName().toStdString());
            EXPECT_TRUE(QRect(QPoint(), form.size()).contains(control->geometry()));
            for (QWidget* other : controls)
                EXPECT_TRUE(other == control || !other->geometry().intersects(control->geometry()));
            // Whatever font stands in, a caption fits its control.
            if (auto* box = qobject_cast<QCheckBox*>(control)) {
                EXPECT_LE(box->sizeHint().width(), box->width());
            } else if (auto* button = qobject_cast<QPushButton*>(control)) {
                const int margins = 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin);
                EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + margins, button->width());
            }
        }
    }
    EXPECT_TRUE(QFontInfo(form.Memo1->font()).fixedPitch()) << QFontInfo(form.Memo1->font()).family().toStdString();
}

TEST(WindowPlace, FormsPlaceWhereItFitsOtherwiseJustEnoughToBeWhollyVisible)
{
    const QSize frame(915, 482);
    EXPECT_EQ(FormPosition(frame, {0, 0, 1920, 1080}), QPoint(530, 304));
    EXPECT_EQ(FormPosition(frame, {0, 0, 1366, 736}), QPoint(451, 254));   // 1366 x 768, panel below
    EXPECT_EQ(FormPosition(frame, {0, 0, 960, 540}), QPoint(45, 58));      // 1920 x 1080 at scale 2
    EXPECT_EQ(FormPosition(frame, {0, 24, 800, 400}), QPoint(0, 24));     // too small: the title shows
}

TEST_F(Window, TabWalksFromConvertThroughTheOutputAreaToCloseAndTheOption)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_EQ(QApplication::focusWidget(), form.ConvertButton);
    for (int press = 0; press < 3; ++press)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(form.RGB332_Req->isChecked());
    EXPECT_TRUE(Output().isEmpty());
}

TEST_F(Window, CancellingTheDialogLeavesTheOutputEmpty)
{
    form.Memo1->setPlainText("text of an earlier run");
    form.ConvertButton->click();
    EXPECT_TRUE(Output().isEmpty());
    EXPECT_EQ(Clipboard(), "before");
}

TEST_F(Window, ConversionPutsExactlyTheTableOnTheClipboard)
{
    choices = {Image("logo.bmp", 4, 5)};
    form.ConvertButton->click();
    EXPECT_EQ(Output(), kLogoTable + kClosing);
    EXPECT_EQ(Clipboard(), kLogoTable + "\n");
    EXPECT_FALSE(form.Converting());
}

TEST_F(Window, ComplaintIsTheOnlyLine)
{
    choices = {folder.Write("eight.bmp", {.bitCount = 8})};
    form.ConvertButton->click();
    EXPECT_EQ(Output(), "Incorrect image type. The BMP file must be a 24-bit, uncompressed type");
    EXPECT_EQ(Clipboard(), "before");
}

TEST_F(Window, ChosenFifoIsNotFoundAtOnceAndTheWindowGoesOn)
{
    const std::string fifo = (folder.Path() / "fifo.bmp").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    choices = {fifo, Image("logo.bmp", 4, 5)};
    form.ConvertButton->click();  // opening the FIFO to read would wait for a writer
    EXPECT_EQ(Output().toStdString(), "Could not find file " + fifo);
    form.ConvertButton->click();
    EXPECT_EQ(Output(), kLogoTable + kClosing);
}

TEST_F(Window, CloseDuringPixelsWritesHeaderLinesAndClosesAfterTheRun)
{
    choices = {Image("logo.bmp", 4, 5)};
    bool visibleAfterClose = false;
    AtPump(3, [this] { form.CloseButton->click(); });
    AtPump(4, [&] { visibleAfterClose = form.isVisible(); });
    form.ConvertButton->click();
    const QString header = kLogoTable.section('\n', 0, 4);
    EXPECT_EQ(Output(), header + kClosing);
    EXPECT_EQ(Clipboard(), header + "\n");
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_TRUE(form.isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Window, CloseDuringDataLinesEndsAfterTheLineJustWritten)
{
    choices = {Image("long.bmp", 8, 8)};  // 64 pixels, four data lines
    AtPump(64 + 2, [this] { form.CloseButton->click(); });
    form.ConvertButton->click();
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 5 + 2 + 2);
    EXPECT_TRUE(lines[6].endsWith(",_"));
    EXPECT_EQ(Clipboard(), lines.mid(0, 7).join('\n') + "\n");
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Window, CloseBoxLetsTheRunCompleteThenEnds)
{
    choices = {Image("logo.bmp", 4, 5)};
    AtPump(3, [this] { form.close(); });
    form.ConvertButton->click();
    EXPECT_FALSE(StopConversion);
    EXPECT_EQ(Output(), kLogoTable + kClosing);
    EXPECT_TRUE(form.isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Window, NestedRunIsFollowedByTheOuterRunsRemainingLines)
{
    // The outer run has 64 pixels; Convert is clicked after its first data
    // line and converts the logo; then the outer run writes its last three.
    choices = {Image("outer.bmp", 8, 8, {0, 0, 0}), Image("logo.bmp", 4, 5)};
    AtPump(64 + 1, [this] { form.ConvertButton->click(); });
    form.ConvertButton->click();
    const QString outerRest = "          $0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,_\n"
                              "          $0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,_\n"
                              "          $0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000";
    EXPECT_EQ(Output(), kLogoTable + kClosing + "\n" + outerRest + kClosing);
    EXPECT_EQ(Clipboard(), kLogoTable + kClosing + "\n" + outerRest + "\n");
}

TEST_F(Window, CancelledNestedDialogLeavesOnlyTheOuterRunsRest)
{
    choices = {Image("outer.bmp", 8, 8, {0, 0, 0}), std::nullopt};
    AtPump(64 + 3, [this] { form.ConvertButton->click(); });
    form.ConvertButton->click();
    const QString last = "          $0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000,$0000";
    EXPECT_EQ(Output(), last + kClosing);
    EXPECT_EQ(Clipboard(), last + "\n");
}

TEST_F(Window, TickingTheOptionMidRunChangesPackingFromTheNextPixel)
{
    choices = {Image("red.bmp", 4, 1, {255, 0, 0})};
    AtPump(3, [this] { form.RGB332_Req->click(); });
    form.ConvertButton->click();
    const QStringList lines = Lines();
    EXPECT_EQ(lines[1], "' Image data in RGB332 format. Size = 4 Bytes");
    EXPECT_EQ(lines[5], "          $E0,$E0,$00,$00");
}

TEST_F(Window, EndOfProgramRequestedInAPumpWaitsForTheMainLoop)
{
    choices = {Image("logo.bmp", 4, 5)};
    bool visibleLater = false;
    bool loopEnded = false;
    qApp->setQuitOnLastWindowClosed(true);
    QTimer::singleShot(0, [&] {
        AtPump(2, [this] { form.CloseButton->click(); });
        AtPump(3, [&] { visibleLater = form.isVisible(); });
        form.ConvertButton->click();
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });  // guard against a hang
    loopEnded = QCoreApplication::exec() == 0;
    qApp->setQuitOnLastWindowClosed(false);
    EXPECT_TRUE(loopEnded);
    EXPECT_TRUE(visibleLater);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(Output().endsWith(kClosing));
}

TEST_F(Window, ExceptionInANestedRunEndsTheOuterRunAsWell)
{
    // The nested Convert's chooser fails; the outer run must not go on to
    // write its table and copy it.
    choices = {Image("logo.bmp", 4, 5)};
    form.SetFileChooser([this]() -> std::optional<std::string> {
        if (choices.empty())
            throw std::runtime_error("chooser failed");
        std::optional<std::string> choice = choices.front();
        choices.pop_front();
        return choice;
    });
    QTimer::singleShot(0, [this] {
        AtPump(3, [this] { form.ConvertButton->click(); });
        form.ConvertButton->click();
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });  // guard against a hang
    EXPECT_THROW(static_cast<TApplication*>(qApp)->Run(), std::runtime_error);
    EXPECT_EQ(Clipboard(), "before");
    EXPECT_FALSE(form.Converting());
}

TEST_F(Window, DroppedFileIsConvertedLikeAChosenOne)
{
    const std::string image = Image("logo.bmp", 4, 5);
    form.Memo1->setPlainText("earlier");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(image))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(Output(), kLogoTable + kClosing);
    EXPECT_EQ(Clipboard(), kLogoTable + "\n");
}

TEST_F(Window, DragsOfSeveralFilesAreRefused)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/a.bmp"), QUrl::fromLocalFile("/tmp/b.bmp")});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QCoreApplication::sendEvent(&form, &enter);
    EXPECT_FALSE(enter.isAccepted());
}

}  // namespace

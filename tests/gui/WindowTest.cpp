// The converter window as a user drives it, with the file dialog replaced by
// a scripted chooser and clicks made from inside the run's event pumps.

#include "ConvertCommand.h"
#include "ConverterHost.h"
#include "Label.h"
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
#include <filesystem>

using namespace bmp2cdata;

namespace {

using app::TApplication;
using app::TForm1;

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
    // Drags data onto the window and drops it there; whether the drag was taken.
    bool Drop(const QMimeData& data)
    {
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &drop);
        return enter.isAccepted();
    }

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
}

TEST_F(Window, ControlsStandAtTheFormsNumbersAtAnyWindowSizeAndTheirCaptionsFit)
{
    EXPECT_EQ(form.size(), QSize(907, 455));
    const std::pair<QWidget*, QRect> controls[] = {
        {form.ConvertButton, {792, 408, 75, 25}},
        {form.Memo1, {8, 8, 889, 393}},
        {form.CloseButton, {696, 408, 75, 25}},
        {form.RGB332_Req, {24, 416, 97, 17}},
    };
    for (const QSize size : {form.size(), QSize(1200, 700)}) {  // neither aligned nor anchored
        form.resize(size);
        QCoreApplication::processEvents();
        for (const auto& [control, bounds] : controls) {
            SCOPED_TRACE(control->objectName().toStdString());
            EXPECT_EQ(control->geometry(), bounds);
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

TEST_F(Window, KeyboardTabsThroughTheControlsAndEnterPressesTheFocusedButtonMarkedFromTheStart)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_EQ(QApplication::focusWidget(), form.ConvertButton);
    const QImage marked = form.ConvertButton->grab().toImage();
    for (int press = 0; press < 3; ++press)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(form.RGB332_Req->isChecked());
    EXPECT_NE(form.ConvertButton->grab().toImage(), marked);  // the mark went with the focus

    int dialogs = 0;
    form.SetFileChooser([&]() -> std::optional<std::string> {
        ++dialogs;
        return std::nullopt;
    });
    QTest::keyClick(form.RGB332_Req, Qt::Key_Return);  // not a button: nothing
    QTest::keyClick(form.ConvertButton, Qt::Key_Return);
    QTest::keyClick(form.ConvertButton, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialogs, 2);
    QTest::keyClick(form.CloseButton, Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Window, ConversionPutsExactlyTheTableOnTheClipboard)
{
    choices = {Image("logo.bmp", 4, 5)};
    form.ConvertButton->click();
    EXPECT_EQ(Output(), kLogoTable + kClosing);
    EXPECT_EQ(Clipboard(), kLogoTable + "\n");
    EXPECT_FALSE(form.Converting());
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

TEST_F(Window, DroppedFileIsConvertedLikeAChosenOneAndItsNameJudgedAlike)
{
    // A name in Latin-1, not UTF-8, as a file manager sends it: its bytes
    // reach the label check, which refuses them as no text.
    const std::string image = (folder.Path() / "caf\xE9.bmp").string();
    std::filesystem::rename(Image("logo.bmp", 4, 5), image);
    form.Memo1->setPlainText("earlier");
    QMimeData data;
    data.setData("text/uri-list", "file://" + QByteArray::fromStdString(image).toPercentEncoding("/") + "\r\n");
    EXPECT_TRUE(Drop(data));
    EXPECT_EQ(Output(), "earlier");  // not inside the drop
    QCoreApplication::processEvents();
    EXPECT_EQ(Output(), QString::fromStdString(kSourceBreakingLabelComplaint));
    EXPECT_EQ(Clipboard(), "before");
}

TEST_F(Window, DragOfSeveralFilesIsTakenAndTheirDropRefusedInOneLine)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/a.bmp"), QUrl::fromLocalFile("/tmp/b.bmp")});
    EXPECT_TRUE(Drop(data));
    QCoreApplication::processEvents();
    EXPECT_EQ(Output(), QString::fromStdString(kDropOneFile));
}

}  // namespace

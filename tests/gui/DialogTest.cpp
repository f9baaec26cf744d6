// The file dialog: its preview of the picture as the LCD shows it with the
// converter's own verdict on the file the dialog points at, and its list.

#include "OpenPictureDialog.h"
#include "support/BmpBuilder.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>


namespace {

using app::PicturePreview;
using app::TOpenPictureDialog;

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

TEST(Dialog, DetailListShowsEveryTypeSizeAndDateInFull)
{
    ScratchFolder folder;
    folder.Write("logo.bmp", {.width = 4, .height = 5});
    std::filesystem::create_directory(folder.Path() / "pictures");
    QWidget owner;
    TOpenPictureDialog dialog(&owner, [] { return false; });
    dialog.Filter = "*.bmp|*.bmp";
    QFileDialog& files = dialog.Prepare();
    files.setViewMode(QFileDialog::Detail);
    files.setDirectory(QString::fromStdString(folder.Path().string()));
    auto* view = files.findChild<QTreeView*>("treeView");
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 2; }));
    files.show();  // the list measures only what it shows
    for (int column = 1; column <= 3; ++column)
        EXPECT_GE(view->header()->sectionSize(column), static_cast<QAbstractItemView*>(view)->sizeHintForColumn(column))
            << column;
    files.hide();
}

TEST(Dialog, ColumnTheUserResizedKeepsItsWidthWhenTheDialogOpensAgain)
{
    QWidget owner;
    TOpenPictureDialog dialog(&owner, [] { return false; });
    dialog.Filter = "*.bmp|*.bmp";
    auto* view = dialog.Prepare().findChild<QTreeView*>("treeView");
    ASSERT_NE(view, nullptr);
    view->header()->resizeSection(2, 40);
    dialog.Prepare();
    EXPECT_EQ(view->header()->sectionSize(2), 40);
}

}  // namespace

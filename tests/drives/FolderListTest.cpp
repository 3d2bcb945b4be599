// The folder list's entries, full paths, and how it enters folders and drives.
#include <gtest/gtest.h>

#include "FakeDrives.h"
#include "runtime/Exception.h"

namespace {
FakeFolderSystem Tree() {
    FakeFolderSystem fs;
    for (const char* f : {"C:\\TEMP", "C:\\TEMP\\sub", "C:\\TEMP\\Alpha", "C:\\TEMP\\beta",
                          "C:\\windows", "C:\\windows\\temp", "D:\\", "D:\\data"})
        fs.Add(f);
    return fs;
}

std::vector<std::string> Texts(const TFolderListModel& m) {
    std::vector<std::string> out;
    for (const auto& e : m.Entries()) out.push_back(e.Text);
    return out;
}
}  // namespace

TEST(FolderList, EntriesAreRootPathThenSortedSubfolders) {
    FakeFolderSystem fs = Tree();
    fs.Current = "C:\\TEMP";
    TFolderListModel m(fs);
    m.Load();
    EXPECT_EQ(m.Directory(), "C:\\TEMP");
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"C:\\", "TEMP", "Alpha", "beta", "sub"}));
    EXPECT_EQ(m.CurrentIndex(), 1);
    EXPECT_EQ(m.ItemIndex(), 1);
    EXPECT_EQ(m.Entries()[0].Level, 0);
    EXPECT_EQ(m.Entries()[0].Picture, TFolderPicture::Root);
    EXPECT_EQ(m.Entries()[1].Level, 1);
    EXPECT_EQ(m.Entries()[1].Picture, TFolderPicture::Open);
    EXPECT_EQ(m.Entries()[2].Level, 2);
    EXPECT_EQ(m.Entries()[2].Picture, TFolderPicture::Closed);

    EXPECT_EQ(m.FullPath(0), "C:\\");
    EXPECT_EQ(m.FullPath(1), "C:\\TEMP");
    EXPECT_EQ(m.FullPath(4), "C:\\TEMP\\sub");
    EXPECT_EQ(m.FullPath(5), "");
    EXPECT_EQ(m.FullPath(-1), "");
}

TEST(FolderList, EnteringAFolderSetsTheProcessDirectoryAndReadsItBack) {
    FakeFolderSystem fs = Tree();
    TFolderListModel m(fs);
    m.Load();
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"C:\\", "TEMP", "windows"}));
    EXPECT_EQ(m.FullPath(2), "C:\\windows");

    EXPECT_TRUE(m.SetDirectory("c:\\windows\\TEMP\\"));
    EXPECT_EQ(fs.Current, "C:\\windows\\temp");
    EXPECT_EQ(m.Directory(), "C:\\windows\\temp");  // as the system spells it
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"C:\\", "windows", "temp"}));
    EXPECT_EQ(m.FullPath(1), "C:\\windows");
    EXPECT_EQ(m.FullPath(2), "C:\\windows\\temp");
    EXPECT_EQ(m.ItemIndex(), 2);

    m.SetItemIndex(0);
    EXPECT_FALSE(m.SetDirectory("C:\\windows\\temp"));  // same folder: no change
    EXPECT_EQ(m.ItemIndex(), 0);

    EXPECT_TRUE(m.SetDirectory("C:\\"));
    EXPECT_EQ(m.Directory(), "C:\\");
    EXPECT_EQ(m.CurrentIndex(), 0);
    EXPECT_EQ(m.FullPath(1), "C:\\TEMP");
}

TEST(FolderList, AFolderThatCannotBeEnteredRaisesAndChangesNothing) {
    FakeFolderSystem fs = Tree();
    fs.Unreadable.insert("C:\\windows");
    TFolderListModel m(fs);
    m.Load();
    try {
        m.SetDirectory("C:\\missing\\");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "Cannot open folder C:\\missing\\");
        EXPECT_EQ(e.ErrorCode, 3);
    }
    EXPECT_THROW(m.SetDirectory("C:\\windows"), EInOutError);
    EXPECT_EQ(fs.Current, "C:\\");
    EXPECT_EQ(m.Directory(), "C:\\");
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"C:\\", "TEMP", "windows"}));
}

TEST(FolderList, SwitchingDriveGoesToItsRootUnlessTheLetterIsTheSame) {
    FakeFolderSystem fs = Tree();
    fs.Current = "C:\\TEMP";
    TFolderListModel m(fs);
    m.Load();
    EXPECT_FALSE(m.SetDrive('c'));
    EXPECT_EQ(m.Directory(), "C:\\TEMP");
    EXPECT_TRUE(m.SetDrive('D'));
    EXPECT_EQ(m.Directory(), "D:\\");
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"D:\\", "data"}));
    EXPECT_THROW(m.SetDrive('Q'), EInOutError);
    EXPECT_EQ(m.Directory(), "D:\\");
}

TEST(FolderList, NetworkPathsKeepTheShareAsRoot) {
    FakeFolderSystem fs;
    fs.Add("\\\\srv\\share\\");
    fs.Add("\\\\srv\\share\\dir");
    fs.Current = "\\\\srv\\share\\dir";
    TFolderListModel m(fs);
    m.Load();
    EXPECT_EQ(Texts(m), (std::vector<std::string>{"\\\\srv\\share\\", "dir"}));
    EXPECT_EQ(m.FullPath(1), "\\\\srv\\share\\dir");
}

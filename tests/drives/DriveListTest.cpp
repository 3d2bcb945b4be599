// The drive list: which drives are listed, their space figures, the selection rules,
// and the text and layout of a painted entry.
#include <gtest/gtest.h>

#include "FakeDrives.h"

namespace {
const TViewDrivesType kDefaultTypes{dtFixed, dtRemote, dtRamDisk};

FakeDriveQuery Machine() {
    FakeDriveQuery q;
    q.Drives['A'] = FakeDrive{dtRemovable, false, 1000, 2000, {}, "", "3.5 Floppy (A:)"};
    q.Drives['C'] = FakeDrive{dtFixed, false, 5368709120ull, 10737418240ull, {}, "SYSTEM",
                              "Local Disk (C:)"};
    q.Drives['D'] = FakeDrive{dtCDROM, false, 0, 700, {}, "DISC", "Disc (D:)"};
    q.Drives['Z'] = FakeDrive{dtRemote, false, 42, 84, {}, "share", "share on srv (Z:)"};
    return q;
}

std::vector<std::string> Letters(const TDriveEntries& list) {
    std::vector<std::string> out;
    for (const auto& e : list) out.push_back(e.Text);
    return out;
}
}  // namespace

TEST(DriveSet, HoldsOneBitPerOrdinalAndNeverAnythingAboveSix) {
    EXPECT_EQ(kDefaultTypes.Bits(), (1 << 3) | (1 << 4) | (1 << 6));
    EXPECT_TRUE(kDefaultTypes.Contains(dtFixed));
    EXPECT_FALSE(kDefaultTypes.Contains(dtCDROM));
    const auto all = TViewDrivesType::FromBits(0xFF);
    EXPECT_EQ(all.Bits(), 0x7F);
    EXPECT_TRUE(all.Contains(6));
    EXPECT_FALSE(all.Contains(7));
    EXPECT_FALSE(all.Contains(0xFFFFFFFFu));
    EXPECT_EQ(sizeof(TViewDrivesType), 1u);
}

TEST(BuildDriveList, ListsWantedTypesInLetterOrderAndAsksOnlyThemForSpace) {
    FakeDriveQuery q = Machine();
    TDriveEntries list;
    list.push_back({"Q", nullptr});
    BuildDriveList(list, kDefaultTypes, q);
    EXPECT_EQ(Letters(list), (std::vector<std::string>{"C", "Z"}));
    EXPECT_EQ(q.SpaceQueries, (std::vector<std::string>{"C:\\", "Z:\\"}));
    EXPECT_EQ(list[0].Specs->DriveName, "C:");
    EXPECT_EQ(list[0].Specs->FreeSpace, 5368709120ll);
    EXPECT_EQ(list[0].Specs->TotalSpace, 10737418240ll);
    EXPECT_EQ(list[1].Specs->DriveName, "Z:");

    BuildDriveList(list, TViewDrivesType{dtRemovable}, q);
    EXPECT_EQ(Letters(list), (std::vector<std::string>{"A"}));
    BuildDriveList(list, TViewDrivesType{}, q);
    EXPECT_TRUE(list.empty());
}

TEST(BuildDriveList, UnknownTypesAboveSixAreNeverListed) {
    FakeDriveQuery q;
    q.Drives['E'] = FakeDrive{7, false, 1, 1, {}, "", ""};
    TDriveEntries list;
    BuildDriveList(list, TViewDrivesType::FromBits(0xFF), q);
    EXPECT_TRUE(list.empty());
}

TEST(BuildDriveList, FailedSpaceQueryKeepsTheDriveWithMinusOne) {
    FakeDriveQuery q = Machine();
    q.Drives['C'].SpaceFails = true;
    TDriveEntries list;
    BuildDriveList(list, kDefaultTypes, q);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Specs->FreeSpace, -1);
    EXPECT_EQ(list[0].Specs->TotalSpace, -1);
}

TEST(BuildDriveList, WithoutTheExtendedQueryMultipliesTheGeometryIn64Bits) {
    FakeDriveQuery q = Machine();
    q.HasEx = false;
    q.Drives['C'].Geometry = TDiskGeometry{64, 4096, 30000, 65000};  // clusters of 256 KiB
    TDriveEntries list;
    BuildDriveList(list, kDefaultTypes, q);
    EXPECT_EQ(list[0].Specs->FreeSpace, 64ll * 4096 * 30000);
    EXPECT_EQ(list[0].Specs->TotalSpace, 64ll * 4096 * 65000);
    q.Drives['C'].SpaceFails = true;
    BuildDriveList(list, kDefaultTypes, q);
    EXPECT_EQ(list[0].Specs->FreeSpace, -1);
}

TEST(DriveComboModel, RebuildKeepsTheRememberedLetterElseSelectsTheFirst) {
    FakeDriveQuery q = Machine();
    TDriveComboModel m(q);
    m.UpdateDrives(kDefaultTypes);
    EXPECT_EQ(m.ItemIndex(), 0);
    EXPECT_EQ(m.Drive(), 'C');
    m.UserSelected(1);
    EXPECT_EQ(m.Drive(), 'Z');
    m.UpdateDrives(kDefaultTypes);
    EXPECT_EQ(m.ItemIndex(), 1);
    EXPECT_EQ(m.Drive(), 'Z');

    q.Drives.erase('Z');
    m.UpdateDrives(kDefaultTypes);
    EXPECT_EQ(m.ItemIndex(), 0);
    EXPECT_EQ(m.Drive(), 'C');

    q.Drives.clear();
    m.UpdateDrives(kDefaultTypes);
    EXPECT_TRUE(m.Entries().empty());
    EXPECT_EQ(m.ItemIndex(), -1);
    EXPECT_EQ(m.Drive(), 'C');  // keeps its last value
}

TEST(DriveComboModel, DriveSetterMatchesWithoutCaseAndStoresTheLetterAsGiven) {
    FakeDriveQuery q = Machine();
    TDriveComboModel m(q);
    m.UpdateDrives(kDefaultTypes);
    m.UserSelected(1);
    EXPECT_TRUE(m.SetDrive('c'));
    EXPECT_EQ(m.ItemIndex(), 0);
    EXPECT_EQ(m.Drive(), 'c');
    EXPECT_TRUE(m.SetDrive('c'));  // already selected: still reported for OnChange
    EXPECT_FALSE(m.SetDrive('Q'));
    EXPECT_EQ(m.ItemIndex(), 0);
    EXPECT_EQ(m.Drive(), 'c');
    // A rebuild keeps the selection though the stored letter differs in case.
    m.UpdateDrives(kDefaultTypes);
    EXPECT_EQ(m.ItemIndex(), 0);
    EXPECT_EQ(m.Drive(), 'C');
}

TEST(DriveComboModel, SelectionFromCodeLeavesDriveAlone) {
    FakeDriveQuery q = Machine();
    TDriveComboModel m(q);
    m.UpdateDrives(kDefaultTypes);
    m.SetItemIndex(1);
    EXPECT_EQ(m.ItemIndex(), 1);
    EXPECT_EQ(m.Drive(), 'C');
    m.SetItemIndex(7);
    EXPECT_EQ(m.ItemIndex(), -1);
}

TEST(DriveEntryText, ShellNameIsShownUnchanged) {
    FakeDriveQuery q = Machine();
    TDriveTextOptions o;
    EXPECT_EQ(DriveEntryText('C', o, q), "Local Disk (C:)");
    o.TextCase = tcUpperCase;
    EXPECT_EQ(DriveEntryText('C', o, q), "Local Disk (C:)");
    EXPECT_TRUE(q.LabelQueries.empty());
}

TEST(DriveEntryText, LetterAndLabelFollowBracketsAndCase) {
    FakeDriveQuery q = Machine();
    TDriveTextOptions o;
    o.DisplaySysName = false;
    EXPECT_EQ(DriveEntryText('C', o, q), "c: [system]");
    o.TextCase = tcUpperCase;
    EXPECT_EQ(DriveEntryText('C', o, q), "C: [SYSTEM]");
    o.DisplayBrackets = false;
    EXPECT_EQ(DriveEntryText('C', o, q), "C: SYSTEM");
    o.DisplayLabel = false;
    o.TextCase = tcLowerCase;
    EXPECT_EQ(DriveEntryText('C', o, q), "c: ");
    o.DisplayLabel = true;
    o.DisplayBrackets = true;
    q.Drives['C'].Label.clear();  // unreadable volume
    EXPECT_EQ(DriveEntryText('C', o, q), "c: []");
}

TEST(DriveEntryText, RemovableDrivesAreNeverAskedForTheirLabel) {
    FakeDriveQuery q = Machine();
    TDriveTextOptions o;
    o.DisplaySysName = false;
    EXPECT_EQ(DriveEntryText('A', o, q), "a: ");
    EXPECT_TRUE(q.LabelQueries.empty());
    EXPECT_EQ(DriveEntryText('Z', o, q), "z: [share]");
    EXPECT_EQ(q.LabelQueries, std::vector<char>{'Z'});
}

TEST(DriveEntryLayout, TextOffsetsAndIconTops) {
    // An 18-pixel item: the shrunk rectangle is 16 high.
    auto small = LayoutDriveEntry(0, 0, 100, 18, true, isSmall);
    EXPECT_EQ(small.Left, 22);
    EXPECT_EQ(small.Top, 1);
    EXPECT_EQ(small.Bottom, 17);
    EXPECT_EQ(small.Right, 100);
    EXPECT_EQ(small.IconX, 2);
    EXPECT_EQ(small.IconY, 1);
    auto large = LayoutDriveEntry(10, 36, 100, 70, true, isLarge);
    EXPECT_EQ(large.Left, 48);
    EXPECT_EQ(large.IconX, 12);
    EXPECT_EQ(large.IconY, 37);
    auto bare = LayoutDriveEntry(0, 0, 100, 18, false, isLarge);
    EXPECT_EQ(bare.Left, 4);
    EXPECT_FALSE(bare.DrawIcon);
    // Rectangles lower than the icon: the division truncates toward zero.
    auto tight = LayoutDriveEntry(0, 20, 100, 33, true, isSmall);  // height 11
    EXPECT_EQ(tight.IconY, 21 + (11 - 16) / 2);
    EXPECT_EQ(tight.IconY, 19);
    auto tightLarge = LayoutDriveEntry(0, 0, 100, 18, true, isLarge);  // height 16
    EXPECT_EQ(tightLarge.IconY, 1 - 8);
}

TEST(DriveEntryLayout, ItemHeightForIcons) {
    EXPECT_EQ(ItemHeightForIcons(isLarge, 14, 18), 34);
    EXPECT_EQ(ItemHeightForIcons(isSmall, 14, 34), 18);
    EXPECT_EQ(ItemHeightForIcons(isSmall, 18, 18), 18);
    EXPECT_EQ(ItemHeightForIcons(isSmall, 25, 25), 25);
    EXPECT_EQ(ItemHeightForIcons(isLarge, 40, 40), 40);
}

// The drive combo box's model, apart from any window: the drive types and their set,
// the per-drive record, building the list over a drive-query interface, the selection
// rules, the text and layout of a painted entry. The Win32 control (DVDrives.h) keeps
// its window in step with this model; the native tests drive it with a fake query.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// Ordinals are exactly the values GetDriveTypeA returns.
enum TDriveType : uint8_t {
    dtUnknown = 0,
    dtNonExisting = 1,
    dtRemovable = 2,
    dtFixed = 3,
    dtRemote = 4,
    dtCDROM = 5,
    dtRamDisk = 6,
};

// A set of TDriveType held in one byte, bit n standing for ordinal n.
class TViewDrivesType {
public:
    constexpr TViewDrivesType() = default;
    TViewDrivesType(std::initializer_list<TDriveType> types) {
        for (TDriveType t : types) bits_ = static_cast<uint8_t>(bits_ | (1u << t));
    }
    static constexpr TViewDrivesType FromBits(uint8_t bits) {
        TViewDrivesType s;
        s.bits_ = static_cast<uint8_t>(bits & 0x7F);
        return s;
    }
    constexpr uint8_t Bits() const { return bits_; }
    // Whether a value as GetDriveTypeA returns it is in the set; above 6 it never is.
    constexpr bool Contains(unsigned driveType) const {
        return driveType <= dtRamDisk && ((bits_ >> driveType) & 1u) != 0;
    }
    constexpr bool operator==(TViewDrivesType o) const { return bits_ == o.bits_; }
    constexpr bool operator!=(TViewDrivesType o) const { return bits_ != o.bits_; }

private:
    uint8_t bits_ = 0;
};

enum TIconSize : uint8_t { isSmall = 0, isLarge = 1 };
enum TTextCase : uint8_t { tcLowerCase = 0, tcUpperCase = 1 };

// One listed drive. Sizes are -1 when the disk-space query failed.
struct TDriveSpecs {
    std::string DriveName;   // upper-case letter and colon, "C:"
    int64_t TotalSpace = -1;
    int64_t FreeSpace = -1;  // free bytes available to the current user
};

// An entry of the list: the bare upper-case letter, with the drive's record.
struct TDriveEntry {
    std::string Text;
    std::unique_ptr<TDriveSpecs> Specs;
};
using TDriveEntries = std::vector<TDriveEntry>;

// GetDiskFreeSpaceA's figures.
struct TDiskGeometry {
    uint32_t SectorsPerCluster = 0;
    uint32_t BytesPerSector = 0;
    uint32_t FreeClusters = 0;
    uint32_t TotalClusters = 0;
};

// The system services the drive list needs. Roots are spelt "X:\".
class IDriveQuery {
public:
    virtual ~IDriveQuery() = default;
    // GetLogicalDrives: bit n set when drive n (0 = A) exists.
    virtual uint32_t LogicalDrives() = 0;
    // GetDriveTypeA of a root.
    virtual unsigned DriveType(const std::string& root) = 0;
    // Whether the system offers GetDiskFreeSpaceExA.
    virtual bool HasDiskFreeSpaceEx() = 0;
    // GetDiskFreeSpaceExA: bytes available to the caller and total bytes.
    virtual bool DiskFreeSpaceEx(const std::string& root, uint64_t& freeToCaller,
                                 uint64_t& total) = 0;
    // GetDiskFreeSpaceA.
    virtual bool DiskFreeSpace(const std::string& root, TDiskGeometry& out) = 0;
    // The volume name of the letter's drive; empty when it cannot be read. Never
    // shows the system's critical-error dialog.
    virtual std::string VolumeLabel(char letter) = 0;
    // The shell's display name of a root; empty when the shell cannot give one.
    virtual std::string DisplayName(const std::string& root) = 0;
};

// ASCII case mapping of single-byte text (drive letters, folder names compared
// without case).
std::string LowerCase(std::string s);
std::string UpperCase(std::string s);
char UpperChar(char c);

// Total and free bytes of a root: GetDiskFreeSpaceExA where the system has it,
// else GetDiskFreeSpaceA multiplied out; both -1 when the query fails.
void QueryDriveSpace(IDriveQuery& query, const std::string& root, int64_t& total,
                     int64_t& free);

// Clears the list and adds, in letter order, every existing drive whose type is in
// `wanted`, with its space figures. Drives of other types are not asked for space.
void BuildDriveList(TDriveEntries& list, TViewDrivesType wanted, IDriveQuery& query);

// The entry whose text is the letter, compared without case; -1 when none.
int FindDriveLetter(const TDriveEntries& list, char letter);

// The list and selection of a drive combo box.
class TDriveComboModel {
public:
    explicit TDriveComboModel(IDriveQuery& query) : query_(&query) {}

    const TDriveEntries& Entries() const { return entries_; }
    int ItemIndex() const { return itemIndex_; }
    char Drive() const { return drive_; }

    // Rebuilds the list. The previously selected letter stays selected when it is
    // still listed, else entry 0 is; Drive follows the selection. An empty list
    // selects nothing and keeps Drive.
    void UpdateDrives(TViewDrivesType wanted);
    // Selects the entry of letter c (without case) and stores c unchanged as Drive.
    // Returns false, changing nothing, when no such entry exists; true means the
    // control raises OnChange, even when the entry was already selected.
    bool SetDrive(char c);
    // Selection from code: no event, Drive unchanged. -1 selects nothing.
    void SetItemIndex(int index);
    // The user picked an entry: it becomes selected and Drive its letter.
    void UserSelected(int index);

private:
    IDriveQuery* query_;
    TDriveEntries entries_;
    int itemIndex_ = -1;
    char drive_ = '\0';
};

// What a painted entry shows.
struct TDriveTextOptions {
    bool DisplaySysName = true;
    bool DisplayLabel = true;
    bool DisplayBrackets = true;
    TTextCase TextCase = tcLowerCase;
};

// The text painted for the entry of `letter`: the shell's display name (no case
// change), or letter, colon, blank and, unless the drive is removable, the volume
// label in optional brackets, in the chosen case. Removable drives are never asked
// for their label.
std::string DriveEntryText(char letter, const TDriveTextOptions& options,
                           IDriveQuery& query);

// Where the parts of an entry go inside its rectangle.
struct TDriveEntryLayout {
    int Left, Top, Right, Bottom;  // the text rectangle
    bool DrawIcon;
    int IconX, IconY;
};
TDriveEntryLayout LayoutDriveEntry(int left, int top, int right, int bottom,
                                   bool displayIcons, TIconSize iconSize);

// The item height after the IconsSize setter: at least 18 for small and 34 for large
// icons when the font is lower than that, else the current height.
int ItemHeightForIcons(TIconSize size, int fontHeight, int currentItemHeight);

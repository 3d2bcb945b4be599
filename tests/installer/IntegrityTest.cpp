// The payload check, the completeness of archives, which errors are damage, and the
// clean-up of a run that started nothing.
#include <gtest/gtest.h>

#include <map>

#include "archive/PayloadCheck.h"
#include "archive/Quillox.h"
#include "codec/Codec.h"
#include "installer/Integrity.h"
#include "installer/RunRecord.h"
#include "tests/archive/TestSupport.h"

using namespace install;
using testsupport::ArchiveBuilder;
using testsupport::Bytes;
using testsupport::ToBytes;

namespace {

// Resources of a pretend installer.
struct FakeProgram {
    std::map<std::string, Bytes> resources;  // "TYPE/NAME"
    int chunks = 0;

    TResourceFinder Finder() {
        return [this](const std::string& type, const std::string& name, const uint8_t*& data,
                      int64_t& size) {
            auto it = resources.find(type + "/" + name);
            if (it == resources.end()) return false;
            data = it->second.data();
            size = static_cast<int64_t>(it->second.size());
            return true;
        };
    }
    void Seal() {
        std::vector<payload::TCheckEntry> entries;
        for (const char* name : {"WELCOME", "QUORV"}) {
            const Bytes& b = resources["TQUILLOX/" + std::string(name)];
            entries.push_back({name, static_cast<uint32_t>(b.size()), payload::Crc32(b.data(), b.size())});
        }
        resources["TVXCHECK/PAYLOAD"] = payload::EncodeCheckRecord(entries);
    }
    // The check's answer, or the damage it names.
    std::string Check(bool keepGoing = true) {
        try {
            return CheckPayload(Finder(), [&] { ++chunks; return keepGoing; }) ? "ok" : "stopped";
        } catch (const EInstallerDamaged& e) {
            return e.Message();
        }
    }
};

FakeProgram SealedProgram() {
    FakeProgram p;
    p.resources["TQUILLOX/WELCOME"] = ToBytes("welcome archive");
    p.resources["TQUILLOX/QUORV"] = Bytes(3 << 20, 0x5A);  // three megabytes
    p.Seal();
    return p;
}

}  // namespace

TEST(Integrity, PayloadMatchingItsRecordPassesInMegabyteSteps) {
    FakeProgram p = SealedProgram();
    EXPECT_EQ(p.Check(), "ok");
    EXPECT_EQ(p.chunks, 4);  // one for WELCOME, three for QUORV
    EXPECT_EQ(p.Check(false), "stopped");
}

TEST(Integrity, EveryDifferenceFromTheRecordIsDamage) {
    FakeProgram p = SealedProgram();
    p.resources["TQUILLOX/QUORV"][1234567] ^= 0x01;
    EXPECT_EQ(p.Check(), "The archive QUORV does not have the bytes that were packed");

    p = SealedProgram();
    p.resources["TQUILLOX/WELCOME"].pop_back();
    EXPECT_EQ(p.Check(), "The archive WELCOME holds 14 bytes; 15 were packed");
    p.resources["TQUILLOX/WELCOME"].push_back('e');
    p.resources["TQUILLOX/WELCOME"].push_back('!');
    EXPECT_EQ(p.Check(), "The archive WELCOME holds 16 bytes; 15 were packed");

    p = SealedProgram();
    p.resources.erase("TQUILLOX/QUORV");
    EXPECT_EQ(p.Check(), "Resource QUORV not found");

    p = SealedProgram();
    p.resources.erase("TVXCHECK/PAYLOAD");
    EXPECT_EQ(p.Check(), "Its check record is missing");

    p = SealedProgram();
    p.resources["TVXCHECK/PAYLOAD"].back() ^= 0x80;
    EXPECT_EQ(p.Check(), "The archive QUORV does not have the bytes that were packed");
    p.resources["TVXCHECK/PAYLOAD"].pop_back();
    EXPECT_EQ(p.Check(), "Its check record is damaged");

    // A record that leaves an archive out would leave it unchecked.
    p = SealedProgram();
    const Bytes& w = p.resources["TQUILLOX/WELCOME"];
    p.resources["TVXCHECK/PAYLOAD"] = payload::EncodeCheckRecord(
        {{"WELCOME", static_cast<uint32_t>(w.size()), payload::Crc32(w.data(), w.size())}});
    EXPECT_EQ(p.Check(), "The archive QUORV is missing from its check record");
}

TEST(Integrity, OnlyDamagedArchiveBytesCountAsDamage) {
    const auto kind = [](const std::exception& e) { return ClassifyExpansionError(e); };
    const auto damage = TExpansionError::Damage, disk = TExpansionError::DiskError;
    EXPECT_EQ(kind(EBadChecksum()), damage);
    EXPECT_EQ(kind(ELZHBadDecodeTable()), damage);
    EXPECT_EQ(kind(EInvalidKey()), damage);
    EXPECT_EQ(kind(EInvalidHeader()), damage);
    EXPECT_EQ(kind(EInvalidHeaderArchiveType()), damage);
    EXPECT_EQ(kind(EUnrecognizedCompressionMethod("lh5")), damage);
    EXPECT_EQ(kind(EReadError()), damage);
    EXPECT_EQ(kind(EWriteError()), disk);
    EXPECT_EQ(kind(EFCreateError("D:\\Q\\a.txt")), disk);
    EXPECT_EQ(kind(EInOutError(5, "Cannot create folder D:\\Q")), disk);
    EXPECT_EQ(kind(EInsufficientDiskSpace("D:\\Q\\a.txt")), disk);
    EXPECT_EQ(kind(Exception("other")), disk);
    EXPECT_EQ(DamagedText(DamageDetail("\\\\qv\\setup.exe", "Bad decode table in archive!")),
              "The installer is damaged and cannot be used. Please download it again.\r\r"
              "\\\\qv\\setup.exe: Bad decode table in archive!");
    EXPECT_EQ(DamageDetail("", "Can't recognize compressed file header"),
              "Can't recognize compressed file header");
}

TEST(Integrity, ArchiveWhoseHeadersEndBeforeItsTotalIsDamage) {
    TQuillox component;
    const auto check = [&](const Bytes& archive) -> std::string {
        TMemoryStream stream(archive);
        try {
            CheckArchiveComplete(component, stream, "QUORV");
            return "ok";
        } catch (const EInstallerDamaged& e) {
            return e.Message();
        }
    };
    ArchiveBuilder whole;
    whole.Add("\\\\qv\\setup.exe", ToBytes("MZ program"));
    whole.Add("\\\\qv\\setup.ini", ToBytes("[Startup]\r\n"));
    const Bytes good = whole.Build();
    EXPECT_EQ(check(good), "ok");
    // The last entry's header cut: the entries before it do not reach the total.
    EXPECT_EQ(check(Bytes(good.begin(), good.end() - 45)),
              "QUORV: cannot read the entry after \\\\qv\\setup.exe");
    // A stored path one byte longer swallows the next header's first byte.
    Bytes longer = good;
    longer[21] = static_cast<uint8_t>(longer[21] + 1);
    EXPECT_EQ(check(longer), "QUORV: cannot read the entry after \\\\qv\\setup.exeM");
    EXPECT_EQ(check(Bytes(good.begin(), good.begin() + 30)), "QUORV: cannot read its first entry");
    Bytes bad = good;
    bad[0] = 'Z';
    EXPECT_EQ(check(bad), "QUORV: Can't recognize compressed file header");
    // Bytes after an archive whose total is reached are never read, and an archive of
    // no entries is complete.
    Bytes extended = good;
    extended.resize(good.size() + 40, 0xEE);
    EXPECT_EQ(check(extended), "ok");
    EXPECT_EQ(check(ArchiveBuilder().Build()), "ok");
}

TEST(Integrity, RunThatStartedNothingRemovesItsFilesThenItsFoldersInnermostFirst) {
    std::vector<std::string> calls;
    const auto service = [&](const char* what, bool ok) {
        return [&calls, what, ok](const std::string& path) {
            calls.push_back(std::string(what) + " " + path);
            // Whatever is named "locked..." stays.
            return ok || path.substr(path.find_last_of('\\') + 1).rfind("locked", 0) != 0;
        };
    };
    TCleanupServices services{service("delete", false), service("rmdir", false),
                              service("restart", true)};
    TRunRecord run;
    run.FolderMade("T\\_ZK1.tmp");
    run.FolderMade("C:\\Q");
    run.FolderMade("C:\\Q\\locked sub");
    const std::vector<std::string> files{
        "T\\_ZK1.tmp\\welcome.rtf", "C:\\Q\\locked sub\\locked.dll", "C:\\Q\\locked sub\\a.txt",
        "C:\\Q\\locked sub\\locked.dll"};  // a retry announced it again
    const auto left = RemoveNow(files, run.Folders(), services);
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "delete T\\_ZK1.tmp\\welcome.rtf", "delete C:\\Q\\locked sub\\locked.dll",
                         "delete C:\\Q\\locked sub\\a.txt", "rmdir C:\\Q\\locked sub",
                         "rmdir C:\\Q", "rmdir T\\_ZK1.tmp",
                         "restart C:\\Q\\locked sub\\locked.dll", "restart C:\\Q\\locked sub"}));
    EXPECT_EQ(left, (std::vector<std::string>{"C:\\Q\\locked sub\\locked.dll", "C:\\Q\\locked sub"}));
    EXPECT_EQ(run.Outcome, TOutcome::Failed);
}

// A run that started setup.exe leaves its files and then its folders, innermost first,
// for the next restart; which folders it made decides where it may write.
TEST(Integrity, RunThatStartedSetupSchedulesFilesThenFoldersInnermostFirst) {
    std::vector<std::string> recorded;
    const auto none = [](const std::string&) { return false; };
    TRunRecord run;
    run.FolderMade("C:\\TEMP\\_zk1a.tmp");
    run.FolderMade("D:\\Mine\\_zk1b.tmp");
    const std::vector<std::string> files{"C:\\TEMP\\_zk1a.tmp\\welcome.rtf",
                                         "D:\\Mine\\_zk1b.tmp\\setup.exe",
                                         "D:\\Mine\\_zk1b.tmp\\setup.exe"};
    ScheduleAtRestart(files, run.Folders(),
                      {none, none, [&](const std::string& p) { recorded.push_back(p); return true; }});
    EXPECT_EQ(recorded, (std::vector<std::string>{
                            "C:\\TEMP\\_zk1a.tmp\\welcome.rtf", "D:\\Mine\\_zk1b.tmp\\setup.exe",
                            "D:\\Mine\\_zk1b.tmp\\setup.exe", "D:\\Mine\\_zk1b.tmp",
                            "C:\\TEMP\\_zk1a.tmp"}));
    EXPECT_TRUE(run.MadeFolder("c:\\temp\\_ZK1A.TMP\\"));
    EXPECT_FALSE(run.MadeFolder("D:\\Mine"));
    EXPECT_FALSE(run.MadeFolder("C:\\TEMP\\_zk1a.tm"));
}

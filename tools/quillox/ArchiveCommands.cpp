// quillox a|l|t|x: making, listing, testing and extracting archives with TQuillox.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>

#include "archive/PathGuard.h"
#include "archive/Quillox.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"
#include "tools/quillox/Adding.h"
#include "tools/quillox/Commands.h"
#include "tools/quillox/InstallerArchive.h"
#include "tools/quillox/Listing.h"

namespace fs = std::filesystem;

namespace {

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Options shared by the four commands.
struct Options {
    std::string archive;
    std::string method = "LH5";
    bool methodGiven = false;
    int32_t key = 0;
    std::string dir;
    std::string prefix;
    std::string library;
    std::string resource;
    int codePage = 0;
    bool json = false;
    bool absolutePaths = false;
    bool checkSpace = false;
    std::vector<std::pair<std::string, std::string>> storedPaths;  // NAME, FILE
    std::vector<std::string> paths;
};

int32_t ParseKey(const std::string& text) {
    try {
        size_t used = 0;
        const long long v = std::stoll(text, &used, 0);
        if (used == text.size() && v >= INT32_MIN && v <= 0xFFFFFFFFll)
            return static_cast<int32_t>(static_cast<uint32_t>(v));
    } catch (const std::exception&) {
    }
    throw UsageError("bad key '" + text + "' (a 32-bit number, decimal or 0x hex)");
}

int ParseCodePage(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError("bad code page '" + text + "' (a number such as 1252)");
    return std::stoi(text);
}

Options ParseOptions(const std::string& command, const Args& args) {
    Options o;
    const auto allowed = [&](const char* commands) {
        return std::strchr(commands, command[0]) != nullptr;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError("option " + a + " needs a value");
            return args[++i];
        };
        if (a == "-m" && allowed("a")) {
            o.method = value();
            o.methodGiven = true;
            if (o.method != "NON" && o.method != "RLE" && o.method != "LZH" && o.method != "LH5")
                throw UsageError("unknown method '" + o.method + "' (NON, RLE, LZH or LH5)");
        } else if (a == "-k" && allowed("atx")) {
            o.key = ParseKey(value());
        } else if (a == "-C" && allowed("ax")) {
            o.dir = value();
        } else if (a == "--prefix" && allowed("a")) {
            o.prefix = value();
        } else if (a == "--stored-path" && allowed("a")) {
            const std::string& v = value();
            const size_t eq = v.find('=');
            if (eq == std::string::npos || eq + 1 == v.size())
                throw UsageError("--stored-path wants NAME=FILE");
            o.storedPaths.emplace_back(v.substr(0, eq), v.substr(eq + 1));
        } else if (a == "--codepage" && allowed("a")) {
            o.codePage = ParseCodePage(value());
        } else if (a == "--library" && allowed("ltx")) {
            o.library = value();
        } else if (a == "--resource" && allowed("ltx")) {
            o.resource = value();
        } else if (a == "--json" && allowed("l")) {
            o.json = true;
        } else if (a == "--absolute-paths" && allowed("x")) {
            o.absolutePaths = true;
        } else if (a == "--check-space" && allowed("x")) {
            o.checkSpace = true;
        } else if (a == "--") {
            for (++i; i < args.size(); ++i) o.paths.push_back(args[i]);
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option " + a + " for '" + command + "'");
        } else if (o.archive.empty()) {
            o.archive = a;
        } else {
            o.paths.push_back(a);
        }
    }
    if (o.archive.empty()) throw UsageError("no archive named");
    if (command == "a" && o.paths.empty() && o.storedPaths.empty())
        throw UsageError("nothing to add");
    if (command == "l" && !o.paths.empty()) throw UsageError("l takes only the archive");
    if (command == "t" && !o.paths.empty()) throw UsageError("t takes only the archive");
    if (!o.library.empty() && !o.resource.empty())
        throw UsageError("--library names the resource as ARCHIVE; use --resource without it");
    return o;
}

void Complain(const std::string& where, const std::string& message) {
    std::fflush(stdout);  // what went before, in order, when both go to one pipe
    std::fprintf(stderr, "quillox: %s: %s\n", where.c_str(), message.c_str());
}

// The archive to read: a file, or an archive inside an installer (QUORV unless
// --resource names another), read from the installer's file as data. --library LIB
// NAME is the older spelling of LIB --resource NAME. The component reads fewer than
// 21 bytes as an archive without entries; the tool calls such a file what it is.
std::unique_ptr<TStream> OpenSource(TQuillox&, const Options& o) {
    const std::string& path = o.library.empty() ? o.archive : o.library;
    const std::string resource = !o.library.empty() ? o.archive : o.resource;
    std::unique_ptr<TStream> s = std::make_unique<TFileStream>(path, TFileMode::fmOpenRead);
    if (!LooksLikeExecutable(*s)) {
        if (!o.library.empty()) throw Exception(path + ": not a PE32 executable (no MZ header)");
        if (!resource.empty())
            throw Exception("not an installer; --resource picks an archive inside one");
    } else {
        try {
            s = OpenInstallerArchive(std::move(s), resource.empty() ? "QUORV" : resource);
        } catch (const Exception& e) {
            if (o.library.empty()) throw;
            throw Exception(path + ": " + e.Message());
        }
    }
    if (s->Size() < kArchiveHeaderSize) throw EInvalidHeader();
    return s;
}

// A progress bar on standard error, shown only on a terminal and for large work.
class ProgressBar {
public:
    explicit ProgressBar(int64_t total)
        : total_(total), on_(total >= (8 << 20) && ::isatty(2)) {}
    ~ProgressBar() { Finish(); }
    void Show(int64_t done) {
        if (!on_) return;
        const int pct = static_cast<int>(std::min<int64_t>(100, done * 100 / total_));
        if (pct == last_) return;
        last_ = pct;
        char bar[41];
        const int fill = pct * 40 / 100;
        for (int i = 0; i < 40; ++i) bar[i] = i < fill ? '#' : '.';
        bar[40] = 0;
        std::fprintf(stderr, "\r[%s] %3d%%", bar, pct);
        std::fflush(stderr);
        shown_ = true;
    }
    void Finish() {
        if (shown_) std::fputs("\r\033[K", stderr);
        shown_ = false;
    }

private:
    int64_t total_;
    bool on_;
    int last_ = -1;
    bool shown_ = false;
};

// ---- a ------------------------------------------------------------------------------

std::string Backslashed(std::string s) {
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

int Add(const Options& o) {
    AddRequest r;
    r.archive = o.archive;
    r.method = o.method;
    r.methodGiven = o.methodGiven;
    r.key = o.key;
    r.dir = o.dir;
    r.prefix = o.prefix;
    r.codePage = o.codePage;
    r.storedPaths = o.storedPaths;
    r.paths = o.paths;
    std::vector<std::string> problems;
    std::vector<FileToAdd> files;
    try {
        files = CollectFiles(r, problems);
    } catch (const AddUsageError& e) {
        throw UsageError(e.what());
    }
    for (const auto& p : problems) std::fprintf(stderr, "quillox: %s\n", p.c_str());
    if (!problems.empty())
        throw Exception("nothing added: " + std::to_string(problems.size()) + " file" +
                        (problems.size() == 1 ? "" : "s") + " cannot be stored as they are");
    int64_t total = 0;
    for (const auto& f : files) total += f.size;
    ProgressBar bar(total);
    try {
        WriteArchive(r, files, [&](int64_t done) { bar.Show(done); });
    } catch (const EAddFailed& e) {
        bar.Finish();
        Complain(e.File(), e.Message());
        return 1;
    }
    return 0;
}

// ---- l ------------------------------------------------------------------------------

int List(const Options& o) {
    TQuillox q;
    auto source = OpenSource(q, o);
    std::string method;
    const TArchiveHeader header = q.ReadArchiveHeader(*source, method);
    source->SetPosition(0);
    TStrings list;
    q.ListArchive(*source, list);
    std::vector<ListedEntry> entries;
    for (int i = 0; i < list.Count(); ++i)
        entries.push_back({list[i], *static_cast<TArchiveFileInfo*>(list.Objects(i))});
    const std::string text = o.json ? ListingJson(method, header.TotalSize, entries)
                                    : ListingTable(method, header.TotalSize, entries);
    std::fputs(text.c_str(), stdout);
    return 0;
}

// ---- t ------------------------------------------------------------------------------

// A destination that keeps nothing: testing decodes every entry without writing files.
class TNullStream : public TStream {
public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t count) override {
        size_ += count;
        return count;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return size_; }

private:
    int64_t size_ = 0;
};

int Test(const Options& o) {
    TQuillox q;
    q.Key = o.key;
    auto source = OpenSource(q, o);
    std::string method;
    const TArchiveHeader header = q.ReadArchiveHeader(*source, method);
    int entries = 0, bad = 0;
    int64_t sum = 0;
    TEntryHeader e;
    std::string path;
    for (;;) {
        const int64_t headerAt = source->Position();
        if (!q.ReadEntryHeader(*source, e, path)) {
            if (source->Size() > headerAt) {
                Complain(o.archive, "damaged bytes after the last complete entry");
                ++bad;
            }
            break;
        }
        const int64_t next = source->Position() + e.StoredSize;
        if (next > source->Size()) {
            Complain(path, "stored data runs past the end of the archive");
            ++bad;
            break;
        }
        if (sum >= header.TotalSize && e.ExpandedSize > 0) {
            Complain(path, "lies past the archive's total size; readers never expand it");
            ++bad;
        }
        TNullStream sink;
        try {
            q.ExpandEntry(sink, *source, e, method);
            std::printf("OK    %s\n", path.c_str());
        } catch (const Exception& x) {
            Complain(path, x.Message());
            ++bad;
        }
        ++entries;
        sum += e.ExpandedSize;
        source->SetPosition(next);
    }
    if (sum != header.TotalSize) {
        Complain(o.archive, "total size " + std::to_string(header.TotalSize) +
                                " differs from the sum of the entries, " + std::to_string(sum));
        ++bad;
    }
    std::printf("%d entr%s tested, %d error%s\n", entries, entries == 1 ? "y" : "ies", bad,
                bad == 1 ? "" : "s");
    return bad ? 1 : 0;
}

// ---- x ------------------------------------------------------------------------------

// Keeps the file that an entry is about to replace until the entry has succeeded: the
// old file is renamed aside before the component creates the new one, put back when the
// entry fails (wrong key, damaged data, full disk, interruption), and removed once the
// entry has succeeded.
class TKeptFile {
public:
    TKeptFile() = default;
    TKeptFile(const TKeptFile&) = delete;
    TKeptFile& operator=(const TKeptFile&) = delete;
    ~TKeptFile() { Restore(); }

    // Moves the file at path aside when there is one (a folder stays where it is).
    void Keep(const std::string& path) {
        Release();
        const uint32_t attrs = platform::GetFileAttributes(path);
        if (attrs == platform::kInvalidFileAttributes || (attrs & platform::kAttrDirectory))
            return;
        std::string aside = path + ".quillox-old";
        for (int n = 1; platform::GetFileAttributes(aside) != platform::kInvalidFileAttributes;
             ++n)
            aside = path + ".quillox-old" + std::to_string(n);
        if (std::rename(platform::NativePath(path).c_str(), platform::NativePath(aside).c_str()) != 0)
            throw Exception("Cannot move " + path + " aside to replace it");
        path_ = path;
        aside_ = aside;
    }
    // The entry succeeded: the old file goes.
    void Release() {
        if (aside_.empty()) return;
        platform::SetFileAttributes(aside_, kNormal);
        std::remove(platform::NativePath(aside_).c_str());
        aside_.clear();
    }
    // The entry failed: whatever it left goes, the old file comes back.
    void Restore() {
        if (aside_.empty()) return;
        platform::SetFileAttributes(path_, kNormal);
        std::remove(platform::NativePath(path_).c_str());
        if (std::rename(platform::NativePath(aside_).c_str(), platform::NativePath(path_).c_str()) != 0)
            Complain(path_, "could not be put back; the old file is " + aside_);
        aside_.clear();
    }

private:
    static constexpr uint32_t kNormal = 0x80;
    std::string path_, aside_;
};

volatile std::sig_atomic_t gInterrupted = 0;
extern "C" void OnInterrupt(int) { gInterrupted = 1; }

// Ctrl-C during x: the entry being written is stopped (the component then fails it) and
// the expansion ends, so that the kept file is put back before the program exits.
class TInterruptWatch {
public:
    TInterruptWatch() : old_(std::signal(SIGINT, OnInterrupt)) { gInterrupted = 0; }
    ~TInterruptWatch() { std::signal(SIGINT, old_); }
    TInterruptWatch(const TInterruptWatch&) = delete;
    TInterruptWatch& operator=(const TInterruptWatch&) = delete;
    static bool Interrupted() { return gInterrupted != 0; }

private:
    void (*old_)(int);
};

// The archive's layout as t reports it: damaged bytes after the last complete entry,
// stored data past the end, and a total size that the entries do not add up to. Each
// finding is reported with t's message; returns their number.
int LayoutProblems(const Options& o, const TStrings& list, int64_t archiveSize,
                   int32_t totalSize) {
    int problems = 0;
    int64_t end = kArchiveHeaderSize, sum = 0;
    for (int i = 0; i < list.Count(); ++i) {
        const auto* info = static_cast<TArchiveFileInfo*>(list.Objects(i));
        end = int64_t{info->HeaderPosition} + kEntryHeaderSize +
              static_cast<int64_t>(list[i].size()) + info->StoredSize;
        if (end > archiveSize) {
            Complain(list[i], "stored data runs past the end of the archive");
            ++problems;
            break;
        }
        sum += info->ExpandedSize;
    }
    if (end < archiveSize) {
        Complain(o.archive, "damaged bytes after the last complete entry");
        ++problems;
    }
    if (sum != totalSize) {
        Complain(o.archive, "total size " + std::to_string(totalSize) +
                                " differs from the sum of the entries, " + std::to_string(sum));
        ++problems;
    }
    return problems;
}

const char* const kUnsafeWhy =
    "unsafe path skipped (absolute, drive letter or '..'; --absolute-paths writes it)";
const char* const kDeviceWhy = "unsafe path skipped (a Windows device name)";

int Extract(const Options& o) {
    TQuillox q;
    q.Key = o.key;
    q.MakeDirectories = true;
    q.ExceptionOnFileError = true;
    q.CheckSpaceBeforeExpand = o.checkSpace;
    q.SetTargetPath(o.dir);
    auto source = OpenSource(q, o);

    TStrings list;
    q.ListArchive(*source, list);
    source->SetPosition(0);
    std::string method;
    const TArchiveHeader header = q.ReadArchiveHeader(*source, method);
    source->SetPosition(0);
    if (!o.dir.empty()) TQuillox::MakeFolderPath(o.dir);

    // Entries by the position just after their stored path, where OnCheckFile meets them.
    std::map<int64_t, int> byPosition;
    int64_t total = 0;
    for (int i = 0; i < list.Count(); ++i) {
        const auto* info = static_cast<TArchiveFileInfo*>(list.Objects(i));
        byPosition[int64_t{info->HeaderPosition} + kEntryHeaderSize +
                   static_cast<int64_t>(list[i].size())] = i;
        total += std::max(0, info->ExpandedSize);
    }

    TStrings selection;
    for (const auto& p : o.paths) selection.Add(Backslashed(p));
    const bool selecting = !o.paths.empty();
    const auto wanted = [&](const std::string& stored) {
        return !selecting || TQuillox::IsSelected(selection, stored);
    };
    std::vector<bool> found(o.paths.size(), false);
    for (int i = 0; i < list.Count(); ++i)
        for (size_t k = 0; k < o.paths.size(); ++k)
            if (TQuillox::IsSelected(TStrings{Backslashed(o.paths[k])}, list[i])) found[k] = true;

    const TPathGuard guard(q.TargetPath(), o.absolutePaths);
    // The path to write for F, or "" after reporting why it is skipped. A path of "*"
    // would end the component's expansion without a word.
    const auto safePath = [&](const std::string& f, const std::string& shown) {
        std::string checked = guard.Check(f);
        if (checked == "*") checked.clear();
        if (checked.empty())
            Complain(shown, NamesWindowsDevice(f) ? kDeviceWhy
                            : f == "*"            ? "unsafe path skipped ('*' would end the expansion)"
                                                  : kUnsafeWhy);
        return checked;
    };
    std::set<int> reached;
    int unsafe = 0;
    std::string currentPath = o.archive;
    int64_t done = 0, currentSize = 0;
    ProgressBar bar(total);
    TKeptFile kept;
    TInterruptWatch interrupt;
    q.OnCheckFile = [&](std::string& f, TCProcessMode) {
        kept.Release();  // the entry before this one has succeeded
        if (TInterruptWatch::Interrupted()) throw Exception("interrupted");
        done += currentSize;
        currentSize = 0;
        const auto it = byPosition.find(source->Position());
        if (it != byPosition.end()) {
            reached.insert(it->second);
            currentPath = list[it->second];
            currentSize = static_cast<TArchiveFileInfo*>(list.Objects(it->second))->ExpandedSize;
        } else {
            currentPath = guard.StoredPathOf(f);
        }
        bar.Finish();
        f = safePath(f, currentPath);
        if (f.empty())
            ++unsafe;
        else
            kept.Keep(f);
    };
    q.OnShowProgress = [&](int32_t& pct) {
        if (TInterruptWatch::Interrupted()) {
            pct = -1;
            return;
        }
        bar.Show(done + currentSize * pct / 100);
    };

    try {
        q.ExpandArchive(*source, selecting ? &selection : nullptr);
        kept.Release();
    } catch (const Exception& e) {
        kept.Restore();
        bar.Finish();
        Complain(currentPath, TInterruptWatch::Interrupted() ? "interrupted" : e.Message());
        return 1;
    }
    bar.Finish();

    // Entries the reading stopped before: empty files are created here, so nothing is
    // lost; a non-empty one means the archive's total size is wrong.
    int missed = 0;
    for (int i = 0; i < list.Count(); ++i) {
        if (reached.count(i) || !wanted(list[i])) continue;
        const auto* info = static_cast<TArchiveFileInfo*>(list.Objects(i));
        if (info->ExpandedSize != 0) {
            Complain(list[i], "not expanded: it lies past the archive's total size");
            ++missed;
            continue;
        }
        const std::string& p = list[i];
        const std::string f =
            safePath((!p.empty() && p[0] == '\\') ? p : q.TargetPath() + p, p);
        if (f.empty()) {
            ++unsafe;
            continue;
        }
        try {
            source->SetPosition(info->HeaderPosition);
            TEntryHeader e;
            std::string stored;
            if (!TQuillox::ReadEntryHeader(*source, e, stored)) throw EReadError();
            if (e.Lock > 0 && q.Key == 0) throw EInvalidKey();
            TQuillox::MakeFolderPath(f.substr(0, f.find_last_of("\\/:") + 1));
            kept.Keep(f);
            {
                TFileStream file(f, TFileMode::fmCreate);
                try {
                    q.ExpandEntry(file, *source, e, method);
                } catch (const EInvalidKey&) {
                    file.Close();
                    platform::DeleteFile(f);
                    throw;
                }
                platform::SetFileDosDateTime(file, e.DateTime);
            }
            platform::SetFileAttributes(
                f, static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(e.Attributes))));
            kept.Release();
        } catch (const Exception& e) {
            kept.Restore();
            Complain(p, e.Message());
            return 1;
        }
    }
    int notFound = 0;
    for (size_t k = 0; k < o.paths.size(); ++k)
        if (!found[k]) {
            Complain(o.paths[k], "not found in archive");
            ++notFound;
        }
    const int damaged = LayoutProblems(o, list, source->Size(), header.TotalSize);
    return (unsafe || missed || notFound || damaged) ? 1 : 0;
}

}  // namespace

int RunArchiveCommand(const std::string& command, const Args& args) {
    Options o;
    try {
        o = ParseOptions(command, args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quillox: %s\n", e.what());
        PrintUsage();
        return 2;
    }
    try {
        if (command == "a") return Add(o);
        if (command == "l") return List(o);
        if (command == "t") return Test(o);
        return Extract(o);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quillox: %s\n", e.what());
        return 2;
    } catch (const Exception& e) {
        Complain(o.archive, e.Message());
        return 1;
    } catch (const std::exception& e) {
        Complain(o.archive, e.what());
        return 1;
    }
}

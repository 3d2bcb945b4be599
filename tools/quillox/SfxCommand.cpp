// quillox sfx: packs a release into an installer stub, without a compiler.
//
// The welcome file and the product folder become the archives "WELCOME" and "QUORV"
// (type "TQUILLOX"), made by the very code of `quillox a`, so they are byte for byte
// what `quillox a --codepage N` makes of the same input. They go into the stub's
// resource section beside its own resources; the build values go into its version
// information. A release that the installer could not reproduce is refused before
// anything is written: the installer writes every file directly into one folder under
// its bare name, in the ANSI code page, and starts the setup.exe it finds there. The
// result is written under a temporary name beside OUT and renamed into place only
// when it is complete, so a failure leaves no partial OUT and never touches STUB.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <tuple>

#include "archive/PayloadCheck.h"
#include "tools/quillox/Adding.h"
#include "tools/quillox/CodePage.h"
#include "tools/quillox/Commands.h"
#include "tools/quillox/PeImage.h"
#include "tools/quillox/StopRequest.h"

namespace fs = std::filesystem;

namespace {

// A failure with its message for standard error; exit status 1 (2 for usage).
struct SfxError : std::runtime_error {
    SfxError(const std::string& m, int code = 1) : std::runtime_error(m), status(code) {}
    int status;
};

// A build value of the version information and its fixed width.
struct BuildValue {
    const char* key;
    const char* option;
    size_t width;
    bool given = false;
    std::string text;
};

struct SfxOptions {
    std::string stub, out, welcome, product, prefix, method = "LH5", key;
    BuildValue values[3] = {{"Gateway", "--gateway", 30, false, {}},
                            {"ProductLevel", "--product-level", 5, false, {}},
                            {"EmailDomain", "--email-domain", 40, false, {}}};
    bool versionGiven = false;
    uint16_t version[4] = {};
    int codePage = 1252;  // the installer's ANSI code page, for the stored paths
};

void ParseVersion(const std::string& text, uint16_t out[4]) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '.') parts.emplace_back();
        else parts.back().push_back(c);
    }
    bool good = parts.size() == 4;
    for (const auto& p : parts)
        good = good && !p.empty() && p.size() <= 5 &&
               p.find_first_not_of("0123456789") == std::string::npos && std::stoul(p) <= 65535;
    if (!good)
        throw SfxError("--version wants four numbers 0..65535 as A.B.C.D, not '" + text + "'", 2);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint16_t>(std::stoul(parts[i]));
}

SfxOptions ParseSfxOptions(const Args& args) {
    SfxOptions o;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw SfxError("option " + a + " needs a value", 2);
            return args[++i];
        };
        bool matched = false;
        for (auto& v : o.values)
            if (a == v.option) {
                v.text = value();
                v.given = true;
                matched = true;
            }
        if (matched) continue;
        if (a == "--welcome") o.welcome = value();
        else if (a == "--product") o.product = value();
        else if (a == "--prefix") o.prefix = value();
        else if (a == "-m") o.method = value();
        else if (a == "-k") {
            o.key = value();
            try {
                size_t used = 0;
                const long long k = std::stoll(o.key, &used, 0);
                if (used != o.key.size() || k < INT32_MIN || k > 0xFFFFFFFFll) throw std::out_of_range("");
            } catch (const std::exception&) {
                throw SfxError("bad key '" + o.key + "' (a 32-bit number, decimal or 0x hex)", 2);
            }
        }
        else if (a == "--version") {
            ParseVersion(value(), o.version);
            o.versionGiven = true;
        } else if (a == "--codepage") {
            const std::string& n = value();
            if (n.empty() || n.size() > 5 || n.find_first_not_of("0123456789") != std::string::npos ||
                !IsKnownCodePage(std::stoi(n)))
                throw SfxError("--codepage " + n + ": not a code page quillox knows (known: " +
                                   KnownCodePages() + ")", 2);
            o.codePage = std::stoi(n);
        } else if (a.size() > 1 && a[0] == '-') throw SfxError("unknown option " + a + " for 'sfx'", 2);
        else positional.push_back(a);
    }
    if (positional.size() != 2) throw SfxError("sfx wants STUB and OUT", 2);
    if (o.welcome.empty()) throw SfxError("sfx wants --welcome FILE", 2);
    if (o.product.empty()) throw SfxError("sfx wants --product DIR", 2);
    if (o.method != "NON" && o.method != "RLE" && o.method != "LZH" && o.method != "LH5")
        throw SfxError("unknown method '" + o.method + "' (NON, RLE, LZH or LH5)", 2);
    o.stub = positional[0];
    o.out = positional[1];
    return o;
}

// Temporary files beside OUT, removed when packing ends however it ends.
class TempFiles {
public:
    explicit TempFiles(const fs::path& out) : base_(out) {}
    ~TempFiles() {
        std::error_code ec;
        for (const auto& p : made_) fs::remove(p, ec);
    }
    fs::path Make(const std::string& what) {
        fs::path p = base_;
        p += "." + std::to_string(::getpid()) + "." + what + ".tmp";
        std::error_code ec;
        fs::remove(p, ec);
        made_.push_back(p);
        return p;
    }

private:
    fs::path base_;
    std::vector<fs::path> made_;
};

// The stub as read: its image, its resources, and its parsed version information.
struct Stub {
    std::unique_ptr<pe::PeImage> image;
    std::vector<pe::Resource> resources;
    size_t version = 0;  // index of the version resource in `resources`
    pe::VersionNode info;
};

// Reads STUB: a PE image whose version information names the three build values.
Stub ReadStub(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SfxError(path + ": cannot open the stub");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw SfxError(path + ": cannot read the stub");
    const auto notStub = [&](const std::string& why) {
        return SfxError(path + ": not a Tellivox installer stub (" + why + ")");
    };
    Stub stub;
    try {
        stub.image = std::make_unique<pe::PeImage>(std::move(bytes));
        stub.resources = stub.image->Resources();
    } catch (const pe::Error& e) {
        const std::string why = e.what();
        if (why.rfind("not a PE32", 0) == 0) throw SfxError(path + ": " + why);
        throw notStub(why);
    }
    const auto& res = stub.resources;
    stub.version = std::find_if(res.begin(), res.end(), [](const pe::Resource& r) {
        return r.type == pe::ResourceId::Number(16) && r.name == pe::ResourceId::Number(1);
    }) - res.begin();
    if (stub.version == res.size()) throw notStub("no version information");
    try {
        stub.info = pe::ParseVersionInfo(res[stub.version].bytes);
    } catch (const pe::Error& e) {
        throw notStub(e.what());
    }
    for (const char* key : {"Gateway", "ProductLevel", "EmailDomain"})
        if (!pe::FindVersionString(stub.info, "040904E4", key))
            throw notStub(std::string("its version information has no ") + key);
    return stub;
}

// Puts the build values given, blank-padded, and the version into the stub's version
// resource.
void SetVersionInfo(Stub& stub, const SfxOptions& o) {
    for (const auto& v : o.values) {
        if (!v.given) continue;
        if (v.text.size() > v.width)
            throw SfxError(std::string(v.option) + ": '" + v.text + "' is " +
                           std::to_string(v.text.size()) + " characters; " + v.key +
                           " holds at most " + std::to_string(v.width));
        if (std::any_of(v.text.begin(), v.text.end(), [](char c) { return c < 0x20 || c > 0x7E; }))
            throw SfxError(std::string(v.option) + ": only printable ASCII characters fit");
        pe::SetVersionText(*pe::FindVersionString(stub.info, "040904E4", v.key),
                           v.text + std::string(v.width - v.text.size(), ' '));
    }
    if (o.versionGiven) {
        std::string text;
        for (int i = 0; i < 4; ++i) text += (i ? "." : "") + std::to_string(o.version[i]);
        try {
            pe::SetFixedVersion(stub.info, o.version);
        } catch (const pe::Error& e) {
            throw SfxError(o.stub + ": not a Tellivox installer stub (" + e.what() + ")");
        }
        for (const char* key : {"FileVersion", "ProductVersion"})
            if (pe::VersionNode* s = pe::FindVersionString(stub.info, "040904E4", key))
                pe::SetVersionText(*s, text);
    }
    pe::Resource& r = stub.resources[stub.version];
    r.bytes = pe::SerializeVersionInfo(stub.info);
    r.size = static_cast<uint32_t>(r.bytes.size());
}

// The two archives as `quillox a` makes them: the requests, and the files found.
struct Payload {
    AddRequest welcome, product;
    std::vector<FileToAdd> welcomeFiles, productFiles;
    int64_t files = 0;
    int64_t bytes = 0;
};

// Adds to `problems` every file of the release that the installer would not put in
// place as it is: files that install under the same name (the installer puts every
// file directly into one folder, so the later one would replace the earlier),
// names Windows cannot give a file, and a release without setup.exe at its top.
void CheckRelease(const AddRequest& request, const std::vector<FileToAdd>& files,
                  std::vector<std::string>& problems) {
    std::map<std::string, std::string> installedAs;  // flat name, case folded -> file
    bool setup = false;
    for (const auto& f : files) {
        const std::string file = FileOf(request, f);
        const std::string flat = f.relative.substr(f.relative.find_last_of('\\') + 1);
        if (f.relative.find('\\') == std::string::npos && CaseFolded(flat) == "SETUP.EXE")
            setup = true;
        if (flat.find_first_of("<>\"|?*") != std::string::npos)
            problems.push_back(file + ": Windows cannot give a file this name (< > \" | ? *)");
        else if (flat.back() == '.' || flat.back() == ' ')
            problems.push_back(file + ": Windows drops the dot or blank at the end of this name");
        const auto [first, fresh] = installedAs.emplace(CaseFolded(flat), file);
        if (!fresh)
            problems.push_back(file + ": installs as " + flat + " like " + first->second +
                               " (the installer puts every file directly into one folder; "
                               "letter case does not count)");
    }
    if (!setup)
        problems.push_back(request.dir + ": no setup.exe at the top of the release; the installer "
                                         "starts it");
}

// Checks the inputs and OUT before anything is packed; every problem with the release
// is reported, then the whole is refused.
Payload CheckInputs(const SfxOptions& o) {
    std::error_code ec;
    if (!fs::is_regular_file(o.welcome, ec)) throw SfxError(o.welcome + ": no such file (--welcome)");
    if (!fs::is_directory(o.product, ec)) throw SfxError(o.product + ": no such folder (--product)");
    const fs::path outDir = fs::path(o.out).parent_path();
    if (!outDir.empty() && !fs::is_directory(outDir, ec))
        throw SfxError(o.out + ": no such folder to write it in");
    if (fs::is_directory(o.out, ec)) throw SfxError(o.out + ": is a folder");
    if (fs::exists(o.out, ec) && fs::equivalent(o.stub, o.out, ec))
        throw SfxError(o.out + ": is the stub itself; the stub is never changed");
    // OUT inside DIR would pack its own temporary files, or last run's installer.
    const fs::path product = fs::weakly_canonical(o.product, ec);
    for (fs::path d = fs::weakly_canonical(fs::absolute(o.out, ec), ec).parent_path();
         !ec && !d.empty(); d = d.parent_path()) {
        if (d == product) throw SfxError(o.out + ": lies inside the product folder " + o.product);
        if (d == d.parent_path()) break;
    }

    Payload p;
    int32_t key = 0;
    if (!o.key.empty()) key = static_cast<int32_t>(static_cast<uint32_t>(std::stoll(o.key, nullptr, 0)));
    for (AddRequest* r : {&p.welcome, &p.product}) {
        r->method = o.method;
        r->key = key;
        r->codePage = o.codePage;
    }
    // The installer shows the file named welcome.rtf, whatever the file was called.
    const fs::path welcome(o.welcome);
    p.welcome.dir = welcome.parent_path().empty() ? "." : welcome.parent_path().string();
    p.welcome.storedPaths = {{"welcome.rtf", welcome.filename().string()}};
    p.product.dir = o.product;
    p.product.prefix = o.prefix;
    p.product.paths = {"."};

    std::vector<std::string> problems;
    try {
        p.productFiles = CollectFiles(p.product, problems);
        p.welcomeFiles = CollectFiles(p.welcome, problems);
    } catch (const AddUsageError& e) {
        throw SfxError(e.what(), 2);
    }
    if (p.productFiles.empty() && problems.empty())
        throw SfxError(o.product + ": the folder holds no files");
    CheckRelease(p.product, p.productFiles, problems);
    std::ifstream in(o.welcome, std::ios::binary);
    char head[5] = {};
    if (!in.read(head, 5) || std::string(head, 5) != "{\\rtf")
        problems.push_back(o.welcome + ": not rich text (it does not begin with {\\rtf); "
                                       "the installer would show its own text instead");
    for (const auto& problem : problems) std::fprintf(stderr, "quillox: %s\n", problem.c_str());
    if (!problems.empty())
        throw SfxError(o.out + ": not written; the release above cannot be installed as it is");

    for (const auto& f : p.productFiles) p.bytes += f.size;
    p.bytes += p.welcomeFiles[0].size;
    p.files = static_cast<int64_t>(p.productFiles.size()) + 1;
    if (!o.key.empty() && o.key != "0")
        std::fprintf(stderr, "quillox: note: the installer reads its archives with key 0; "
                             "-k %s needs a stub built for that key\n", o.key.c_str());
    return p;
}

// Makes the two archives with the code of `quillox a`.
void PackArchives(const Payload& p, const fs::path& welcomeArchive, const fs::path& productArchive) {
    for (const auto& [request, files, archive] :
         {std::tie(p.welcome, p.welcomeFiles, welcomeArchive),
          std::tie(p.product, p.productFiles, productArchive)}) {
        AddRequest r = request;
        r.archive = archive.string();
        try {
            WriteArchive(r, files, {});
        } catch (const EAddFailed& e) {
            throw SfxError(e.File() + ": " + e.Message());
        }
    }
}

// ---- The payload's check record -----------------------------------------------------
// Replaces any check record among the resources by the record of the archives packed
// (resource name, file), in the version's language: the installer refuses to run
// when its archives differ from it.
void PutCheckRecord(std::vector<pe::Resource>& resources,
                    const std::vector<std::pair<std::string, std::string>>& archives,
                    uint16_t language) {
    const auto type = pe::ResourceId::Name(payload::kCheckRecordType);
    const auto name = pe::ResourceId::Name(payload::kCheckRecordName);
    resources.erase(std::remove_if(resources.begin(), resources.end(),
                                   [&](const pe::Resource& r) { return r.type == type; }),
                    resources.end());
    pe::Resource r;
    r.type = type;
    r.name = name;
    r.language = language;
    try {
        r.bytes = CheckRecordOf(archives);
    } catch (const std::runtime_error& e) {
        throw SfxError(e.what());
    }
    r.size = static_cast<uint32_t>(r.bytes.size());
    resources.push_back(std::move(r));
}
// ---------------------------------------------------------------------------------------

int Sfx(const SfxOptions& o) {
    TStopRequestGuard stop;
    Stub stub = ReadStub(o.stub);
    SetVersionInfo(stub, o);
    const Payload payload = CheckInputs(o);

    TempFiles temp(o.out);
    const fs::path welcomeArchive = temp.Make("welcome"), productArchive = temp.Make("quorv");
    PackArchives(payload, welcomeArchive, productArchive);

    // The stub's resources with the payload replaced, in the version's language.
    const uint16_t language = stub.resources[stub.version].language;
    auto& res = stub.resources;
    res.erase(std::remove_if(res.begin(), res.end(),
                             [](const pe::Resource& r) {
                                 return r.type == pe::ResourceId::Name("TQUILLOX") &&
                                        (r.name == pe::ResourceId::Name("WELCOME") ||
                                         r.name == pe::ResourceId::Name("QUORV"));
                             }),
              res.end());
    std::error_code ec;
    for (const auto& [name, file] : {std::make_pair("WELCOME", welcomeArchive),
                                     std::make_pair("QUORV", productArchive)}) {
        const uintmax_t size = fs::file_size(file, ec);
        if (ec || size > INT32_MAX)
            throw SfxError(o.out + ": the " + name + " archive would exceed 2 GB");
        pe::Resource r;
        r.type = pe::ResourceId::Name("TQUILLOX");
        r.name = pe::ResourceId::Name(name);
        r.language = language;
        r.file = file.string();
        r.size = static_cast<uint32_t>(size);
        res.push_back(std::move(r));
    }
    PutCheckRecord(res, {{"WELCOME", welcomeArchive.string()}, {"QUORV", productArchive.string()}},
                   language);

    const fs::path part = temp.Make("exe");
    try {
        stub.image->Write(part.string(), std::move(res));
    } catch (const pe::Error& e) {
        throw SfxError(o.out + ": " + e.what());
    }
    fs::permissions(part, fs::status(o.stub, ec).permissions(), ec);  // runnable as STUB is
    TStopRequestGuard::ThrowIfRequested();
    fs::rename(part, o.out, ec);
    if (ec) throw SfxError(o.out + ": cannot write (" + ec.message() + ")");
    std::printf("%s: %lld bytes; %lld files, %lld bytes packed\n", o.out.c_str(),
                static_cast<long long>(fs::file_size(o.out, ec)),
                static_cast<long long>(payload.files),
                static_cast<long long>(payload.bytes));
    return 0;
}

}  // namespace

int RunSfxCommand(const Args& args) {
    try {
        return Sfx(ParseSfxOptions(args));
    } catch (const SfxError& e) {
        std::fprintf(stderr, "quillox: %s\n", e.what());
        if (e.status == 2) PrintUsage();
        return e.status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillox: sfx: %s\n", e.what());
        return 1;
    }
}

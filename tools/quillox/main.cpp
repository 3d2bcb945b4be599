// quillox: makes, lists, tests and extracts archives, packs releases into installer
// stubs, and runs the codec on its own.
#include <cstdio>
#include <exception>

#include "tools/quillox/Commands.h"

void PrintUsage() {
    std::fputs(
        "usage: quillox a ARCHIVE [-m NON|RLE|LZH|LH5] [-k KEY] [-C DIR] [--prefix P]\n"
        "                 [--stored-path NAME=FILE]... PATH...\n"
        "       quillox l ARCHIVE [--json] [--library LIB]\n"
        "       quillox t ARCHIVE [-k KEY] [--library LIB]\n"
        "       quillox x ARCHIVE [-C DIR] [-k KEY] [--absolute-paths] [--check-space]\n"
        "                 [--library LIB] [PATH...]\n"
        "       quillox sfx STUB OUT --welcome FILE --product DIR [--prefix P] [-m METHOD]\n"
        "                 [-k KEY] [--gateway T] [--product-level T] [--email-domain T]\n"
        "                 [--version A.B.C.D]\n"
        "       quillox check-record OUT NAME=ARCHIVE...\n"
        "       quillox raw compress --method NON|RLE|LZH|LH5 [--key K]\n"
        "       quillox raw expand --method NON|RLE|LZH|LH5 --size N [--key K] [--descramble]\n"
        "\n"
        "a  adds files (folders recursively) to ARCHIVE, creating it with method -m\n"
        "   (default LH5). Stored paths are relative to -C DIR with '\\' separators;\n"
        "   --prefix P is put in front of each (e.g. --prefix '\\\\srv\\share\\' stores\n"
        "   network paths); --stored-path NAME=FILE stores FILE under exactly NAME.\n"
        "   Empty files are written first so that every reader reaches them.\n"
        "l  lists the entries and their totals; --json for scripts.\n"
        "t  decodes and verifies every entry without writing files.\n"
        "x  extracts all or the named entries below -C DIR, restoring dates and\n"
        "   attributes. Stored paths that are absolute, carry a drive letter or '..'\n"
        "   are reported and skipped unless --absolute-paths is given.\n"
        "   --check-space checks free disk space before each file.\n"
        "sfx  writes OUT: the installer stub STUB carrying FILE as its welcome archive\n"
        "   and DIR's files (as 'a -C DIR --prefix P' stores them) as its product\n"
        "   archive, with the build values (blank-padded to 30, 5 and 40 characters)\n"
        "   and the version set, and the check record of both archives that the\n"
        "   installer verifies before it writes anything; STUB itself is never changed.\n"
        "check-record  writes to OUT the check record of archives linked into an\n"
        "   installer by other means, each ARCHIVE under its resource NAME.\n"
        "-k KEY  the key of locked entries (decimal or 0x hex); --library LIB reads\n"
        "   ARCHIVE as a resource name in the library LIB instead of a file.\n"
        "Exit status: 0 success, 1 failure (message on standard error), 2 wrong usage.\n",
        stderr);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage();
        return 2;
    }
    const std::string command = argv[1];
    const Args args(argv + 2, argv + argc);
    try {
        if (command == "raw") return RunRawCommand(args);
        if (command == "sfx") return RunSfxCommand(args);
        if (command == "check-record") return RunCheckRecordCommand(args);
        if (command == "a" || command == "l" || command == "t" || command == "x")
            return RunArchiveCommand(command, args);
        if (command == "-h" || command == "--help") {
            PrintUsage();
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillox: %s\n", e.what());
        return 1;
    }
    PrintUsage();
    return 2;
}

// quillox: makes, lists, tests and extracts archives, and runs the codec on its own.
#include <cstdio>
#include <exception>

#include "tools/quillox/Commands.h"

void PrintUsage() {
    std::fputs(
        "usage: quillox a ARCHIVE [-m NON|RLE|LZH|LH5] [-k KEY] [-C DIR] PATH...\n"
        "       quillox l ARCHIVE [--json]\n"
        "       quillox t ARCHIVE [-k KEY]\n"
        "       quillox x ARCHIVE [-C DIR] [-k KEY] [--absolute-paths] [PATH...]\n"
        "       quillox raw compress --method NON|RLE|LZH|LH5 [--key K]\n"
        "       quillox raw expand --method NON|RLE|LZH|LH5 --size N [--key K] [--descramble]\n",
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

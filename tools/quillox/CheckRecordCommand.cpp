// quillox check-record OUT NAME=ARCHIVE...: writes the check record of an installer's
// payload (archive/PayloadCheck.h) for archives linked into an installer by other means
// than `quillox sfx`, which writes its own. The build's test installers get theirs so.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "archive/PayloadCheck.h"
#include "tools/quillox/Commands.h"

namespace fs = std::filesystem;

std::vector<uint8_t> CheckRecordOf(const std::vector<std::pair<std::string, std::string>>& archives) {
    std::vector<payload::TCheckEntry> entries;
    std::vector<uint8_t> buffer(1 << 20);
    for (const auto& [name, file] : archives) {
        std::ifstream in(file, std::ios::binary);
        if (!in) throw std::runtime_error(file + ": cannot open");
        payload::TCheckEntry e;
        e.Name = name;
        uint64_t size = 0;
        while (in) {
            in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
            const auto got = static_cast<size_t>(in.gcount());
            e.Crc = payload::Crc32(buffer.data(), got, e.Crc);
            size += got;
        }
        if (in.bad()) throw std::runtime_error(file + ": cannot read");
        if (size > INT32_MAX)
            throw std::runtime_error(file + ": too large; an archive holds at most 2 GB (2147483647 bytes)");
        e.Size = static_cast<uint32_t>(size);
        entries.push_back(std::move(e));
    }
    return payload::EncodeCheckRecord(entries);
}

int RunCheckRecordCommand(const Args& args) {
    if (args.size() < 2) {
        std::fputs("quillox: check-record wants OUT and NAME=ARCHIVE...\n", stderr);
        PrintUsage();
        return 2;
    }
    std::vector<std::pair<std::string, std::string>> archives;
    for (size_t i = 1; i < args.size(); ++i) {
        const auto eq = args[i].find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == args[i].size()) {
            std::fprintf(stderr, "quillox: check-record: '%s' is not NAME=ARCHIVE\n", args[i].c_str());
            return 2;
        }
        archives.emplace_back(args[i].substr(0, eq), args[i].substr(eq + 1));
    }
    const std::string& out = args[0];
    try {
        const std::vector<uint8_t> record = CheckRecordOf(archives);
        const std::string part = out + ".part";
        {
            std::ofstream o(part, std::ios::binary | std::ios::trunc);
            o.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
            o.close();
            if (!o) {
                std::error_code ec;
                fs::remove(part, ec);
                throw std::runtime_error(out + ": cannot write");
            }
        }
        std::error_code ec;
        fs::rename(part, out, ec);
        if (ec) {
            fs::remove(part, ec);
            throw std::runtime_error(out + ": cannot write (" + ec.message() + ")");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillox: %s\n", e.what());
        return 1;
    }
    return 0;
}

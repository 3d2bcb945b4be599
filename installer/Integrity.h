// Whether the installer's payload can be trusted, and how a damaged one is reported.
// Before anything is written, the archives are compared with the check record that
// `quillox sfx` packed beside them (archive/PayloadCheck.h) and their entry headers are
// walked; during an expansion, the component's errors that can only come from damaged
// archive bytes are told apart from disk errors here, in one place.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "runtime/Exception.h"

class TQuillox;
class TStream;

namespace install {

// The installer cannot be used: its message says what failed (the archive, or the
// entry's stored path and the component's message).
class EInstallerDamaged : public Exception {
public:
    using Exception::Exception;
};

// "The installer is damaged and cannot be used. Please download it again." CR CR detail.
std::string DamagedText(const std::string& detail);

// What failed, for EInstallerDamaged: "<entry path>: <message>", or the message alone
// when no entry is known.
std::string DamageDetail(const std::string& entryPath, const std::string& message);

// How the install sequence takes an error raised while an archive is expanded.
enum class TExpansionError {
    Damage,     // the archive's bytes are wrong: reported as damage, never retried
    DiskError,  // anything else (a file that cannot be created or written): retry prompt
};

// Damage: a bad checksum (when no abort was confirmed; the caller tests that first), a
// bad decode table, a wrong key, an unreadable archive header, an unknown method or
// archive type, and a read error of the archive stream. Everything else is a disk error.
TExpansionError ClassifyExpansionError(const std::exception& e);

// Finds a resource of the running program: true with its bytes, false when missing.
using TResourceFinder = std::function<bool(const std::string& type, const std::string& name,
                                           const uint8_t*& data, int64_t& size)>;

// The archives the installer carries, in the order it uses them.
extern const char* const kPayloadArchives[2];  // "WELCOME", "QUORV"

// Compares every archive named in the check record with the record, and makes sure
// the record names both archives of kPayloadArchives. keepGoing is called after each
// megabyte read; when it answers false the check stops and answers false (a cancel).
// True when everything matches. Raises EInstallerDamaged naming what failed: a missing
// or unreadable record ("Its check record is missing" / "... is damaged"), an archive
// missing from the record or from the program ("Resource QUORV not found"), a size or
// CRC-32 that differs ("The archive QUORV ...").
bool CheckPayload(const TResourceFinder& find, const std::function<bool()>& keepGoing);

// Walks the entry headers of the archive that fills source (from position 0) as an
// expansion that skips no entry would: raises EInstallerDamaged ("<name>: <message>")
// for an archive header the component refuses, and ("<name>: cannot read the entry
// after <path>") when the headers end before the archive's TotalSize is reached, so
// that an expansion would stop early without an error. Leaves source at its end.
void CheckArchiveComplete(TQuillox& component, TStream& source, const std::string& name);

}  // namespace install

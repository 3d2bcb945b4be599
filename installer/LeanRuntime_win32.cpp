// Runtime parts the installer does without. Linked into every installer executable
// (Tellivox.cmake), ahead of the C++ runtime library, whose own definitions of these
// functions then stay out of the program together with everything they pull in.
//
// - The standard terminate handler prints the type of an exception nobody caught,
//   demangled, to standard error: 46 KB of demangler for a message that a windowed
//   program shows nobody. An uncaught exception still ends the program at once
//   (abort), as before.
// - The library throws its logic and range errors through these functions. Its own
//   versions build std::length_error and its kin, whose message strings are the
//   library's older string type: that drags in a second implementation of strings and
//   a formatted-output engine, about 70 KB. Ours throw the same kinds where no text is
//   involved, and for the others an exception of ours carrying the library's message:
//   every handler in the installer catches std::exception and reports what(), and
//   none of these is thrown unless memory runs out or a container is misused.
// - The installer only expands. The LH5 and LZH compressors, which the codec would run
//   only for the archive's writing side, are replaced at link time (cmake/
//   SizeOptimized.cmake, --wrap) by stand-ins that answer as a compressor out of room
//   does: the caller would store the entry instead.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

#include "codec/Codec.h"

namespace {

class ELibraryError : public std::exception {
public:
    explicit ELibraryError(const char* message) : message_(message) {}
    const char* what() const noexcept override { return message_; }

private:
    const char* message_;
};

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* what) { throw ELibraryError(what); }
void __throw_domain_error(const char* what) { throw ELibraryError(what); }
void __throw_invalid_argument(const char* what) { throw ELibraryError(what); }
void __throw_length_error(const char* what) { throw ELibraryError(what); }
void __throw_out_of_range(const char* what) { throw ELibraryError(what); }
// The message is the library's format, its values left out.
void __throw_out_of_range_fmt(const char* format, ...) { throw ELibraryError(format); }
void __throw_runtime_error(const char* what) { throw ELibraryError(what); }
void __throw_range_error(const char* what) { throw ELibraryError(what); }
void __throw_overflow_error(const char* what) { throw ELibraryError(what); }
void __throw_underflow_error(const char* what) { throw ELibraryError(what); }
}  // namespace std

extern "C" void __wrap__Z11CompressLH5R17TCompThreadSafety(TCompThreadSafety&) {
    throw EUnableToCompress();
}
extern "C" void __wrap__Z11CompressLZHR17TCompThreadSafety(TCompThreadSafety&) {
    throw EUnableToCompress();
}

// Profile (INI) files, after GetPrivateProfileStringA and WritePrivateProfileStringA.
//
// File format, read: lines end at CR, LF or CR LF and are trimmed of blanks; "[name]" opens a
// section (name trimmed, up to the last ']'); ';' starts a comment only at the start of a
// line; otherwise the first '=' splits key and value, both trimmed; other lines are kept but
// are not keys. Section and key names compare without case; the first matching section, and
// the first matching key in it, win. A UTF-8 byte-order mark is skipped (and kept by writes).
//
// Writes change only the lines they are about; every other byte, line ends included, stays.
// A write that would corrupt the file (a line break in a name or value) or whose key would
// read back as another line is refused by every backend.
//
// The Windows backend passes reads and writes to the system's profile functions, which the
// family's other programs use on the same files. The POSIX backend emulates them and adds:
//  - every write replaces the file atomically under a lock file "<file>.lock" (removed again
//    afterwards), so concurrent writers of the platform layer lose nothing and a writer that
//    dies leaves the old or the new file;
//  - file names are passed to the system unchanged (no code-page conversion; relative names
//    are relative to the current folder);
//  - reads go through a cache that sees every change of the file, also one made by another
//    process within the same second, and every change of the folders and links on its path
//    (a folder replaced, a link re-pointed).
#pragma once

#include <cstdint>

namespace platform {

// Reads `key` of `section` in the INI file `file` into `buffer` of `size` bytes and returns
// the number of characters written before the terminating NUL.
//  - Found: the value; a value wrapped in matching double or single quotes loses them.
//  - Missing file, section or key: `default_value` (null: empty) without trailing blanks.
//  - The text is cut to size - 1 characters and always NUL-terminated; size 0 (or a null
//    buffer) writes nothing and returns 0.
//  - Null `key`: the key names of the section; null `section`: the section names. Each name
//    is followed by a NUL and the list by one more; a list that does not fit is cut, still
//    ends with two NULs, and size - 2 is returned.
std::uint32_t ReadProfileEntry(const char* section, const char* key, const char* default_value,
                               char* buffer, std::uint32_t size, const char* file);

// What a read found of its file, for callers that guard the file with a backup.
struct ProfileFileState {
  bool exists = false;            // something of the file's name exists
  bool readable = false;          // and it is a file that could be read
  bool companion_exists = false;  // the companion file exists
};

// ReadProfileEntry that also reports the file's state and whether `companion` (a file in
// the same folder, such as its backup) exists. On POSIX, while nothing in the folder changes,
// all of it costs one look at the file system.
std::uint32_t ReadProfileEntry(const char* section, const char* key, const char* default_value,
                               char* buffer, std::uint32_t size, const char* file, const char* companion,
                               ProfileFileState& state);

// Writes `value` as `key` of `section` in the INI file `file`, creating the file (with CR LF
// line ends) or the section when needed: an existing key's value is replaced in its line, a
// new key goes at the end of its section, a new section at the end of the file.
//  - Null `value`: deletes the key. Null `key`: deletes the section with all its keys.
//    Deleting what does not exist succeeds without touching the file.
//  - All three null: flushes (there is no write-back cache, so nothing to do): true.
// Fails (false, file unchanged) for a null `file` or `section` (with a key), a CR or LF in
// the section, key or value, a key containing '=' or starting with ';' or '[' (it would read
// back as something else), and when the file cannot be read, written (or, on POSIX, locked).
// The POSIX backend also refuses a UTF-16 file: it does not read those, so their entries
// read as missing there.
[[nodiscard]] bool WriteProfileEntry(const char* section, const char* key, const char* value, const char* file);

}  // namespace platform

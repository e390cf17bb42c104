// The result codes of the settings store (YlIRegistry, YlRegistry): 0 for success, a negative
// code otherwise. The values are part of the family's interface: modules built against any
// version of the store compare them, so a value never changes. GetErrorText gives each code's
// German text; -14, -15 and unknown codes share the "no valid code" text.
//
//   if (store.GetKeyValue(HKEY_LOCAL_MACHINE, "IniFilePath", folder) == ylresult::kSuccess) ...
#pragma once

namespace ylresult {

inline constexpr int kSuccess = 0;                 // the operation did what it was asked
inline constexpr int kEntryBufferTooSmall = -1;    // a registry text did not fit the caller's buffer
inline constexpr int kEntryNotReadable = -2;       // reading a registry entry failed
inline constexpr int kKeyMissing = -3;             // the entry's registry key does not exist
inline constexpr int kEntryNotWritable = -4;       // writing a registry entry failed
inline constexpr int kKeyNotCreated = -5;          // creating the entry's registry key failed
inline constexpr int kBadArgument = -6;            // a required argument is null or empty
inline constexpr int kIniNotWritable = -7;         // writing the INI file failed
inline constexpr int kIniEntryMissing = -8;        // an INI (or information file) entry is missing or empty
inline constexpr int kPathBufferTooSmall = -9;     // a path does not fit the caller's buffer
inline constexpr int kNotInitialised = -10;        // the store was never (successfully) initialised
inline constexpr int kConversionFailed = -11;      // a stored text is not of the requested type
inline constexpr int kDefaultTooLong = -12;        // a default text did not fit the buffer (it was cut)
inline constexpr int kExistingEntryKept = -13;     // a warning: the entry existed and was kept
inline constexpr int kIniAndBackupMissing = -14;   // the INI file is missing and has no backup to restore
inline constexpr int kIniNotReadable = -15;        // the INI file is there but cannot be read

}  // namespace ylresult

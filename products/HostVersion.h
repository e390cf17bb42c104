// The host version reader: one process-wide state holding the file version of a host's
// "YlVer.dll" and the version texts derived from it, with free operations to read and
// compare. Every read replaces the state; texts handed out stay valid until the next read.
//
//   ReadHostVersion("/hosts/prism/");                 // reads /hosts/prism/YlVer.dll
//   if (CompareHostVersion("3.20.4.0") < 0) ...       // older than 3.20.4.0, or not found
//
// Not thread-safe: the program reads and compares on its user-interface thread only.
#pragma once

// The text every version text holds when no "YlVer.dll" was found.
inline constexpr const char* kNoHostVersionFile = "No YlVer.dll found";

// Reads the file version of `folder` + "YlVer.dll" (plain concatenation: a folder must end
// with the separator), or of the bare "YlVer.dll" (the program's folder, then the current
// one) when `folder` is null or empty. Without such a file, the base product's location
// from its settings ("YlAtrium") is tried; without that either, every text becomes
// kNoHostVersionFile.
void ReadHostVersion(const char* folder);

// The texts of the last read (null before the first): the file version with ',' turned into
// '.', and the version forms of the base product (productkind::kBasePhoto, kPrismLite,
// kPrismPlus, kPrismPlusCompact), the Max product (kPrismMax) and the Loom product (kWeb).
const char* GetHostFileVersion();
const char* GetBaseVersionText();
const char* GetMaxVersionText();
const char* GetLoomVersionText();

// Compares two dotted versions of four numbers, -1, 0 or 1; a missing or unreadable field
// counts as -1 ("3.20" < "3.20.0.0"), an absent text as older than any present one.
int CompareVersions(const char* a, const char* b);

// The host's file version compared with `version`: 1 for an absent version, -1 before any
// read, else CompareVersions(file version, version).
int CompareHostVersion(const char* version);

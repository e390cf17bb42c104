// QxString: the reference-counted 8-bit string of the foundation library.
//
// A QxString is one pointer to the characters of a QxStringData block. Copies share the
// block (an atomic increment, never a text copy) and a string about to change first takes a
// private copy. Text is zero-terminated ANSI (Windows-1252 on POSIX); positions are byte
// offsets, searches answer -1 when nothing is found. Blocks are sized exactly: reserve room
// with GetBuffer + ReleaseBuffer before building long texts.
//
//   QxString a("Hello");
//   QxString b = a;          // shares a's block
//   b += ", world";          // b gets its own block; a is unchanged
//   b.Replace("world", "you");
//   printf("%s %d\n", static_cast<const char*>(b), b.Find(','));  // "Hello, you 5"
//
// Failures: allocation failure raises std::bad_alloc (also for a text that would exceed
// INT_MAX characters); FormatMessageA raises std::runtime_error. Nothing else reports
// errors: positions and counts are clamped, null texts count as empty.
//
// Threads: only the reference count is synchronized. Different QxString objects sharing a
// block may be used on different threads; one QxString object must not be.
//
// Exported from libqx: every member, the free operators and QxGetEmptyString. Copying,
// destroying, reading the text and its length, and appending to a block with room are also
// inlined into callers built with GCC or Clang (QxStringInline.h).
#pragma once

#include <cstdarg>
#include <string>

#include "foundation/QxExport.h"
#include "foundation/QxStringData.h"

class QX_EXPORT QxString {
 public:
  // --- Construction, destruction, assignment --------------------------------------------

  // The empty string, on the shared empty block.
  QxString();
  // Shares the source's block; a locked or empty source is copied instead.
  QxString(const QxString& source);
  // Copies `text` up to its zero; null or "" gives the empty string.
  QxString(const char* text);
  QxString(const unsigned char* text);
  // Copies exactly `length` bytes, zero bytes included; length <= 0 or null `chars` gives
  // the empty string.
  QxString(const char* chars, int length);
  // `repeat` copies of `ch`; repeat < 1 gives the empty string.
  QxString(char ch, int repeat);
  // From the framework's 8-bit string class (std::string): the text up to its first zero.
  QxString(const std::string& text);
  // Releases the block. Not virtual.
  ~QxString();

  // Shares the source's block, or copies the text when either side is locked.
  const QxString& operator=(const QxString& source);
  // Copies the text up to its zero (null counts as empty). A private buffer large enough is
  // reused; a shared one is left to its other holders. `text` may point into this string.
  const QxString& operator=(const char* text);
  const QxString& operator=(const unsigned char* text);
  // The one character `ch`; '\0' gives length 1 with a text that reads as empty.
  const QxString& operator=(char ch);
  const QxString& operator=(const std::string& text);

  // --- Access ----------------------------------------------------------------------------

  [[nodiscard]] int GetLength() const;       // characters of the text
  [[nodiscard]] int GetAllocLength() const;  // characters the block can hold
  [[nodiscard]] bool IsEmpty() const;        // whether the text has no characters
  // The byte at `index`, which must lie in 0 .. GetLength() (no bounds test).
  [[nodiscard]] char GetAt(int index) const;
  [[nodiscard]] char operator[](int index) const;
  // Stores `ch` at `index` after making the buffer private; an index outside
  // 0 .. GetLength() - 1 changes nothing.
  void SetAt(int index, char ch);
  // The characters; valid until the string is next changed or destroyed. Never null.
  operator const char*() const;
  // The text as 16-bit units (ANSI code page to UTF-16) with a 16-bit zero, stored in this
  // string's own buffer behind the text. Valid until the string is next changed or
  // destroyed. Text and length are unchanged; conversion stops at the first zero byte.
  operator const unsigned short*();
  // Makes the string empty: a locked buffer is kept at length 0, any other block released.
  void Empty();

  // --- Comparison (none changes the string; a null text counts as empty) -----------------

  // Byte-wise, as unsigned characters: exactly -1, 0 or 1.
  [[nodiscard]] int Compare(const char* text) const;
  // Case-insensitive by the runtime's current locale: negative, 0 or positive.
  [[nodiscard]] int CompareNoCase(const char* text) const;
  // strcoll order of the current locale, with and without regard to case.
  [[nodiscard]] int Collate(const char* text) const;
  [[nodiscard]] int CollateNoCase(const char* text) const;

  // --- Search (-1: not found; a negative start counts as 0; a null needle finds nothing) --

  // The first position of `ch`.
  [[nodiscard]] int Find(char ch) const;
  // -1 at once when start >= GetLength().
  [[nodiscard]] int Find(char ch, int start) const;
  [[nodiscard]] int Find(const char* text) const;
  // -1 at once when start > GetLength(); the empty needle is found at `start`.
  [[nodiscard]] int Find(const char* text, int start) const;
  [[nodiscard]] int ReverseFind(char ch) const;
  [[nodiscard]] int FindOneOf(const char* set) const;

  // --- Extraction (new strings that never share this string's block) ---------------------

  // Negative values count as 0; the range is clipped to the text.
  [[nodiscard]] QxString Mid(int first, int count) const;
  [[nodiscard]] QxString Mid(int first) const;
  // The first / last `count` characters, count clamped to 0 .. GetLength().
  [[nodiscard]] QxString Left(int count) const;
  [[nodiscard]] QxString Right(int count) const;
  // The leading run of characters in / not in `set` (null counts as the empty set).
  [[nodiscard]] QxString SpanIncluding(const char* set) const;
  [[nodiscard]] QxString SpanExcluding(const char* set) const;

  // --- Modification (each first makes the buffer private unless said otherwise) ----------

  // Case changes and reversal up to the first zero, by the runtime's current locale.
  void MakeUpper();
  void MakeLower();
  void MakeReverse();
  // In-place conversion between the ANSI and the OEM code page (1252 and 850 on POSIX).
  void CharToOemA();
  void OemToCharA();
  // Remove leading / trailing white space (isspace), a run of `ch`, or characters of `set`.
  // TrimLeft with a null or empty set and TrimRight with a null set change nothing.
  void TrimLeft();
  void TrimRight();
  void TrimLeft(char ch);
  void TrimRight(char ch);
  void TrimLeft(const char* set);
  void TrimRight(const char* set);
  // Inserts at `index` (clamped to 0 .. GetLength()); returns the new length. A null or
  // empty text changes nothing and returns the length. `text` may point into this string.
  int Insert(int index, char ch);
  int Insert(int index, const char* text);
  // Removes `count` characters at `index` (clipped to the text); returns the length the
  // string had BEFORE the call.
  int Delete(int index, int count);
  // Replaces every occurrence over all GetLength() bytes; returns the number replaced
  // (0 without any change when the two are equal).
  int Replace(char oldCh, char newCh);
  // Replaces every non-overlapping occurrence of `oldText` (left to right) by `newText`
  // (null: empty); returns the number replaced. Null or empty `oldText` returns 0. The
  // texts may point into this string. ReplaceNoCase finds occurrences without regard to case.
  int Replace(const char* oldText, const char* newText);
  int ReplaceNoCase(const char* oldText, const char* newText);
  // Removes every `ch` over all GetLength() bytes; returns the number removed.
  int Remove(char ch);

  // --- Direct buffer access --------------------------------------------------------------

  // A private buffer of at least `minLength` characters (never shrinks); the caller may
  // write up to minLength characters and a zero, then must call ReleaseBuffer.
  char* GetBuffer(int minLength);
  // Ends a direct write: the length becomes `newLength` (-1: up to the first zero within the
  // capacity), clamped to the capacity, and a zero is written there.
  void ReleaseBuffer(int newLength);
  // GetBuffer(length), then the length becomes `length`.
  char* GetBufferSetLength(int length);
  // Moves the text into a block of exactly its length (unsharing a shared block).
  void FreeExtra();
  // Makes the buffer private and locks it: copies of a locked string copy the text. The
  // empty string stays on the shared empty block, whose text must not be written.
  char* LockBuffer();
  // Unlocks a locked buffer; changes nothing on other strings.
  void UnlockBuffer();

  // --- Formatting ------------------------------------------------------------------------

  // printf-style formatting by the runtime library. The capacity is reserved from one scan
  // of the format; output the scan underestimates is still produced whole. A null format
  // counts as empty; an output the runtime cannot produce (encoding error) leaves the string
  // empty. The format and text arguments may point into this string.
  [[gnu::format(printf, 2, 3)]] void Format(const char* format, ...);
  void FormatV(const char* format, va_list args);
  // FormatMessage-style formatting (platform/message_format.h): inserts %1..%99 with
  // optional !printf-format!. Raises std::runtime_error, leaving the string unchanged, when
  // the format is invalid or the result is empty.
  void FormatMessageA(const char* format, ...);

  // --- Concatenation ---------------------------------------------------------------------

  // Appends in place when the private buffer has room, otherwise moves to a block of exactly
  // the new length. Appending the string (or part of it) to itself is safe.
  const QxString& operator+=(const QxString& text);
  const QxString& operator+=(const char* text);
  const QxString& operator+=(char ch);

  // Concatenation: see the declarations with their export below the class.
  friend QxString operator+(const QxString& left, const QxString& right);
  friend QxString operator+(const QxString& left, const char* right);
  friend QxString operator+(const char* left, const QxString& right);
  friend QxString operator+(const QxString& left, char right);
  friend QxString operator+(char left, const QxString& right);

 protected:
  // The block header in front of the characters.
  [[nodiscard]] QxStringData* GetData() const;
  // Points at the shared empty block without releasing anything.
  void Init();
  // Length of `text`; 0 for null.
  [[nodiscard]] static int SafeStrlen(const char* text);

  // Points at a new block of capacity and length `length` (content unset, terminated),
  // without releasing the old one; length <= 0 gives the shared empty block.
  void AllocBuffer(int length);
  // Releases the block and points at the shared empty block.
  void Release();
  // Releases one reference to `data`, freeing it when it was the last (or locked).
  static void Release(QxStringData* data);
  // Gives a shared block's holder a private copy of exactly the text's length.
  void CopyBeforeWrite();
  // Ensures a private block of at least `length` characters, contents not kept when a new
  // block is needed.
  void AllocBeforeWrite(int length);
  // The text becomes `length` bytes from `text` (which may point into this string).
  void AssignCopy(int length, const char* text);
  // `dest` gets a new block of copyLength + extraLength holding copyLength characters from
  // copyIndex (the empty string when the sum is 0); dest's old block is released.
  void AllocCopy(QxString& dest, int copyLength, int copyIndex, int extraLength) const;
  // This string gets a new block holding both texts (unchanged when both are empty).
  void ConcatCopy(int length1, const char* text1, int length2, const char* text2);
  // Appends `length` bytes (see operator+=).
  void ConcatInPlace(int length, const char* text);

 private:
  char* m_pchData;  // never null; characters of this string's block
};

// New strings of exactly the combined length; a null text counts as empty. Declared again
// after the class's friend declarations so that the export attribute is on the last one
// (a DLL's import attribute cannot be added to a function that was declared without it).
QX_EXPORT QxString operator+(const QxString& left, const QxString& right);
QX_EXPORT QxString operator+(const QxString& left, const char* right);
QX_EXPORT QxString operator+(const char* left, const QxString& right);
QX_EXPORT QxString operator+(const QxString& left, char right);
QX_EXPORT QxString operator+(char left, const QxString& right);

// The static empty string; only ever read.
QX_EXPORT const QxString& QxGetEmptyString();

// Byte-wise order of QxString::Compare; a null text counts as empty.
QX_EXPORT bool operator==(const QxString& left, const QxString& right);
QX_EXPORT bool operator==(const QxString& left, const char* right);
QX_EXPORT bool operator==(const char* left, const QxString& right);
QX_EXPORT bool operator!=(const QxString& left, const QxString& right);
QX_EXPORT bool operator!=(const QxString& left, const char* right);
QX_EXPORT bool operator!=(const char* left, const QxString& right);
QX_EXPORT bool operator<(const QxString& left, const QxString& right);
QX_EXPORT bool operator<(const QxString& left, const char* right);
QX_EXPORT bool operator<(const char* left, const QxString& right);
QX_EXPORT bool operator>(const QxString& left, const QxString& right);
QX_EXPORT bool operator>(const QxString& left, const char* right);
QX_EXPORT bool operator>(const char* left, const QxString& right);
QX_EXPORT bool operator<=(const QxString& left, const QxString& right);
QX_EXPORT bool operator<=(const QxString& left, const char* right);
QX_EXPORT bool operator<=(const char* left, const QxString& right);
QX_EXPORT bool operator>=(const QxString& left, const QxString& right);
QX_EXPORT bool operator>=(const QxString& left, const char* right);
QX_EXPORT bool operator>=(const char* left, const QxString& right);

#include "foundation/QxStringInline.h"

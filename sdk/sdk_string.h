// Text and file paths. Storage comes from the host allocator; UTF-8 throughout.
#ifndef OMBREL_SDK_STRING_H
#define OMBREL_SDK_STRING_H

#include "sdk_types.h"

class String {
 public:
  String() = default;
  String(const char* text);  // NOLINT: implicit, as string literals are used everywhere
  String(const char* text, LONG length);
  String(const HostStr& text);  // NOLINT
  String(const String& other);
  String(String&& other) noexcept;
  ~String();
  String& operator=(const String& other);
  String& operator=(String&& other) noexcept;

  LONG GetLength() const { return length_; }
  Bool Content() const { return length_ > 0; }
  // Always NUL-terminated; "" when empty.
  const char* GetCStr() const { return data_ ? data_ : ""; }
  HostStr ToHost() const { return HostStr{GetCStr(), length_}; }

  String operator+(const String& other) const;
  String& operator+=(const String& other);
  bool operator==(const String& other) const;
  bool operator!=(const String& other) const { return !(*this == other); }

  // Insert text at a byte position (clamped to the string).
  void Insert(LONG pos, const String& text);

  // The host's number-to-text conversions. -1 digits: as many as needed.
  static String LongToString(LONG value);
  static String RealToString(Real value, LONG before = -1, LONG after = -1, Bool exponent = FALSE,
                             char fill = '0');

 private:
  bool Assign(const char* text, LONG length);
  char* data_ = nullptr;
  LONG length_ = 0;
};

// A file path. The host separator is '/' or '\\'; both are understood.
class Filename {
 public:
  Filename() = default;
  explicit Filename(const String& path) : path_(path) {}
  const String& GetString() const { return path_; }
  void SetString(const String& path) { path_ = path; }
  Bool Content() const { return path_.Content(); }
  Filename GetDirectory() const;  // everything before the last separator
  String GetFileString() const;   // everything after it
  Filename operator+(const String& name) const;  // joins with '/'

  // Shows the host's file dialog (sdk_dialogs.h) with this name proposed; on TRUE holds the
  // chosen name. forceSuffix (without the dot, may be empty) becomes the chosen name's suffix.
  Bool FileSelect(LONG type, LONG mode, const String& title, const String& forceSuffix = String());
  // The host's suffix comparison: whether the file name's suffix (after its last dot) is `suffix`.
  Bool CheckSuffix(const String& suffix) const;

 private:
  String path_;
};

// A walk over the entries of a folder, in the order the host gives them.
class BrowseFiles {
 public:
  static BrowseFiles* Alloc();
  static void Free(BrowseFiles*& browse);
  // Starts the walk; FALSE when the folder cannot be read.
  Bool Init(const Filename& folder, LONG flags);
  // Steps to the next entry; FALSE at the end.
  Bool GetNext();
  Filename GetFilename() const { return name_; }  // the entry's name, without the folder
  Bool IsDir() const { return isDir_; }

  BrowseFiles() = default;
  ~BrowseFiles();
  BrowseFiles(const BrowseFiles&) = delete;
  BrowseFiles& operator=(const BrowseFiles&) = delete;

 private:
  HostBrowseFiles* walk_ = nullptr;
  Filename name_;
  Bool isDir_ = FALSE;
};

#endif

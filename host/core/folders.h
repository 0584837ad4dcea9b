// Folders and file names as the host shows them to plug-ins: a folder's entries in a fixed
// order, and the host's suffix comparison.
#ifndef OMBREL_HOST_FOLDERS_H
#define OMBREL_HOST_FOLDERS_H

#include <string>
#include <vector>

struct FolderEntry {
  std::string name;  // UTF-8, without the folder
  bool isFolder = false;
};

// A walk over one folder's entries, handed to a module.
struct HostBrowseFiles {
  std::vector<FolderEntry> entries;
  size_t next = 0;
};

namespace ombrel::host {

// The entries of a folder (UTF-8 path), sorted by name in byte order so that every machine walks
// them alike; "." and ".." are not entries. False when the folder cannot be read, with the
// system's reason in `error` when given.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& out, std::string* error = nullptr);

// The host's suffix comparison: the suffix is the part of the file name (after the last '/' or
// '\') that follows its last dot; it matches `suffix` (a leading dot is ignored) when both are
// equal without regard to ASCII case. "photo.JPG" has the suffix "jpg", "archive.tar.gz" has
// "gz", and ".hidden" has "hidden"; "README" and "name." have none, and match nothing.
bool HasSuffix(const std::string& path, std::string suffix);

}  // namespace ombrel::host

#endif

// A device's option record kept in a file of its own: read whole, and
// replaced durably so that a crash never leaves half a record behind.
#ifndef SCANHOST_RECORDFILE_H
#define SCANHOST_RECORDFILE_H

#include <cstddef>
#include <string>
#include <vector>

namespace scanhost {

// No record is larger than this; a bigger file is not a record file.
constexpr std::size_t kMaxRecordFile = 64 * 1024;

enum class LoadResult { Ok, Missing, Failed };

// Reads the whole file into bytes.  Missing when it does not exist; Failed
// (with the reason in error) when it cannot be read, is not a regular file
// or is larger than kMaxRecordFile.
LoadResult LoadRecordFile(const std::string& path, std::vector<unsigned char>& bytes,
                          std::string& error);

// Replaces the file's contents with the n bytes: writes a temporary file in
// the same directory, syncs it, renames it over the file and syncs the
// directory.  An existing file keeps its permission bits; a new one gets
// 0666 less the umask.  A path through symbolic links replaces the file they
// lead to and leaves the links in place.  False with the reason in error on any failure; until
// the rename the old contents stay in place.  renamed tells whether the new
// contents replaced the old ones (a failure can come after that, when the
// directory cannot be synced).
bool StoreRecordFile(const std::string& path, const unsigned char* data, std::size_t n,
                     std::string& error, bool* renamed = nullptr);

// Creates the directory and its missing parents (mode 0700 for new ones).
bool MakeDirectories(const std::string& dir, std::string& error);

}  // namespace scanhost

#endif

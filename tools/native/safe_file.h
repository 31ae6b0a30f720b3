#pragma once

#include <string>
#include <utility>
#include <vector>

// Writing the distributors' tools' outputs so that a failed run never leaves a
// half-written file, or one file of a pair that no longer matches the other:
// every file is written in full beside its destination first, and only then
// moved over it.
namespace native {

// `contents` of each (path, contents) written to a temporary file in the
// path's folder (made when missing), then every one renamed onto its path.
// Nothing is replaced unless every temporary file was written and every
// destination is a file or absent; false, with `error` saying why, otherwise.
bool WriteFilesSafely(const std::vector<std::pair<std::string, std::string>>& files,
                      std::string* error);

// The one-file form of WriteFilesSafely.
bool WriteFileSafely(const std::string& path, const std::string& contents, std::string* error);

}  // namespace native

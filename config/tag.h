#pragma once

#include <string>

namespace config {

// Reads a whole file in one call; logs and returns false when it cannot.
bool ReadAllBytesFromFile(const std::wstring& path, std::string* bytes);

// The installer tag: the texts carried by the dummy certificates of the file's
// certificate table; empty when there is none or the file cannot be read.
std::string ExtractTagFromFakeCertificate(const std::wstring& path);

}  // namespace config

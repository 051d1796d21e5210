#pragma once

#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <string>

namespace tolva::testing {

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The log file's bytes as UTF-16 code units (little-endian on disk).
inline std::u16string ReadUtf16Le(const std::string& path) {
  const std::string bytes = ReadBytes(path);
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return units;
}

struct TempDir {
  QTemporaryDir dir;
  std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
};

}  // namespace tolva::testing

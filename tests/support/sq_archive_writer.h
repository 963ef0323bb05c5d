// Writes ".sq" installer archives for tests with zlib, including damaged and hostile members.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TSqMember {
  std::string name;
  std::string content;
};

// One well-formed member: name length, name, unpacked size, packed size, zlib stream.
std::string SqMember(const std::string& name, const std::string& content);
// A member with every header field given as it should appear on disk.
std::string SqRawMember(int32_t nameLength, const std::string& name, int32_t unpackedSize, int32_t packedSize,
                        const std::string& packed);
// The zlib stream of a text, as the installer expects it.
std::string SqCompress(const std::string& content);
// A whole archive of well-formed members.
std::string SqArchive(const std::vector<TSqMember>& members);

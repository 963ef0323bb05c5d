// The test writer of ".sq" archives.
#include "support/sq_archive_writer.h"

#include <zlib.h>

namespace {
std::string Int32(int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return bytes;
}
}  // namespace

std::string SqCompress(const std::string& content) {
  uLongf size = compressBound(static_cast<uLong>(content.size()));
  std::string packed(size, '\0');
  compress(reinterpret_cast<Bytef*>(&packed[0]), &size, reinterpret_cast<const Bytef*>(content.data()),
           static_cast<uLong>(content.size()));
  packed.resize(size);
  return packed;
}

std::string SqRawMember(int32_t nameLength, const std::string& name, int32_t unpackedSize, int32_t packedSize,
                        const std::string& packed) {
  return Int32(nameLength) + name + Int32(unpackedSize) + Int32(packedSize) + packed;
}

std::string SqMember(const std::string& name, const std::string& content) {
  std::string packed = SqCompress(content);
  return SqRawMember(static_cast<int32_t>(name.size()), name, static_cast<int32_t>(content.size()),
                     static_cast<int32_t>(packed.size()), packed);
}

std::string SqArchive(const std::vector<TSqMember>& members) {
  std::string archive;
  for (const TSqMember& member : members) archive += SqMember(member.name, member.content);
  return archive;
}

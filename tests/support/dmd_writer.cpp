// Writing model files for tests, tag by tag, in the reader's big-endian format.
#include "support/dmd_writer.h"

#include <cstdio>

std::string DmdInt16(int value) {
  std::string out;
  out += static_cast<char>((value >> 8) & 0xFF);
  out += static_cast<char>(value & 0xFF);
  return out;
}

std::string DmdString(const std::string& text) {
  return DmdInt16(static_cast<int>(text.size())) + text;
}

TDmdAttr DmdAttribute(const std::string& name, const std::string& type, const std::string& caption) {
  TDmdAttr a;
  a.name = name, a.type = type, a.caption = caption;
  return a;
}

TDmdAttr DmdKey(const std::string& name, const std::string& type, const std::string& caption) {
  TDmdAttr a = DmdAttribute(name, type, caption);
  a.keyPart = 1, a.mandatory = 1;
  return a;
}

TDmdAttr DmdForeignKey(TDmdAttr attribute, const std::string& rel, const std::string& primAttr) {
  attribute.foreignRel = rel, attribute.primAttr = primAttr;
  return attribute;
}

TDmdRel DmdRel(const std::string& name, const std::string& withEnt, const std::string& revName,
               const std::string& primaryEnt, const std::string& foreignEnt, int toMany) {
  TDmdRel rel;
  rel.name = name;
  rel.withEnt = withEnt;
  rel.revName = revName;
  rel.primaryEnt = primaryEnt;
  rel.foreignEnt = foreignEnt;
  rel.toMany = toMany;
  return rel;
}

TDmdWriter::TDmdWriter(const std::string& magic) : bytes_(magic) {
  bytes_ += std::string("\0\0\1", 3);
}

TDmdWriter TDmdWriter::Fragment() {
  TDmdWriter fragment;
  fragment.bytes_.clear();
  return fragment;
}

TDmdWriter& TDmdWriter::Tag(int tag) {
  bytes_ += static_cast<char>(tag);
  return *this;
}

TDmdWriter& TDmdWriter::String(int tag, const std::string& text) {
  Tag(tag);
  bytes_ += DmdString(text);
  return *this;
}

TDmdWriter& TDmdWriter::Int16(int tag, int value) {
  Tag(tag);
  bytes_ += DmdInt16(value);
  return *this;
}

TDmdWriter& TDmdWriter::Int32(int tag, long value) {
  Tag(tag);
  for (int shift = 24; shift >= 0; shift -= 8)
    bytes_ += static_cast<char>((static_cast<unsigned long>(value) >> shift) & 0xFF);
  return *this;
}

TDmdWriter& TDmdWriter::Bool(int tag, int value) {
  Tag(tag);
  bytes_ += static_cast<char>(value);
  return *this;
}

TDmdWriter& TDmdWriter::Raw(const std::string& bytes) {
  bytes_ += bytes;
  return *this;
}

TDmdWriter& TDmdWriter::End() { return Tag(0); }

TDmdWriter& TDmdWriter::StringIf(int tag, const std::string& text) {
  return text.empty() ? *this : String(tag, text);
}

TDmdWriter& TDmdWriter::Int16If(int tag, int value) {
  return value == 0 ? *this : Int16(tag, value);
}

TDmdWriter& TDmdWriter::CodeList(const std::string& name,
                                 const std::vector<std::pair<std::string, std::string>>& items) {
  Tag(2).String(24, name).Int16(25, static_cast<int>(items.size()));
  for (const auto& item : items) Tag(3).String(26, item.first).String(27, item.second).End();
  return End();
}

TDmdWriter& TDmdWriter::BeginEntity(const std::string& name, const std::string& caption,
                                    int attributes, int relationships) {
  return Tag(4).String(29, name).StringIf(30, caption).Int16(41, attributes).Int16(42, relationships);
}

TDmdWriter& TDmdWriter::Attribute(const TDmdAttr& a) {
  Tag(5).String(43, a.name).StringIf(44, a.caption).String(45, a.type).Int16If(46, a.width);
  StringIf(47, a.flags).StringIf(50, a.codeList).StringIf(60, a.foreignRel);
  StringIf(62, a.primAttr).Int16If(53, a.page);
  if (a.mandatory) Bool(55, 1);
  if (a.keyPart) Bool(56, 1);
  if (a.hidden) Bool(58, 1);
  if (a.calculated) Bool(70, 1);
  if (a.nonStored) Bool(138, 1);
  StringIf(61, a.validation).StringIf(68, a.defaultText).StringIf(69, a.defaultAtStore);
  return End();
}

TDmdWriter& TDmdWriter::Relationship(const TDmdRel& r) {
  Tag(6).String(76, r.name).String(77, r.withEnt).StringIf(78, r.caption);
  StringIf(81, r.revName).StringIf(82, r.primaryEnt).StringIf(83, r.foreignEnt);
  if (r.toMany) Bool(84, 1);
  Int16If(87, r.kindAndPage).StringIf(137, r.columnText).StringIf(88, r.orderBy);
  StringIf(128, r.where);
  return End();
}

TDmdWriter& TDmdWriter::Param(const std::string& name, const std::string& value) {
  return Tag(7).String(91, name).String(92, value).End();
}

bool TDmdWriter::Save(const std::string& path) const {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes_.data(), 1, bytes_.size(), file) == bytes_.size();
  return std::fclose(file) == 0 && ok;
}

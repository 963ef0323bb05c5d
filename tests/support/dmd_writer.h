// Writes model files for tests: a header, then tags and values in the big-endian
// format the model-file reader expects. Low-level calls write any tag with any value
// (or raw bytes); the record calls write a whole code list, entity, attribute,
// relationship or model parameter from a small description.
#pragma once

#include <string>
#include <vector>

// An attribute; empty texts and zero numbers are not written.
struct TDmdAttr {
  std::string name;
  std::string type = "VARCHAR(40)";
  std::string caption;
  int width = 0;
  std::string flags;
  std::string codeList;
  std::string foreignRel;
  std::string primAttr;
  int page = 0;
  int mandatory = 0;
  int keyPart = 0;
  int hidden = 0;
  int calculated = 0;
  int nonStored = 0;
  std::string validation;
  std::string defaultText;
  std::string defaultAtStore;
};

// A relationship; empty texts and zero numbers are not written.
struct TDmdRel {
  std::string name;
  std::string withEnt;
  std::string revName;
  std::string primaryEnt;
  std::string foreignEnt;
  int toMany = 0;
  std::string caption;
  int kindAndPage = 0;
  std::string columnText;
  std::string orderBy;
  std::string where;
};

// A relationship from its names: the entity at the other end, the reverse relationship
// there, the primary (parent) and foreign (child) entities.
TDmdRel DmdRel(const std::string& name, const std::string& withEnt, const std::string& revName,
               const std::string& primaryEnt, const std::string& foreignEnt, int toMany = 0);

// An attribute of the type with its caption; a key part (mandatory too); the attribute as
// the foreign key that copies primAttr of the entity reached through relationship rel.
TDmdAttr DmdAttribute(const std::string& name, const std::string& type, const std::string& caption);
TDmdAttr DmdKey(const std::string& name, const std::string& type, const std::string& caption);
TDmdAttr DmdForeignKey(TDmdAttr attribute, const std::string& rel, const std::string& primAttr);

class TDmdWriter {
public:
  // Starts a file: the magic, two ignored bytes and the byte 1 that opens the tag stream.
  explicit TDmdWriter(const std::string& magic = "QBDM1.");
  // A piece of a tag stream without header, to be pasted into a file with Raw.
  static TDmdWriter Fragment();

  // Any tag with any value.
  TDmdWriter& Tag(int tag);
  TDmdWriter& String(int tag, const std::string& text);
  TDmdWriter& Int16(int tag, int value);
  TDmdWriter& Int32(int tag, long value);
  TDmdWriter& Bool(int tag, int value);  // the byte as given
  TDmdWriter& Raw(const std::string& bytes);
  TDmdWriter& End();                      // the 0 tag that closes a record or the file

  // Counts at the model level.
  TDmdWriter& CodeListCount(int n) { return Int16(20, n); }
  TDmdWriter& EntityCount(int n) { return Int16(21, n); }
  TDmdWriter& ParamCount(int n) { return Int16(22, n); }

  // A whole code list with its items, each item a key and a caption.
  TDmdWriter& CodeList(const std::string& name,
                       const std::vector<std::pair<std::string, std::string>>& items);
  // Opens an entity with its name, caption and the counts of attributes and relationships;
  // fields and records follow, End() closes it.
  TDmdWriter& BeginEntity(const std::string& name, const std::string& caption, int attributes,
                          int relationships);
  TDmdWriter& Attribute(const TDmdAttr& attribute);
  TDmdWriter& Relationship(const TDmdRel& relationship);
  TDmdWriter& Param(const std::string& name, const std::string& value);

  const std::string& bytes() const { return bytes_; }
  // Writes the bytes to a file; false on failure.
  bool Save(const std::string& path) const;

private:
  TDmdWriter& StringIf(int tag, const std::string& text);
  TDmdWriter& Int16If(int tag, int value);
  std::string bytes_;
};

// Model-file value encodings, for tests that build bytes by hand.
std::string DmdInt16(int value);
std::string DmdString(const std::string& text);

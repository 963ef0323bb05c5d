// The model-file reader: header, tags and values, with every count checked before use.
#include "data/model/dmdreader.h"

#include "data/core/bufferedfile.h"
#include "data/core/messages.h"
#include "data/core/strings.h"
#include "data/model/model.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

const char* const BadFormat = "Invalid DMD file format!";

#define STR(type, tag, field) {tag, DMD_STRING, offsetof(type, field)}
#define I16(type, tag, field) {tag, DMD_INT16, offsetof(type, field)}
#define BOOL(type, tag, field) {tag, DMD_BOOL, offsetof(type, field)}
#define DROP_STR(tag) {tag, DMD_STRING, DMD_DROP}
#define DROP_BOOL(tag) {tag, DMD_BOOL, DMD_DROP}
#define END_TABLE {0, 0, DMD_DROP}

const TDmdField RootFields[] = {
    STR(TDataModel, 10, ModelName), STR(TDataModel, 11, Title), STR(TDataModel, 17, SpareText1),
    STR(TDataModel, 13, DatabaseName), I16(TDataModel, 18, SpareNumber), BOOL(TDataModel, 12, SpareFlag),
    BOOL(TDataModel, 14, UseTransactions), STR(TDataModel, 15, DefaultUser),
    STR(TDataModel, 16, DefaultPassword), STR(TDataModel, 99, SpareText2),
    STR(TDataModel, 100, SpareText3),
    DROP_STR(19), DROP_STR(93), DROP_STR(94), DROP_STR(95), DROP_STR(96), DROP_STR(97),
    DROP_BOOL(98), DROP_STR(189), DROP_STR(190), DROP_STR(191), DROP_STR(192), DROP_BOOL(193),
    DROP_STR(194), DROP_STR(195), DROP_STR(196), DROP_STR(197), DROP_BOOL(198),
    END_TABLE};

const TDmdField CodeListFields[] = {
    STR(TCodeList, 24, Name),
    DROP_STR(101), DROP_STR(102), DROP_STR(103), DROP_BOOL(104), DROP_STR(147), DROP_STR(148),
    DROP_BOOL(149), DROP_STR(150), DROP_STR(151), DROP_BOOL(152),
    END_TABLE};

const TDmdField ItemFields[] = {
    STR(TCodeListItem, 26, Key), STR(TCodeListItem, 27, Caption), STR(TCodeListItem, 28, ExtraText),
    DROP_STR(105), DROP_STR(106), DROP_STR(107), DROP_BOOL(108), DROP_STR(141), DROP_STR(142),
    DROP_BOOL(143), DROP_STR(144), DROP_STR(145), DROP_BOOL(146),
    END_TABLE};

const TDmdField AttributeFields[] = {
    STR(TAttribute, 43, Name), STR(TAttribute, 44, Caption), STR(TAttribute, 45, SqlTypeText),
    I16(TAttribute, 46, DisplayWidth), STR(TAttribute, 48, HelpText), STR(TAttribute, 49, SpareText1),
    STR(TAttribute, 47, Flags), STR(TAttribute, 50, CodeListName),
    STR(TAttribute, 60, ForeignRelName), STR(TAttribute, 62, PrimAttrName),
    I16(TAttribute, 51, X), I16(TAttribute, 52, Y), I16(TAttribute, 63, Width),
    I16(TAttribute, 64, LabelX), I16(TAttribute, 65, LabelY), I16(TAttribute, 66, LabelWidth),
    BOOL(TAttribute, 67, KeepOnReset), I16(TAttribute, 53, Page), I16(TAttribute, 54, Height),
    BOOL(TAttribute, 55, Mandatory), BOOL(TAttribute, 56, KeyPart), BOOL(TAttribute, 57, Indexed),
    BOOL(TAttribute, 58, Hidden), BOOL(TAttribute, 59, SpareFlag1), BOOL(TAttribute, 70, Calculated),
    BOOL(TAttribute, 71, SpareFlag2), BOOL(TAttribute, 138, NonStored),
    STR(TAttribute, 61, ValidationText), STR(TAttribute, 68, DefaultText),
    STR(TAttribute, 69, DefaultAtStoreText), STR(TAttribute, 72, SpareText2),
    I16(TAttribute, 73, SpareNumber1), I16(TAttribute, 74, SpareNumber2),
    STR(TAttribute, 122, FontFace), STR(TAttribute, 123, FontSize), STR(TAttribute, 124, TextColour),
    STR(TAttribute, 125, SpareText3), STR(TAttribute, 153, FieldStyle), STR(TAttribute, 154, BackgroundColour),
    STR(TAttribute, 155, SecondColour), STR(TAttribute, 156, LabelStyle),
    DROP_STR(121), DROP_STR(75), DROP_BOOL(126), DROP_BOOL(157), DROP_STR(158), DROP_STR(159),
    DROP_STR(160), DROP_STR(161), DROP_BOOL(162),
    END_TABLE};

const TDmdField RelationshipFields[] = {
    STR(TRelationship, 76, Name), STR(TRelationship, 77, WithEntName),
    STR(TRelationship, 78, Caption), STR(TRelationship, 79, SpareText1),
    STR(TRelationship, 80, SpareText2), STR(TRelationship, 81, RevName),
    STR(TRelationship, 82, PrimaryEntName), STR(TRelationship, 83, ForeignEntName),
    BOOL(TRelationship, 84, ToMany), BOOL(TRelationship, 85, ParentRequired),
    BOOL(TRelationship, 86, NoKeyCascade), I16(TRelationship, 87, KindAndPage),
    STR(TRelationship, 137, ColumnText), STR(TRelationship, 88, OrderBy),
    I16(TRelationship, 89, SpareNumber), STR(TRelationship, 128, WhereText),
    STR(TRelationship, 129, ListHeightText),
    DROP_STR(90), DROP_STR(127), DROP_STR(130), DROP_STR(131), DROP_BOOL(132), DROP_STR(163),
    DROP_STR(164), DROP_STR(165), DROP_STR(166), DROP_BOOL(167), DROP_STR(168), DROP_STR(169),
    DROP_STR(170), DROP_STR(171), DROP_BOOL(172),
    END_TABLE};

const TDmdField EntityFields[] = {
    STR(TEntity, 29, Name), STR(TEntity, 30, Caption), STR(TEntity, 31, TitleText),
    STR(TEntity, 32, SpareText1), STR(TEntity, 33, FileNameText), BOOL(TEntity, 34, HiddenFromMenus),
    BOOL(TEntity, 35, SpareFlag1), BOOL(TEntity, 37, SpareFlag2), I16(TEntity, 36, SpareNumber1),
    STR(TEntity, 140, ColumnListText), I16(TEntity, 139, SpareNumber2), I16(TEntity, 38, SpareNumber3),
    I16(TEntity, 39, SpareNumber4), BOOL(TEntity, 118, SpareFlag3), STR(TEntity, 115, SpareText2),
    BOOL(TEntity, 119, SpareFlag4), STR(TEntity, 116, SpareText3), BOOL(TEntity, 120, SpareFlag5),
    STR(TEntity, 117, FormResource), BOOL(TEntity, 114, PinProtected),
    STR(TEntity, 173, Colour), STR(TEntity, 174, OrderText),
    DROP_STR(109), DROP_STR(40), DROP_STR(110), DROP_STR(111), DROP_STR(112), DROP_STR(113),
    DROP_STR(175), DROP_STR(176), DROP_BOOL(177), DROP_STR(178), DROP_STR(179), DROP_STR(180),
    DROP_STR(181), DROP_BOOL(182),
    END_TABLE};

const TDmdField ParamFields[] = {
    STR(TModelParam, 91, Name), STR(TModelParam, 92, Value),
    DROP_STR(133), DROP_STR(134), DROP_STR(135), DROP_BOOL(136), DROP_STR(183), DROP_STR(184),
    DROP_BOOL(185), DROP_STR(186), DROP_STR(187), DROP_BOOL(188),
    END_TABLE};

#undef STR
#undef I16
#undef BOOL
#undef DROP_STR
#undef DROP_BOOL
#undef END_TABLE

// Stops the load of a file that breaks the format's bounds, naming the fault.
[[noreturn]] void FormatFault(const char* format, ...) {
  char detail[120];
  va_list args;
  va_start(args, format);
  std::vsnprintf(detail, sizeof detail, format, args);
  va_end(args);
  FatalError(BadFormat, detail);
}

void ReadExactly(TBufferedFile* file, void* buffer, size_t count) {
  if (FileReadRaw(file, buffer, count) != count) FatalError(BadFormat, "");
}

// The smallest record a file can hold: its record tag and its end tag.
constexpr long MIN_RECORD_BYTES = 2;

// What the rest of the file can still hold: every record announced by a count and not
// read yet needs its bytes, so a count larger than the file is refused before anything
// is allocated for it.
struct TFileBudget {
  TBufferedFile* file;
  long size;
  long pendingRecords = 0;

  void Announce(int n, const char* plural) {
    const long rest = size - FileTell(file);
    if ((pendingRecords + n) * MIN_RECORD_BYTES > rest)
      FormatFault(" Count of %d %s, more than the rest of the file holds.", n, plural);
    pendingRecords += n;
  }
  void Read() { --pendingRecords; }
  void Release(int n) { pendingRecords -= n; }
};

// One array of records of the model: sized once by its count tag, then filled record by record.
template <typename T>
struct TRecordArray {
  T*& items;
  int& count;
  int& capacity;
  const char* plural;
  TFileBudget& budget;
  bool counted = false;

  // Slots announced but never filled no longer need room in the file.
  ~TRecordArray() {
    if (capacity > count) budget.Release(capacity - count);
  }

  void Size(TBufferedFile* file) {
    int n = ReadDmdInt16(file);
    if (counted) FormatFault(" Count of %s given twice.", plural);
    counted = true;
    if (n > 0) {
      budget.Announce(n, plural);
      items = new T[n];
      capacity = n;
    }
  }
  T& NextSlot() const {
    if (!counted) FormatFault(" Record before the count of %s.", plural);
    if (count >= capacity) FormatFault(" More %s than announced.", plural);
    budget.Read();
    return items[count];
  }
};

struct TReader {
  TBufferedFile* file;
  char* buffer;
  TFileBudget budget;

  int NextTag() { return ReadDmdByte(file); }
  void Field(int tag, const TDmdField* table, void* record, const char* where) {
    if (!ReadDmdField(file, tag, table, record, buffer))
      FormatFault(" Unknown tag %d in %s.", tag, where);
  }

  void ReadPlain(const TDmdField* table, void* record, const char* where) {
    for (int tag = NextTag(); tag != 0; tag = NextTag()) Field(tag, table, record, where);
  }

  void ReadCodeList(TCodeList& list) {
    TRecordArray<TCodeListItem> items{list.Items, list.ItemCount, list.ItemCapacity, "items", budget};
    for (int tag = NextTag(); tag != 0; tag = NextTag()) {
      if (tag == 25) {
        items.Size(file);
      } else if (tag == 3) {
        ReadPlain(ItemFields, &items.NextSlot(), "an item");
        ++list.ItemCount;
      } else {
        Field(tag, CodeListFields, &list, "a code list");
      }
    }
  }

  void ReadEntity(TEntity& entity) {
    TRecordArray<TAttribute> attributes{entity.Attributes, entity.AttributeCount,
                                        entity.AttributeCapacity, "attributes", budget};
    TRecordArray<TRelationship> relationships{entity.Relationships, entity.RelationshipCount,
                                              entity.RelationshipCapacity, "relationships", budget};
    for (int tag = NextTag(); tag != 0; tag = NextTag()) {
      if (tag == 41) {
        attributes.Size(file);
      } else if (tag == 42) {
        relationships.Size(file);
      } else if (tag == 5) {
        ReadPlain(AttributeFields, &attributes.NextSlot(), "an attribute");
        ++entity.AttributeCount;
      } else if (tag == 6) {
        ReadPlain(RelationshipFields, &relationships.NextSlot(), "a relationship");
        ++entity.RelationshipCount;
      } else {
        Field(tag, EntityFields, &entity, "an entity");
      }
    }
  }

  void ReadRoot(TDataModel& model) {
    TRecordArray<TCodeList> codeLists{model.CodeLists, model.CodeListCount,
                                      model.CodeListCapacity, "code lists", budget};
    TRecordArray<TEntity> entities{model.Entities, model.EntityCount, model.EntityCapacity,
                                   "entities", budget};
    TRecordArray<TModelParam> params{model.Params, model.ParamCount, model.ParamCapacity,
                                     "model parameters", budget};
    for (int tag = NextTag(); tag != 0; tag = NextTag()) {
      switch (tag) {
        case 20: codeLists.Size(file); break;
        case 21: entities.Size(file); break;
        case 22: params.Size(file); break;
        case 2:
          ReadCodeList(codeLists.NextSlot());
          ++model.CodeListCount;
          break;
        case 4:
          ReadEntity(entities.NextSlot());
          ++model.EntityCount;
          break;
        case 7:
          ReadPlain(ParamFields, &params.NextSlot(), "a model parameter");
          ++model.ParamCount;
          break;
        default: Field(tag, RootFields, &model, "the model"); break;
      }
    }
  }
};

bool HasKnownMagic(const char* header) {
  for (const char* magic : {"QBDM1.", "QBDM2.", "ZKDM3.", "PVDM1."})
    if (std::memcmp(header, magic, 6) == 0) return true;
  return false;
}

}  // namespace

int ReadDmdByte(TBufferedFile* file) {
  unsigned char byte;
  ReadExactly(file, &byte, 1);
  return byte;
}

int ReadDmdInt16(TBufferedFile* file) {
  unsigned char bytes[2];
  ReadExactly(file, bytes, 2);
  return static_cast<short>((bytes[0] << 8) | bytes[1]);
}

int ReadDmdInt32(TBufferedFile* file) {
  unsigned char bytes[4];
  if (FileReadRaw(file, bytes, 4) != 4) FatalError("Invalid DMD file format", "");
  return static_cast<int>((static_cast<unsigned>(bytes[0]) << 24) | (bytes[1] << 16) |
                          (bytes[2] << 8) | bytes[3]);
}

int ReadDmdBool(TBufferedFile* file) { return ReadDmdByte(file) == 1 ? 1 : 0; }

void ReadDmdString(TBufferedFile* file, char* buffer) {
  int length = ReadDmdInt16(file);
  if (length < 0) FatalError(BadFormat, "");
  if (length > DMD_MAX_STRING)
    FormatFault(" Text of %d bytes, longer than %d.", length, DMD_MAX_STRING);
  ReadExactly(file, buffer, static_cast<size_t>(length));
  buffer[length] = '\0';
}

int ReadDmdField(TBufferedFile* file, int tag, const TDmdField* table, void* record,
                 char* buffer) {
  const TDmdField* row = table;
  while (row->Tag != 0 && row->Tag != tag) ++row;
  if (row->Tag == 0) return 0;
  char* destination = row->Offset == DMD_DROP ? nullptr : static_cast<char*>(record) + row->Offset;
  int value = 0;
  switch (row->Kind) {
    case DMD_STRING:
      ReadDmdString(file, buffer);
      if (destination) ReplaceString(reinterpret_cast<char**>(destination), buffer);
      return 1;
    case DMD_INT16: value = ReadDmdInt16(file); break;
    case DMD_INT32: value = ReadDmdInt32(file); break;
    default: value = ReadDmdBool(file); break;
  }
  if (destination) std::memcpy(destination, &value, sizeof value);
  return 1;
}

int LoadModelFile(TDataModel& model, const char* path) {
  TBufferedFile* file = FileOpen(path, "rb");
  if (!file) return 0;
  char header[8];
  if (FileRead(header, 1, sizeof header, file) != sizeof header || !HasKnownMagic(header)) {
    FileClose(file);
    return 0;
  }
  const long size = FileSeek(file, 0, SEEK_END);
  FileSeek(file, sizeof header, SEEK_SET);
  {
    TTempString buffer;
    while (ReadDmdByte(file) != 1) {
    }
    model.Clear();
    TReader{file, buffer, TFileBudget{file, size}}.ReadRoot(model);
  }
  FileClose(file);
  model.LinkAndValidate();
  return 1;
}

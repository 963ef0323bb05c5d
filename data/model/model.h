// The in-memory database model: entities, attributes, relationships, code lists
// and model parameters, as read from the model file and linked once.
#pragma once

#include <windows.h>

class TExpression;
struct TEntity;
struct TRelationship;

// Every char* below is a heap string field (data/core/strings.h): never null while
// the record lives, EmptyString when empty. Fields named Spare... are read from the
// model file and kept, but nothing in the program uses them.

struct TCodeListItem {
  char* Key;
  char* Caption;
  char* ExtraText;  // a third text of the item, kept for the forms

  TCodeListItem();
  ~TCodeListItem();
  TCodeListItem(const TCodeListItem&) = delete;
  TCodeListItem& operator=(const TCodeListItem&) = delete;
};

struct TCodeList {
  char* Name;
  int ItemCount;  // items read, not the number announced
  int ItemCapacity;
  TCodeListItem* Items;

  TCodeList();
  ~TCodeList();
  TCodeList(const TCodeList&) = delete;
  TCodeList& operator=(const TCodeList&) = delete;

  TCodeListItem* FindItem(const char* key) const;
};

struct TAttribute {
  char* Name;
  char* Caption;
  char* SqlTypeText;
  int SqlType;        // ODBC SQL type decoded from SqlTypeText when the model is linked
  int ColumnSize;
  int DecimalDigits;
  int DisplayWidth;
  char* HelpText;     // status-bar help of the field
  char* SpareText1;
  char* Flags;        // "@" followed by flag letters, optionally a blank and more text
  char* CodeListName;
  TCodeList* CodeList;
  char* ForeignRelName;
  TRelationship* ForeignRel;
  char* PrimAttrName;
  TAttribute* PrimAttr;
  int X, Y, Width, LabelX, LabelY, LabelWidth;
  int KeepOnReset;    // the form keeps the value when it is reset
  int Page;
  int Height;
  int Mandatory;
  int KeyPart;
  int Indexed;
  int Hidden;
  int SpareFlag1;
  int Calculated;
  int SpareFlag2;
  int NonStored;      // shadow attribute: no column of its own
  char* ValidationText;
  char* DefaultText;
  char* DefaultAtStoreText;
  TExpression* Validation;
  TExpression* Default;
  TExpression* DefaultAtStore;
  char* SpareText2;
  int SpareNumber1, SpareNumber2;
  int RealAttrIndex;  // for a shadow without default text: the real attribute's position
  int Referenced;     // read by some compiled expression of the model
  int EffectiveMandatory;
  char* FontFace;          // face of the field's font
  char* FontSize;          // point size of the field's font
  char* TextColour;        // six hexadecimal digits red-green-blue
  char* SpareText3;
  char* FieldStyle;        // letters b, u, i, s of the field's font
  char* LabelStyle;        // the same for the label's font
  char* BackgroundColour;  // a colour name of the colour table
  char* SecondColour;      // a further colour name, registered in the colour table
  HFONT Fonts[2];

  TAttribute();
  ~TAttribute();
  TAttribute(const TAttribute&) = delete;
  TAttribute& operator=(const TAttribute&) = delete;
};

struct TRelationship {
  char* Name;
  char* WithEntName;
  TEntity* WithEntity;
  char* Caption;
  char* SpareText1;
  char* SpareText2;
  char* RevName;
  TRelationship* Reverse;
  char* PrimaryEntName;
  TEntity* PrimaryEntity;
  char* ForeignEntName;
  TEntity* ForeignEntity;
  int ToMany;
  int ParentRequired;  // a child needs its parent row even with an empty foreign key
  int NoKeyCascade;    // a changed parent key is not carried into these children
  int KindAndPage;    // page * 10 + kind (0 lookup, 1 show related, 3 modeless lookup)
  char* ColumnText;
  char* OrderBy;
  int SpareNumber;
  char* WhereText;
  TExpression* Where;
  char* ListHeightText;

  TRelationship();
  ~TRelationship();
  TRelationship(const TRelationship&) = delete;
  TRelationship& operator=(const TRelationship&) = delete;

  int Page() const { return KindAndPage / 10; }
  int Kind() const { return KindAndPage % 10; }
};

struct TEntity {
  char* Name;
  char* Caption;
  char* TitleText;
  char* SpareText1;
  char* FileNameText;
  int HiddenFromMenus;
  int SpareFlag1;
  int SpareFlag2;
  int SpareNumber1;
  char* ColumnListText;
  char* OrderText;
  int SpareNumber2, SpareNumber3, SpareNumber4;
  int SpareFlag3;
  char* SpareText2;
  int SpareFlag4;
  char* SpareText3;
  int SpareFlag5;
  char* FormResource;
  int AttributeCount;
  int AttributeCapacity;
  TAttribute* Attributes;
  int RelationshipCount;
  int RelationshipCapacity;
  TRelationship* Relationships;
  int PageCount;
  int DependentRelCount;
  TRelationship** DependentRels;
  int DependentEntCount;
  TEntity** DependentEnts;
  char* Colour;
  int PinProtected;

  TEntity();
  ~TEntity();
  TEntity(const TEntity&) = delete;
  TEntity& operator=(const TEntity&) = delete;

  TAttribute* FindAttribute(const char* name) const;
  TRelationship* FindRelationship(const char* name) const;
  int AttributeIndex(const TAttribute* attribute) const;
  int IsResetEnabled() const;
  void AddDependentRelationship(TRelationship* relationship);
  int HasDependentRelationship(const TRelationship* relationship) const;
  void AddDependentEntity(TEntity* entity);
  int HasDependentEntity(const TEntity* entity) const;
};

struct TModelParam {
  char* Name;
  char* Value;

  TModelParam();
  ~TModelParam();
  TModelParam(const TModelParam&) = delete;
  TModelParam& operator=(const TModelParam&) = delete;
};

struct TDataModel {
  char* ModelName;
  char* Title;
  char* SpareText1;
  char* DatabaseName;
  int SpareNumber;
  int SpareFlag;
  int UseTransactions;
  char* DefaultUser;
  char* DefaultPassword;
  char* SpareText2;
  char* SpareText3;
  int CodeListCount;
  int CodeListCapacity;
  TCodeList* CodeLists;
  int EntityCount;
  int EntityCapacity;
  TEntity* Entities;
  int ParamCount;
  int ParamCapacity;
  TModelParam* Params;
  int FormTemplateCount;
  // Counts the clearings: what was made for entities of an earlier content (the record
  // cache's spare record) is not used again when it changed.
  unsigned Generation = 0;

  TDataModel();
  ~TDataModel();
  TDataModel(const TDataModel&) = delete;
  TDataModel& operator=(const TDataModel&) = delete;

  TEntity* FindEntity(const char* name) const;
  TCodeList* FindCodeList(const char* name) const;
  TModelParam* FindParam(const char* name) const;
  int EntityIndex(const TEntity* entity) const;
  // Frees everything the model holds and leaves it empty.
  void Clear();
  // Resolves names, decodes types, counts pages and templates, compiles the
  // expressions; a faulty model ends the program with a message naming the fault.
  void LinkAndValidate();
};

// The one loaded model of the program.
extern TDataModel TheModel;

// True when the attribute's flag word begins with '@' and holds the letter before its first blank.
int HasAttrFlag(const TAttribute* attribute, char letter);

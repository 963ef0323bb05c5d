// The in-memory database model: entities, attributes, relationships, code lists
// and model parameters, as read from the model file and linked once.
#pragma once

#include <windows.h>

class TExpression;
struct TEntity;
struct TRelationship;

// Every char* below is a heap string field (data/core/strings.h): never null while
// the record lives, EmptyString when empty.

struct TCodeListItem {
  char* Key;
  char* Caption;
  char* Text3;

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
  char* Text48;
  char* Text49;
  char* Flags;        // "@" followed by flag letters, optionally a blank and more text
  char* CodeListName;
  TCodeList* CodeList;
  char* ForeignRelName;
  TRelationship* ForeignRel;
  char* PrimAttrName;
  TAttribute* PrimAttr;
  int X, Y, Width, LabelX, LabelY, LabelWidth;
  int Bool67;
  int Page;
  int Height;
  int Mandatory;
  int KeyPart;
  int Indexed;
  int Hidden;
  int Bool59;
  int Calculated;
  int Bool71;
  int NonStored;      // shadow attribute: no column of its own
  char* ValidationText;
  char* DefaultText;
  char* DefaultAtStoreText;
  TExpression* Validation;
  TExpression* Default;
  TExpression* DefaultAtStore;
  char* Text72;
  int Int73, Int74;
  int RealAttrIndex;  // for a shadow without default text: the real attribute's position
  int Referenced;     // read by some compiled expression of the model
  int EffectiveMandatory;
  char* Text122;
  char* Text123;
  char* Text124;
  char* Text125;
  char* Text153;
  char* Text156;
  char* Text154;
  char* Text155;
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
  char* Text79;
  char* Text80;
  char* RevName;
  TRelationship* Reverse;
  char* PrimaryEntName;
  TEntity* PrimaryEntity;
  char* ForeignEntName;
  TEntity* ForeignEntity;
  int ToMany;
  int Bool85;
  int Bool86;
  int KindAndPage;    // page * 10 + kind (0 lookup, 1 show related, 3 modeless lookup)
  char* ColumnText;
  char* OrderBy;
  int Int89;
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
  char* Text32;
  char* FileNameText;
  int HiddenFromMenus;
  int Bool35;
  int Bool37;
  int Int36;
  char* ColumnListText;
  char* OrderText;
  int Int139, Int38, Int39;
  int Bool118;
  char* Text115;
  int Bool119;
  char* Text116;
  int Bool120;
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
  char* Text17;
  char* DatabaseName;
  int Int18;
  int Bool12;
  int UseTransactions;
  char* DefaultUser;
  char* DefaultPassword;
  char* Text99;
  char* Text100;
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

// The model-file reader: the sample model, the format's value encodings and header,
// counts and dropped tags, and files that are not model files at all.
#include "data/core/bufferedfile.h"
#include "data/core/strings.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "support/dmd_writer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

const char* const SamplePath = VORN_SOURCE_DIR "/sample/vorn.dmd";

class ModelReader : public ::testing::Test {
protected:
  void TearDown() override {
    TheModel.Clear();
    EXPECT_EQ(TempStringsInUse(), 0);
  }
  // Saves the bytes and loads them into TheModel.
  int Load(const std::string& bytes) { return LoadModelFile(TheModel, dir.Write("m.dmd", bytes).c_str()); }

  TScratchDir dir{"dmd"};
};

// One entity X with the attributes given as raw attribute records.
TDmdWriter OneEntity(const std::string& attributeRecords, int count) {
  TDmdWriter dmd;
  dmd.EntityCount(1).BeginEntity("X", "", count, 0).Raw(attributeRecords).End().End();
  return dmd;
}

std::string Summary(const TDataModel& model) {
  std::ostringstream out;
  out << model.ModelName << " '" << model.Title << "' templates " << model.FormTemplateCount
      << "\n";
  for (int i = 0; i < model.CodeListCount; ++i) {
    const TCodeList& list = model.CodeLists[i];
    out << "list " << list.Name << ":";
    for (int j = 0; j < list.ItemCount; ++j)
      out << " " << list.Items[j].Key << "=" << list.Items[j].Caption;
    out << "\n";
  }
  for (int i = 0; i < model.EntityCount; ++i) {
    const TEntity& entity = model.Entities[i];
    out << entity.Name << " attrs " << entity.AttributeCount << " rels "
        << entity.RelationshipCount << " pages " << entity.PageCount << "\n";
  }
  for (int i = 0; i < model.ParamCount; ++i)
    out << "param " << model.Params[i].Name << "=" << model.Params[i].Value << "\n";
  return out.str();
}

}  // namespace

TEST_F(ModelReader, SampleModelLoadsAndLinks) {
  ASSERT_EQ(LoadModelFile(TheModel, SamplePath), 1);
  EXPECT_EQ(Summary(TheModel),
            "VORN 'Vorn Order Desk' templates 8\n"
            "list ORDER_STATUS: N=New C=Confirmed S=Shipped X=Cancelled\n"
            "list CONTACT_ROLE: B=Buyer A=Accounts D=Deliveries M=Manager\n"
            "CUSTOMER attrs 5 rels 2 pages 0\n"
            "CONTACT attrs 6 rels 1 pages 0\n"
            "ORDERS attrs 8 rels 2 pages 1\n"
            "ORDER_LINE attrs 6 rels 2 pages 0\n"
            "PRODUCT attrs 4 rels 1 pages 0\n"
            "User_Preferences attrs 3 rels 0 pages 0\n"
            "param ODBC_LOGIN=Yes\n"
            "param DATE_FORMAT=DD/MM/YYYY\n"
            "param FIELD_HELP=Yes\n"
            "param RESET:ORDERS=Yes\n"
            "param PAGE:ORDERS:0=&Order\n"
            "param PAGE:ORDERS:1=&Delivery\n"
            "param RUN:CUSTOMER:0=&Write a note\n");
  EXPECT_EQ(TheModel.UseTransactions, 1);
  TEntity* customer = TheModel.FindEntity("customer");
  TEntity* orders = TheModel.FindEntity("ORDERS");
  TEntity* line = TheModel.FindEntity("ORDER_LINE");
  TEntity* product = TheModel.FindEntity("PRODUCT");
  ASSERT_TRUE(customer && orders && line && product);
  EXPECT_STREQ(customer->ColumnListText, "CUST_ID,NAME,CITY ORDER BY NAME");
  EXPECT_STREQ(customer->Colour, "E8F0FF");
  EXPECT_TRUE(orders->IsResetEnabled());

  // Relationships both ways, resolved to each other.
  TRelationship* lines = orders->FindRelationship("LINES");
  TRelationship* back = line->FindRelationship("ORDERS");
  EXPECT_TRUE(lines->ToMany);
  EXPECT_FALSE(back->ToMany);
  EXPECT_EQ(lines->WithEntity, line);
  EXPECT_EQ(lines->Reverse, back);
  EXPECT_EQ(back->Reverse, lines);
  EXPECT_EQ(back->PrimaryEntity, orders);
  EXPECT_EQ(back->ForeignEntity, line);

  // Foreign keys, code list, types, defaults and the shadow on the second page.
  TAttribute* productId = line->FindAttribute("PRODUCT_ID");
  EXPECT_EQ(productId->ForeignRel, line->FindRelationship("PRODUCT"));
  EXPECT_EQ(productId->PrimAttr, product->FindAttribute("PRODUCT_ID"));
  TAttribute* status = orders->FindAttribute("STATUS");
  EXPECT_EQ(status->CodeList, TheModel.FindCodeList("ORDER_STATUS"));
  EXPECT_EQ(status->SqlType, 1);  // CHAR
  EXPECT_EQ(status->ColumnSize, 1);
  TAttribute* lineTotal = line->FindAttribute("LINE_TOTAL");
  EXPECT_TRUE(lineTotal->Calculated);
  EXPECT_NE(lineTotal->Default, nullptr);
  EXPECT_NE(orders->FindAttribute("ORDER_DATE")->DefaultAtStore, nullptr);  // given at store
  EXPECT_NE(line->FindAttribute("QUANTITY")->Validation, nullptr);
  const TAttribute& shadow = orders->Attributes[7];
  EXPECT_TRUE(shadow.NonStored);
  EXPECT_EQ(shadow.Page, 1);
  EXPECT_EQ(shadow.RealAttrIndex, 0);
}

TEST_F(ModelReader, AllFourMagicsReadAlikeAndOthersAreRefused) {
  for (const char* magic : {"QBDM1.", "QBDM2.", "ZKDM3.", "PVDM1."}) {
    TDmdWriter dmd(magic);
    dmd.String(10, "M").End();
    ASSERT_EQ(Load(dmd.bytes()), 1) << magic;
    EXPECT_STREQ(TheModel.ModelName, "M") << magic;
  }
  TheModel.Clear();
  SetString(&TheModel.ModelName, "KEPT");
  for (const char* magic : {"qbdm1.", "QBDM3.", "QBDM1:"}) {
    TDmdWriter dmd(magic);
    dmd.String(10, "M").End();
    EXPECT_EQ(Load(dmd.bytes()), 0) << magic;
  }
  // Missing and short files are refused the same way, and the model is left alone.
  EXPECT_EQ(LoadModelFile(TheModel, dir.File("missing.dmd").c_str()), 0);
  EXPECT_EQ(Load(""), 0);
  EXPECT_EQ(Load("QBDM1."), 0);
  EXPECT_EQ(Load(std::string("QBDM1.\0", 7)), 0);
  EXPECT_STREQ(TheModel.ModelName, "KEPT");
}

TEST_F(ModelReader, BytesBeforeTheFirstOneAreSkipped) {
  TDmdWriter body = TDmdWriter::Fragment();
  body.String(10, "M").End();
  // Byte 8 being 1 starts the tags at byte 9; bytes up to the first 1 are ignored,
  // whatever they hold; the two bytes after the magic are never looked at.
  const std::string header = "QBDM2.";
  EXPECT_EQ(Load(header + std::string("\1\1\1", 3) + body.bytes()), 1);
  EXPECT_STREQ(TheModel.ModelName, "M");
  EXPECT_EQ(Load(header + std::string("\0\0\0\xff\7\0\1", 7) + body.bytes()), 1);
  EXPECT_STREQ(TheModel.ModelName, "M");
}

TEST_F(ModelReader, ValueEncodings) {
  TDmdWriter attrs = TDmdWriter::Fragment();
  attrs.Tag(5).String(43, "A").String(45, "INTEGER").Bool(55, 2).Bool(56, 1).Int16(53, 0xFFFE);
  attrs.Int16(46, 300).String(44, "").End();
  ASSERT_EQ(Load(OneEntity(attrs.bytes(), 1).bytes()), 1);
  const TAttribute& a = TheModel.Entities[0].Attributes[0];
  EXPECT_EQ(a.Mandatory, 0);  // only 1 is true
  EXPECT_EQ(a.KeyPart, 1);
  EXPECT_EQ(a.Page, -2);
  EXPECT_EQ(a.DisplayWidth, 300);
  EXPECT_EQ(a.Caption, EmptyString);
  EXPECT_EQ(TheModel.Entities[0].SpareText1, EmptyString);
}

TEST_F(ModelReader, StoredCountsAreTheRecordsRead) {
  TDmdWriter dmd;
  dmd.CodeListCount(3).Tag(2).String(24, "L").Int16(25, 5);
  for (const char* key : {"a", "b", "c"}) dmd.Tag(3).String(26, key).End();
  dmd.End();
  dmd.EntityCount(0).ParamCount(2).Param("P", "1").End();
  ASSERT_EQ(Load(dmd.bytes()), 1);
  EXPECT_EQ(TheModel.CodeListCount, 1);
  EXPECT_EQ(TheModel.CodeLists[0].ItemCount, 3);
  EXPECT_STREQ(TheModel.CodeLists[0].Items[2].Key, "c");
  EXPECT_EQ(TheModel.EntityCount, 0);  // tag 21 with 0 allocates nothing
  EXPECT_EQ(TheModel.Entities, nullptr);
  EXPECT_EQ(TheModel.ParamCount, 1);
  EXPECT_STREQ(TheModel.FindParam("P")->Value, "1");
}

TEST_F(ModelReader, DroppedTagsAreConsumed) {
  // A dropped string in an entity, a dropped bool in an attribute and a dropped string
  // at the root: each value is read and nothing changes.
  TDmdWriter dmd;
  dmd.String(19, "dropped").Bool(98, 1).EntityCount(1);
  dmd.BeginEntity("E", "Caption", 1, 0).String(109, std::string("\4\5\0", 3)).Bool(177, 1);
  dmd.Tag(5).String(43, "A").String(45, "INTEGER").Bool(126, 1).String(121, "x").End();
  dmd.String(31, "Title").End();
  dmd.ParamCount(1).Tag(7).String(91, "N").String(133, "z").String(92, "V").End();
  dmd.String(11, "T").End();
  ASSERT_EQ(Load(dmd.bytes()), 1);
  EXPECT_STREQ(TheModel.Title, "T");
  const TEntity& e = TheModel.Entities[0];
  EXPECT_STREQ(e.Caption, "Caption");
  EXPECT_STREQ(e.TitleText, "Title");
  EXPECT_STREQ(e.Attributes[0].Name, "A");
  EXPECT_STREQ(TheModel.Params[0].Value, "V");
}

TEST_F(ModelReader, EveryFieldLandsInItsPlace) {
  TDmdWriter dmd;
  dmd.String(10, "N").String(11, "T").String(17, "t17").String(13, "DB").Int16(18, 18);
  dmd.Bool(12, 1).String(15, "user").String(16, "pw").String(99, "t99").String(100, "t100");
  dmd.EntityCount(2);
  dmd.BeginEntity("E", "C", 1, 1).String(31, "t31").String(32, "t32").String(33, "f33");
  dmd.Bool(34, 1).Bool(35, 1).Bool(37, 1).Int16(36, 36).String(140, "c140").Int16(139, 139);
  dmd.Int16(38, 38).Int16(39, 39).Bool(118, 1).String(115, "t115").Bool(119, 1);
  dmd.String(116, "t116").Bool(120, 1).String(117, "form").Bool(114, 1).String(173, "FF0000");
  dmd.String(174, "o174");
  dmd.Tag(5).String(43, "A").String(45, "VARCHAR(10)").Int16(46, 46).String(48, "t48");
  dmd.String(49, "t49").String(47, "@F").Int16(51, 51).Int16(52, 52).Int16(63, 63);
  dmd.Int16(64, 64).Int16(65, 65).Int16(66, 66).Bool(67, 1).Int16(54, 54).Bool(57, 1);
  dmd.Bool(58, 1).Bool(59, 1).Bool(71, 1).String(72, "t72").Int16(73, 73).Int16(74, 74);
  for (int tag : {122, 123, 124, 125, 153, 154, 155, 156}) dmd.String(tag, std::to_string(tag));
  dmd.String(69, "").End();
  dmd.Tag(6).String(76, "R").String(77, "F").String(78, "cap").String(79, "t79");
  dmd.String(80, "t80").String(81, "R").String(82, "E").String(83, "F").Bool(85, 1);
  dmd.Bool(86, 1).Int16(87, 3).String(137, "cols").String(88, "ob").Int16(89, 89);
  dmd.String(129, "h").End();
  dmd.End();
  dmd.BeginEntity("F", "", 0, 1).Relationship(DmdRel("R", "E", "R", "E", "F")).End();
  dmd.End();
  ASSERT_EQ(Load(dmd.bytes()), 1);
  const TDataModel& m = TheModel;
  EXPECT_STREQ(m.SpareText1, "t17");
  EXPECT_STREQ(m.DatabaseName, "DB");
  EXPECT_EQ(m.SpareNumber, 18);
  EXPECT_EQ(m.SpareFlag, 1);
  EXPECT_STREQ(m.DefaultUser, "user");
  EXPECT_STREQ(m.DefaultPassword, "pw");
  EXPECT_STREQ(m.SpareText2, "t99");
  EXPECT_STREQ(m.SpareText3, "t100");
  const TEntity& e = m.Entities[0];
  EXPECT_STREQ(e.FileNameText, "f33");
  EXPECT_EQ(e.HiddenFromMenus + e.SpareFlag1 + e.SpareFlag2 + e.SpareFlag3 + e.SpareFlag4 + e.SpareFlag5, 6);
  EXPECT_EQ(e.SpareNumber1 + e.SpareNumber2 + e.SpareNumber3 + e.SpareNumber4, 36 + 139 + 38 + 39);
  EXPECT_STREQ(e.ColumnListText, "c140");
  EXPECT_STREQ(e.SpareText2, "t115");
  EXPECT_STREQ(e.SpareText3, "t116");
  EXPECT_STREQ(e.FormResource, "form");
  EXPECT_EQ(e.PinProtected, 1);
  EXPECT_STREQ(e.Colour, "FF0000");
  EXPECT_STREQ(e.OrderText, "o174");
  const TAttribute& a = e.Attributes[0];
  EXPECT_EQ(a.SqlType, 12);
  EXPECT_EQ(a.ColumnSize, 10);
  EXPECT_STREQ(a.HelpText, "t48");
  EXPECT_STREQ(a.SpareText1, "t49");
  EXPECT_EQ(a.EffectiveMandatory, 0);
  EXPECT_EQ(a.X + a.Y + a.Width + a.LabelX + a.LabelY + a.LabelWidth + a.Height,
            51 + 52 + 63 + 64 + 65 + 66 + 54);
  EXPECT_EQ(a.KeepOnReset + a.Indexed + a.Hidden + a.SpareFlag1 + a.SpareFlag2, 5);
  EXPECT_STREQ(a.SpareText2, "t72");
  EXPECT_EQ(a.SpareNumber1 + a.SpareNumber2, 147);
  EXPECT_STREQ(a.FontFace, "122");
  EXPECT_STREQ(a.SpareText3, "125");
  EXPECT_STREQ(a.FieldStyle, "153");
  EXPECT_STREQ(a.BackgroundColour, "154");
  EXPECT_STREQ(a.SecondColour, "155");
  EXPECT_STREQ(a.LabelStyle, "156");
  const TRelationship& r = e.Relationships[0];
  EXPECT_STREQ(r.Caption, "cap");
  EXPECT_STREQ(r.SpareText1, "t79");
  EXPECT_STREQ(r.SpareText2, "t80");
  EXPECT_EQ(r.ParentRequired + r.NoKeyCascade, 2);
  EXPECT_EQ(r.KindAndPage, 3);
  EXPECT_STREQ(r.ColumnText, "cols");
  EXPECT_STREQ(r.OrderBy, "ob");
  EXPECT_EQ(r.SpareNumber, 89);
  EXPECT_STREQ(r.ListHeightText, "h");
  EXPECT_EQ(r.Reverse, &m.Entities[1].Relationships[0]);
  // Form resource of its own and no pages: no template for E; F adds one.
  EXPECT_EQ(m.FormTemplateCount, 1);
}

TEST_F(ModelReader, LongestTextIsRead) {
  const std::string text(DMD_MAX_STRING, 'x');
  TDmdWriter dmd;
  dmd.String(11, text).End();
  ASSERT_EQ(Load(dmd.bytes()), 1);
  EXPECT_EQ(std::string(TheModel.Title), text);
}

TEST_F(ModelReader, Int32Values) {
  // No field table uses the kind; the reader reads it big-endian.
  std::string path = dir.Write("i.bin", std::string("\x12\x34\x56\x78\xff\xff\xff\xfe", 8));
  TBufferedFile* file = FileOpen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ReadDmdInt32(file), 0x12345678);
  EXPECT_EQ(ReadDmdInt32(file), -2);
  FileClose(file);
}

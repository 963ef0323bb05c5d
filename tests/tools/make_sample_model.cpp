// Writes the sample model sample/vorn.dmd: a small order-entry business with customers,
// their contacts, orders, order lines and products, and the users' preferences the
// program keeps. Between them its forms show every kind of control the forms make: the
// order's lines as a child list, the order's status as a radio group and a contact's role
// as a combo box, a product's check box, a date and a timestamp, the order's two pages,
// lookups, calculated totals, the delivery note's expand button and the customer's RUN
// button.
//   make_sample_model [output path]
#include "support/dmd_writer.h"

#include <cstdio>
#include <string>

namespace {

// An attribute shown `width` characters wide: find windows and lists size their columns by
// it, and a Find on a shorter value matches the values that begin with it.
TDmdAttr Attr(const char* name, const char* type, const char* caption, int width) {
  TDmdAttr attribute;
  attribute.name = name;
  attribute.type = type;
  attribute.caption = caption;
  attribute.width = width;
  return attribute;
}

TDmdAttr Key(const char* name, const char* type, const char* caption, int width) {
  TDmdAttr attribute = Attr(name, type, caption, width);
  attribute.keyPart = 1;
  attribute.mandatory = 1;
  return attribute;
}

// A foreign key: copies primAttr of the parent reached through relationship rel.
TDmdAttr ForeignKey(TDmdAttr attribute, const char* rel, const char* primAttr) {
  attribute.foreignRel = rel;
  attribute.primAttr = primAttr;
  return attribute;
}

// The parent's to-many list of children and the child's to-one link back.
// How a parent shows its children on page 0 of its form.
enum class TChildShow { ViewButton = 1, ChildList = 2 };

TDmdRel ToMany(const char* name, const char* child, const char* revName, const char* parent,
               TChildShow show = TChildShow::ViewButton) {
  TDmdRel rel = DmdRel(name, child, revName, parent, child, 1);
  rel.kindAndPage = static_cast<int>(show);
  return rel;
}

TDmdRel ToOne(const char* name, const char* parent, const char* revName, const char* child) {
  TDmdRel rel = DmdRel(name, parent, revName, parent, child);
  rel.kindAndPage = 0;  // lookup
  return rel;
}

TDmdWriter SampleModel() {
  TDmdWriter dmd("QBDM1.");
  dmd.String(10, "VORN").String(11, "Vorn Order Desk").String(13, "VORN");
  dmd.Bool(14, 1);  // store and delete in transactions

  dmd.CodeListCount(2);
  dmd.CodeList("ORDER_STATUS",
               {{"N", "New"}, {"C", "Confirmed"}, {"S", "Shipped"}, {"X", "Cancelled"}});
  dmd.CodeList("CONTACT_ROLE", {{"B", "Buyer"}, {"A", "Accounts"}, {"D", "Deliveries"}, {"M", "Manager"}});

  dmd.EntityCount(6);

  // CUSTOMER: the parent of contacts and orders.
  dmd.BeginEntity("CUSTOMER", "Customer", 5, 2);
  dmd.String(31, "Customer").String(140, "CUST_ID,NAME,CITY ORDER BY NAME");
  dmd.String(174, "NAME").String(173, "E8F0FF");
  dmd.Attribute(Key("CUST_ID", "INTEGER", "Customer no.", 6));
  TDmdAttr name = Attr("NAME", "VARCHAR(40)", "Name", 30);
  name.mandatory = 1;
  dmd.Attribute(name);
  dmd.Attribute(Attr("CITY", "VARCHAR(30)", "City", 20));
  dmd.Attribute(Attr("PHONE", "VARCHAR(20)", "Phone", 15));
  TDmdAttr balance = Attr("BALANCE", "DECIMAL(12,2)", "Open balance", 12);
  balance.calculated = 1;
  balance.defaultText = "SUM(ORDERS:ORDER_TOTAL)";
  dmd.Attribute(balance);
  TDmdRel contacts = ToMany("CONTACTS", "CONTACT", "CUSTOMER", "CUSTOMER");
  contacts.caption = "Contacts";
  contacts.columnText = "NAME,EMAIL";
  dmd.Relationship(contacts);
  TDmdRel orders = ToMany("ORDERS", "ORDERS", "CUSTOMER", "CUSTOMER");
  orders.caption = "Orders";
  orders.columnText = "ORDER_ID,ORDER_DATE,STATUS";
  orders.orderBy = "ORDER_DATE DESC";
  dmd.Relationship(orders);
  dmd.End();

  // CONTACT: people at a customer.
  dmd.BeginEntity("CONTACT", "Contact", 6, 1);
  dmd.String(31, "Contact").String(140, "CONTACT_ID,NAME,EMAIL");
  dmd.Attribute(Key("CONTACT_ID", "INTEGER", "Contact no.", 6));
  dmd.Attribute(ForeignKey(Attr("CUST_ID", "INTEGER", "Customer no.", 6), "CUSTOMER", "CUST_ID"));
  dmd.Attribute(Attr("NAME", "VARCHAR(40)", "Name", 30));
  dmd.Attribute(Attr("EMAIL", "VARCHAR(60)", "E-mail", 30));
  TDmdAttr role = Attr("ROLE", "CHAR(1)", "Role", 12);  // a character code list: a combo box
  role.codeList = "CONTACT_ROLE";
  dmd.Attribute(role);
  dmd.Attribute(Attr("LAST_CALL", "TIMESTAMP", "Last call", 19));
  dmd.Relationship(ToOne("CUSTOMER", "CUSTOMER", "CONTACTS", "CONTACT"));
  dmd.End();

  // ORDERS: one order of a customer, with a second page for delivery.
  dmd.BeginEntity("ORDERS", "Order", 8, 2);
  dmd.String(31, "Order").String(140, "ORDER_ID,ORDER_DATE,STATUS ORDER BY ORDER_ID");
  dmd.Attribute(Key("ORDER_ID", "INTEGER", "Order no.", 6));
  dmd.Attribute(ForeignKey(Attr("CUST_ID", "INTEGER", "Customer no.", 6), "CUSTOMER", "CUST_ID"));
  TDmdAttr orderDate = Attr("ORDER_DATE", "DATE", "Order date", 10);
  // Defaults given at store: a fresh form's Find by the order number alone stays a Find by it.
  orderDate.defaultAtStore = "CURDATE()";
  dmd.Attribute(orderDate);
  TDmdAttr status = Attr("STATUS", "CHAR(1)", "Status", 10);
  status.codeList = "ORDER_STATUS";
  status.flags = "@G";  // shown as a group of radio buttons
  status.defaultAtStore = "'N'";
  dmd.Attribute(status);
  TDmdAttr total = Attr("ORDER_TOTAL", "DECIMAL(12,2)", "Total", 12);
  total.calculated = 1;
  total.defaultText = "SUM(LINES:LINE_TOTAL)";
  dmd.Attribute(total);
  TDmdAttr address = Attr("DELIVERY_ADDRESS", "VARCHAR(120)", "Deliver to", 40);
  address.page = 1;
  dmd.Attribute(address);
  TDmdAttr note = Attr("DELIVERY_NOTE", "VARCHAR(200)", "Delivery note", 40);
  note.page = 1;
  note.flags = "@N";  // its ">>" button opens the whole note in an expand box
  dmd.Attribute(note);
  TDmdAttr shadowId = Attr("ORDER_ID", "INTEGER", "Order no.", 6);  // shows the key on page 1
  shadowId.nonStored = 1;
  shadowId.page = 1;
  dmd.Attribute(shadowId);
  dmd.Relationship(ToOne("CUSTOMER", "CUSTOMER", "ORDERS", "ORDERS"));
  TDmdRel lines = ToMany("LINES", "ORDER_LINE", "ORDERS", "ORDERS", TChildShow::ChildList);
  lines.caption = "Order lines";
  lines.columnText = "LINE_NO,PRODUCT_ID,QUANTITY,PRICE,LINE_TOTAL";
  lines.orderBy = "LINE_NO";
  dmd.Relationship(lines);
  dmd.End();

  // ORDER_LINE: the lines of an order.
  dmd.BeginEntity("ORDER_LINE", "Order line", 6, 2);
  dmd.String(31, "Order line");
  dmd.Attribute(ForeignKey(Key("ORDER_ID", "INTEGER", "Order no.", 6), "ORDERS", "ORDER_ID"));
  dmd.Attribute(Key("LINE_NO", "SMALLINT", "Line", 4));
  dmd.Attribute(
      ForeignKey(Attr("PRODUCT_ID", "INTEGER", "Product no.", 6), "PRODUCT", "PRODUCT_ID"));
  TDmdAttr quantity = Attr("QUANTITY", "INTEGER", "Quantity", 6);
  quantity.mandatory = 1;
  quantity.validation = "QUANTITY > 0";
  dmd.Attribute(quantity);
  TDmdAttr price = Attr("PRICE", "DECIMAL(10,2)", "Price", 10);
  price.defaultText = "PRODUCT:PRICE";
  dmd.Attribute(price);
  TDmdAttr lineTotal = Attr("LINE_TOTAL", "DECIMAL(12,2)", "Line total", 12);
  lineTotal.calculated = 1;
  lineTotal.defaultText = "QUANTITY * PRICE";
  dmd.Attribute(lineTotal);
  dmd.Relationship(ToOne("ORDERS", "ORDERS", "LINES", "ORDER_LINE"));
  dmd.Relationship(ToOne("PRODUCT", "PRODUCT", "LINES", "ORDER_LINE"));
  dmd.End();

  // PRODUCT: what can be ordered.
  dmd.BeginEntity("PRODUCT", "Product", 4, 1);
  dmd.String(31, "Product").String(140, "PRODUCT_ID,NAME,PRICE ORDER BY NAME");
  dmd.Attribute(Key("PRODUCT_ID", "INTEGER", "Product no.", 6));
  dmd.Attribute(Attr("NAME", "VARCHAR(40)", "Name", 30));
  TDmdAttr listPrice = Attr("PRICE", "DECIMAL(10,2)", "Price", 10);
  listPrice.validation = "PRICE >= 0";
  dmd.Attribute(listPrice);
  dmd.Attribute(Attr("ACTIVE", "BIT", "Active", 0));
  TDmdRel productLines = ToMany("LINES", "ORDER_LINE", "PRODUCT", "PRODUCT");
  productLines.caption = "Ordered in";
  dmd.Relationship(productLines);
  dmd.End();

  // User_Preferences: the program's own table of each user's preferences; its first
  // three attributes give the types the preference store binds.
  dmd.BeginEntity("User_Preferences", "User preference", 3, 0);
  dmd.String(33, "userpref.dmp").Bool(34, 1);  // dump file; not offered in the menus
  dmd.Attribute(Key("USER_ID", "VARCHAR(20)", "User", 20));
  dmd.Attribute(Key("Pref_Name", "VARCHAR(40)", "Preference", 30));
  dmd.Attribute(Attr("Pref_Setting", "VARCHAR(40)", "Setting", 30));
  dmd.End();

  // Staff log in (users of the table UserIds, seeded by utables.sql).
  dmd.ParamCount(7);
  dmd.Param("ODBC_LOGIN", "Yes");
  dmd.Param("DATE_FORMAT", "DD/MM/YYYY");
  dmd.Param("FIELD_HELP", "Yes");
  dmd.Param("RESET:ORDERS", "Yes");
  dmd.Param("PAGE:ORDERS:0", "&Order");
  dmd.Param("PAGE:ORDERS:1", "&Delivery");
  // The customer's RUN button: its commands are the menu file's [Run] "CUSTOMER:0".
  dmd.Param("RUN:CUSTOMER:0", "&Write a note");
  dmd.End();
  return dmd;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : VORN_SOURCE_DIR "/sample/vorn.dmd";
  if (!SampleModel().Save(path)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("wrote %s\n", path.c_str());
  return 0;
}

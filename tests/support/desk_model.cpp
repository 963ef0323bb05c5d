// The desk model's file and tables.
#include "support/desk_model.h"

#include "support/dmd_writer.h"

std::string DeskModel() {
  TDmdWriter dmd("QBDM1.");
  dmd.String(10, "DESK").String(11, "Desk").String(13, "DESK");
  dmd.Bool(14, 1);  // stores and deletes in transactions
  dmd.EntityCount(3);

  dmd.BeginEntity("CUST", "Customer", 3, 1);
  dmd.String(31, "Customers").String(140, "CUST_ID,NAME,CITY ORDER BY CUST_ID");
  dmd.Attribute(DmdKey("CUST_ID", "INTEGER", "Customer no."));
  dmd.Attribute(DmdAttribute("NAME", "VARCHAR(40)", "Name"));
  dmd.Attribute(DmdAttribute("CITY", "VARCHAR(30)", "City"));
  TDmdRel orders = DmdRel("ORDS", "ORD", "CUST", "CUST", "ORD", 1);
  orders.caption = "Orders", orders.kindAndPage = 2, orders.columnText = "ORD_ID,NOTE,TOTAL", orders.orderBy = "ORD_ID";
  dmd.Relationship(orders);
  dmd.End();

  dmd.BeginEntity("ORD", "Order", 4, 2);
  dmd.String(140, "ORD_ID,CUST_ID,NOTE ORDER BY ORD_ID");
  dmd.Attribute(DmdKey("ORD_ID", "INTEGER", "Order no."));
  dmd.Attribute(DmdForeignKey(DmdAttribute("CUST_ID", "INTEGER", "Customer no."), "CUST", "CUST_ID"));
  dmd.Attribute(DmdAttribute("NOTE", "VARCHAR(40)", "Note"));
  TDmdAttr total = DmdAttribute("TOTAL", "DECIMAL(12,2)", "Total");
  total.calculated = 1, total.defaultText = "SUM(LINES:AMOUNT)";
  dmd.Attribute(total);
  dmd.Relationship(DmdRel("CUST", "CUST", "ORDS", "CUST", "ORD"));
  TDmdRel lines = DmdRel("LINES", "LINE", "ORD", "ORD", "LINE", 1);
  lines.caption = "Lines", lines.kindAndPage = 1, lines.columnText = "LINE_NO,AMOUNT", lines.orderBy = "LINE_NO";
  dmd.Relationship(lines);
  dmd.End();

  dmd.BeginEntity("LINE", "Order line", 3, 1);
  dmd.String(140, "ORD_ID,LINE_NO,AMOUNT ORDER BY LINE_NO");
  dmd.Attribute(DmdForeignKey(DmdKey("ORD_ID", "INTEGER", "Order no."), "ORD", "ORD_ID"));
  dmd.Attribute(DmdKey("LINE_NO", "SMALLINT", "Line"));
  dmd.Attribute(DmdAttribute("AMOUNT", "DECIMAL(10,2)", "Amount"));
  dmd.Relationship(DmdRel("ORD", "ORD", "LINES", "ORD", "LINE"));
  dmd.End();

  dmd.ParamCount(1);
  dmd.Param("DATE_FORMAT", "DD/MM/YYYY");
  dmd.End();
  return dmd.bytes();
}

std::vector<std::string> DeskTables() {
  return {"CREATE TABLE CUST (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), CITY VARCHAR(30))",
          "CREATE TABLE ORD (ORD_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, NOTE VARCHAR(40), TOTAL DECIMAL(12,2))",
          "CREATE TABLE LINE (ORD_ID INTEGER, LINE_NO SMALLINT, AMOUNT DECIMAL(10,2), PRIMARY KEY (ORD_ID, LINE_NO))"};
}


// The desk model for tests and benchmarks over real forms: customers with their orders
// in a child list on the customer's form, and orders whose calculated total sums their
// lines, which a view button lists. It sets no display widths, so that the forms meet it
// as they meet a model that gives none.
#pragma once

#include <string>
#include <vector>

// The model file's bytes: CUST ("Customers": CUST_ID, NAME, CITY; its orders ORDS in a
// child list), ORD (no title: ORD_ID, CUST_ID, NOTE, TOTAL = SUM(LINES:AMOUNT); its lines
// LINES behind a view button) and LINE (ORD_ID, LINE_NO, AMOUNT).
std::string DeskModel();
// The statements that create the model's tables.
std::vector<std::string> DeskTables();

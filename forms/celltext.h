// The text a record list shows for one attribute of a record: code-list texts, Y/N for
// bits, dates and times in the display form, masked passwords.
#pragma once

#include <string>

struct TAttribute;
class TDBRecord;

// The shown text of the attribute's value in the record.
std::string ListCellText(TDBRecord& record, const TAttribute& attribute);
// A column the lists leave out unless hidden columns are asked for: flag word "noshow".
bool IsNoShowColumn(const TAttribute& attribute);

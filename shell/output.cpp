// Writing the rows of a record list to a tab-separated, comma-separated or HTML file.
#include "shell/output.h"

#include <sql.h>
#include <sqlext.h>

#include <cstring>

#include "data/core/bufferedfile.h"
#include "data/core/datetime.h"
#include "data/db/database.h"
#include "data/db/odbcstatement.h"
#include "data/db/reclist.h"
#include "data/model/model.h"
#include "forms/celltext.h"

// ---- rows of a record list ----

TRecListRows::TRecListRows(TDBRecList& list, std::vector<int> columns, std::function<void()> fetchAll)
    : list_(list), columns_(std::move(columns)), fetchAll_(std::move(fetchAll)) {}

TEntity& TRecListRows::Entity() { return *list_.GetEntity(); }

int TRecListRows::ColumnCount() { return static_cast<int>(columns_.size()); }

const TAttribute& TRecListRows::ColumnAttribute(int column) {
  return list_.GetEntity()->Attributes[columns_[column]];
}

void TRecListRows::FetchAll() {
  if (fetchAll_) return fetchAll_();
  while (list_.HasMore() && list_.GetRecord(list_.Count())) {
  }
}

int TRecListRows::Count() { return list_.Count(); }

bool TRecListRows::RowValues(int row, std::vector<std::string>& values) {
  values.clear();
  TDBRecord* record = list_.GetRecord(row);
  if (!record) return false;
  for (int position : columns_) values.push_back(ListCellText(*record, list_.GetEntity()->Attributes[position]));
  return true;
}

std::vector<int> StoredAttributeColumns(const TEntity& entity) {
  std::vector<int> columns;
  for (int i = 0; i < entity.AttributeCount; ++i)
    if (IsStoredAttribute(entity.Attributes[i])) columns.push_back(i);
  return columns;
}

// ---- formats and names ----

const char* const OutputFormatNames[OUTPUT_FORMAT_COUNT] = {"Tab delimited text", "Comma seperated text",
                                                            "HTML text"};

namespace {
const char* const formatExtensions[OUTPUT_FORMAT_COUNT] = {".txt", ".csv", ".htm"};

// Where the extension of the name's last part begins, or npos when it has none.
size_t ExtensionStart(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  const size_t separator = name.find_last_of("\\/:");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return std::string::npos;
  return dot;
}
}  // namespace

int OutputFormatIndex(const char* text) {
  for (int i = 0; i < OUTPUT_FORMAT_COUNT; ++i)
    if (std::strcmp(text, OutputFormatNames[i]) == 0) return i;
  return -1;
}

std::string WithOutputExtension(const std::string& name, TOutputFormat format) {
  return name.substr(0, ExtensionStart(name)) + formatExtensions[format];
}

std::string CompanionFileName(const std::string& pageName) { return WithOutputExtension(pageName, OUTPUT_COMMA); }

std::string CsvField(const std::string& value) {
  std::string field = "\"";
  for (char c : value) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + '"';
}

std::string HtmlText(const std::string& value) {
  std::string text;
  for (char c : value) {
    switch (c) {
      case '&': text += "&amp;"; break;
      case '<': text += "&lt;"; break;
      case '>': text += "&gt;"; break;
      case '"': text += "&quot;"; break;
      case '\'': text += "&#39;"; break;
      default: text += c;
    }
  }
  return text;
}

// ---- the Company heading ----

void TNameValueList::Set(const std::string& name, const std::string& value) {
  for (auto& pair : pairs_)
    if (_stricmp(pair.first.c_str(), name.c_str()) == 0) {
      pair.second = value;
      return;
    }
  pairs_.emplace_back(name, value);
}

const std::string& TNameValueList::Get(const std::string& name) const {
  static const std::string empty;
  for (auto& pair : pairs_)
    if (_stricmp(pair.first.c_str(), name.c_str()) == 0) return pair.second;
  return empty;
}

namespace {
const char* const companyColumns[] = {"REPORT_BY", "NAME",  "CONTACT",   "ADDRESS", "SUBURB",
                                      "STATE",     "POSTCODE", "PHONE", "FAX",     "EMAIL",
                                      "SALES_TAX", "ABN",   "ACN",       "WEB_SITE"};
}

bool ReadCompanyHeading(TNameValueList& company) {
  if (!OdbcEnvironment) return false;
  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  if (!connection.IsConnected()) return false;
  TOdbcStatement statement(&connection);
  const char* query =
      "select REPORT_BY,NAME,CONTACT,ADDRESS,SUBURB,STATE,POSTCODE,PHONE"
      ",FAX,EMAIL,SALES_TAX,ABN,ACN,WEB_SITE from Company"
      " WHERE REPORT_BY = 'Yes'";
  if (!SQL_SUCCEEDED(statement.ExecDirect(query))) return false;
  if (!SQL_SUCCEEDED(statement.Fetch())) return false;
  char value[8192];
  for (const char* column : companyColumns) {
    statement.GetDataByName(column, value, sizeof value);
    company.Set(column, value);
  }
  statement.CloseCursor();
  return true;
}

// ---- writing ----

namespace {

const char* const styleSheet[] = {
    "<style type=\"text/css\">\n", "body{font-family:verdana;font-size:8pt;}\n", "td{font-family:verdana;\n",
    "   font-size:8pt}\n", "tr{font-family:verdana;font-size:8pt;}\n", ".blank{background-color:#FFFFFF;}\n",
    ".title{font-family:verdana;\n", "       background-color:#A6CAF0;\n", "       color:black;\n",
    "       font-weight:bold;\n", "       font-size:8pt}\n", ".even{font-family:verdana;\n",
    "       background-color:white;\n", "       color:black;\n", "       font-size:8pt}\n",
    ".odd{font-family:verdana;\n", "       background-color:#EEEEEE;\n", "       color:black;\n",
    "       font-size:8pt}\n", "</style>\n"};

// The optional lines of the heading: the Company column, the element id, the label.
struct THeadingLine {
  const char* column;
  const char* id;
  const char* label;
};
const THeadingLine headingLines[] = {{"ADDRESS", "address", "Address"},
                                     {"PHONE", "phone", "Phone"},
                                     {"FAX", "fax", "Fax"},
                                     {"EMAIL", "email", "Email"},
                                     {"WEB_SITE", "website", "Web Site"}};

std::string Printf(const char* format, const std::string& a, const std::string& b = "") {
  std::string text(format);
  const size_t first = text.find("%s");
  if (first != std::string::npos) {
    text.replace(first, 2, a);
    const size_t second = text.find("%s", first + a.size());
    if (second != std::string::npos) text.replace(second, 2, b);
  }
  return text;
}

// A text for a mailto link: everything but letters and digits as %XX.
std::string UrlText(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string result;
  for (unsigned char c : text) {
    if (isalnum(c)) {
      result += static_cast<char>(c);
    } else {
      result += '%';
      result += hex[c >> 4];
      result += hex[c & 15];
    }
  }
  return result;
}

// Writes lines to the page (or the text file) and to the companion; line ends are written
// as CR LF by the writer, so values reach the file byte for byte.
class TOutputWriter {
public:
  TOutputWriter(TOutputRows& rows, const TOutputOptions& options, TOutputOutcome& outcome)
      : rows_(rows), options_(options), outcome_(outcome) {
    for (int c = 0; c < rows.ColumnCount(); ++c)
      if (options.allFields || !IsNoShowColumn(rows.ColumnAttribute(c))) visible_.push_back(c);
  }
  ~TOutputWriter() {
    if (companion_) FileClose(companion_);
    if (file_) FileClose(file_);
  }

  bool Open(const std::string& path) {
    file_ = FileOpen(path.c_str(), "wb");
    outcome_.created = file_ != nullptr;
    if (file_ && options_.format == OUTPUT_HTML) {
      outcome_.companion = CompanionFileName(path);
      companion_ = FileOpen(outcome_.companion.c_str(), "wb");
      outcome_.companionFailed = companion_ == nullptr;
    }
    return file_ != nullptr;
  }

  void Write(const TOutputProgress& progress) {
    if (options_.format == OUTPUT_HTML) WritePageHead();
    if (options_.headings) WriteHeadingRow();
    const int count = rows_.Count();
    std::vector<std::string> values;
    for (int r = 0; r < count; ++r) {
      if (!rows_.RowValues(r, values)) UnreadableRow(values);
      WriteRow(r, values);
      if (progress) progress(static_cast<int>(static_cast<long long>(r) * 100 / count));
    }
    if (options_.format == OUTPUT_HTML) Page("</table>\n</body>\n</html>\n");
    outcome_.records = count;
    if (progress) progress(100);
  }

private:
  void Put(TBufferedFile* file, const std::string& text) {
    if (!file) return;
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
      if (c == '\n') out += '\r';
      out += c;
    }
    if (FilePuts(out.c_str(), file) != 0) outcome_.writeFailed = true;
  }
  // Raw values go through Value, never through Put's line-end conversion.
  void PutRaw(TBufferedFile* file, const std::string& text) {
    if (file && !text.empty() && FileWrite(text.data(), 1, text.size(), file) != text.size())
      outcome_.writeFailed = true;
  }
  void Page(const std::string& text) { Put(file_, text); }
  void Companion(const std::string& text) { Put(companion_, text); }

  std::string Title() const {
    return Printf("%s: Output of records from the %s Table", HtmlText(TheModel.ModelName),
                  HtmlText(rows_.Entity().Caption));
  }

  void WritePageHead() {
    Page("<html>\n");
    Page("<head>\n");
    Page("<title>" + Title() + "</title>\n");
    for (const char* line : styleSheet) Page(line);
    TNameValueList company;
    if (!ReadCompanyHeading(company)) {
      Page("</head>\n");
      Page("<body>\n");
    } else {
      WriteHideScript(company);
      WriteHeading(company);
    }
    Page("<table cellspacing=1 cellpadding=2 border=0 width=100%>\n");
  }

  void WriteHideScript(const TNameValueList& company) {
    Page("<SCRIPT>\n");
    Page("function hrh() {\n");
    Page("    brandad.style.display='none';\n");
    Page("    license.style.display='none';\n");
    for (const THeadingLine& line : headingLines)
      if (!company.Get(line.column).empty()) Page(std::string("    ") + line.id + ".style.display='none';\n");
    for (const char* id : {"hr1", "hr2", "help", "csv", "info", "hide"})
      if (strcmp(id, "help") != 0 || !company.Get("EMAIL").empty())
        Page(std::string("    ") + id + ".style.display='none';\n");
    Page("}\n");
    Page("</SCRIPT>\n");
    Page("</head>\n");
    Page("<body>\n");
  }

  void WriteHeading(const TNameValueList& company) {
    // The logo links to the company's own web site; without one it stands alone.
    const std::string logo = "<img src='brandad.jpg' border=0 alt='' "
                             "style='LEFT: 657px; POSITION: absolute; TOP: 18px; Z-INDEX: 100'>";
    const std::string& site = company.Get("WEB_SITE");
    if (site.empty())
      Page("<span id=brandad>" + logo + "</span>\n");
    else
      Page("<a id=brandad href='" + HtmlText(site) + "'>" + logo + "</a>\n");
    Page("<TABLE>\n");
    Page(" <TR id=license class='blank'><TD class='blank'>\n");
    Page("  " + HtmlText(company.Get("NAME")));
    Page("</TD></TR>\n");
    for (const THeadingLine& line : headingLines) {
      const std::string& value = company.Get(line.column);
      if (value.empty()) continue;
      Page(std::string(" <TR id=") + line.id + " class='blank'><TD class='blank'>\n");
      Page(std::string("  <p><B>") + line.label + ": " + HtmlText(value) + "</B></p>\n");
      Page(" </TD></TR>\n");
    }
    Page("</TABLE>\n");
    Page("<HR id=hr1>\n");
    Page("<TABLE width='100%'>\n");
    Page(" <TR><TD align='CENTER' class='odd'>\n");
    Page("  <p><B>" + Title() + "</B></p>\n");
    Page(" </TD>\n");
    Page(" <TD align='CENTER' class='odd'>\n");
    char today[16];
    Page(std::string("  <p><B>Report Date&nbsp;</b></br>") + IsoToDisplayDate(TodayText(today)) + "</p>\n");
    Page("  </Td>\n");
    Page("</TR>\n");
    Page("</TABLE>\n");
    Page("<HR id=hr2>\n");
    if (companion_) Page("<A id=csv HREF='" + HtmlText(CompanionLink()) + "'>Download CSV File</a>\n");
    const std::string subject = "Report of " + company.Get("NAME") + ": " + rows_.Entity().Caption + " Table";
    // Help is a mail to the company's own address, when it has one.
    const std::string& mail = company.Get("EMAIL");
    if (!mail.empty())
      Page("<a id=help href='mailto:" + HtmlText(mail) + "?subject=" + UrlText(subject) + "'>Help</a>\n");
    Page("&nbsp;&nbsp;\n");
    Page("<INPUT id=hide TYPE=button onclick='hrh()' VALUE='Hide Report Heading'>\n");
    Page("<p id=info>&nbsp;&nbsp;Click on Refresh button to restore</p>\n");
  }

  // The companion as the page links it: beside the page, so by its file name.
  std::string CompanionLink() const {
    const size_t separator = outcome_.companion.find_last_of("\\/:");
    return separator == std::string::npos ? outcome_.companion : outcome_.companion.substr(separator + 1);
  }

  void WriteHeadingRow() {
    std::string tabLine, commaLine, htmlRow = "<tr class='title'>\n";
    for (size_t i = 0; i < visible_.size(); ++i) {
      const std::string caption = rows_.ColumnAttribute(visible_[i]).Caption;
      if (i > 0) tabLine += '\t', commaLine += ',';
      tabLine += TabValue(caption);
      commaLine += CsvField(caption);
      htmlRow += "<td class='title'><b>" + HtmlText(caption) + "</b></td>\n";
    }
    switch (options_.format) {
      case OUTPUT_TAB: PutRaw(file_, tabLine); break;
      case OUTPUT_COMMA: PutRaw(file_, commaLine); break;
      case OUTPUT_HTML:
        Page(htmlRow + "</tr>");
        PutRaw(companion_, commaLine);
        Companion("\n");
        break;
    }
    Page("\n");
  }

  void WriteRow(int r, const std::vector<std::string>& values) {
    std::string tabLine, commaLine;
    for (size_t i = 0; i < visible_.size(); ++i) {
      const std::string& value = values[visible_[i]];
      if (i > 0) tabLine += '\t', commaLine += ',';
      tabLine += TabValue(value);
      commaLine += CsvField(value);
    }
    switch (options_.format) {
      case OUTPUT_TAB:
        PutRaw(file_, tabLine);
        Page("\n");
        break;
      case OUTPUT_COMMA:
        PutRaw(file_, commaLine);
        Page("\n");
        break;
      case OUTPUT_HTML: {
        Page(r % 2 ? "<tr class='odd'>\n" : "<tr class='even'>\n");
        for (int column : visible_) {
          const int type = rows_.ColumnAttribute(column).SqlType;
          const bool number = type == SQL_NUMERIC || type == SQL_DECIMAL || type == SQL_INTEGER;
          Page(number ? "<td class='odd' align='right'>" : "<td class='odd'>");
          PutRaw(file_, HtmlText(values[column]));
          Page("</td>\n");
        }
        Page("</tr>\n");
        PutRaw(companion_, commaLine);
        Companion("\n");
        break;
      }
    }
  }

  // A row whose record cannot be read shows "?", as in the list.
  void UnreadableRow(std::vector<std::string>& values) {
    values.assign(rows_.ColumnCount(), "");
    if (!values.empty()) values[0] = "?";
  }

  // A value in a tab-separated line: a TAB or line break inside it would start a new
  // column or row, so it becomes a blank.
  static std::string TabValue(std::string value) {
    for (char& c : value)
      if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return value;
  }

  TOutputRows& rows_;
  const TOutputOptions& options_;
  TOutputOutcome& outcome_;
  std::vector<int> visible_;
  TBufferedFile* file_ = nullptr;
  TBufferedFile* companion_ = nullptr;
};

}  // namespace

TOutputOutcome WriteOutputFile(TOutputRows& rows, const std::string& path, const TOutputOptions& options,
                               const TOutputProgress& progress) {
  TOutputOutcome outcome;
  TOutputWriter writer(rows, options, outcome);
  if (!writer.Open(path)) return outcome;
  rows.FetchAll();
  writer.Write(progress);
  return outcome;
}

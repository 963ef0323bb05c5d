// Output of records: every row of a record list written as tab-separated text, as
// comma-separated text or as an HTML page with a companion comma-separated file, and the
// "Output Records" dialog that asks for the file, the format and what to do afterwards.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "forms/basedlg.h"
#include "forms/controlids.h"

struct TAttribute;
struct TEntity;
class TDBRecList;

// What the output reads of a list on screen: its entity, its columns in order and the
// shown texts of its rows.
class TOutputRows {
public:
  virtual ~TOutputRows() = default;
  virtual TEntity& Entity() = 0;
  virtual int ColumnCount() = 0;
  virtual const TAttribute& ColumnAttribute(int column) = 0;
  // Fetches every row still pending.
  virtual void FetchAll() = 0;
  virtual int Count() = 0;
  // The shown text of every column of the row, or false when its record cannot be read.
  virtual bool RowValues(int row, std::vector<std::string>& values) = 0;
};

// The rows of a record list through a column table (attribute positions of its entity),
// as a record list box shows them. fetchAll is the box's own fetch (which keeps the
// windows live); without one the rows are fetched directly.
class TRecListRows : public TOutputRows {
public:
  TRecListRows(TDBRecList& list, std::vector<int> columns, std::function<void()> fetchAll = {});
  TEntity& Entity() override;
  int ColumnCount() override;
  const TAttribute& ColumnAttribute(int column) override;
  void FetchAll() override;
  int Count() override;
  bool RowValues(int row, std::vector<std::string>& values) override;

private:
  TDBRecList& list_;
  std::vector<int> columns_;
  std::function<void()> fetchAll_;
};

// The columns a list shows without a column text: every stored attribute in model order.
std::vector<int> StoredAttributeColumns(const TEntity& entity);

// Output formats, in the order of their names.
enum TOutputFormat { OUTPUT_TAB = 0, OUTPUT_COMMA = 1, OUTPUT_HTML = 2 };
constexpr int OUTPUT_FORMAT_COUNT = 3;
extern const char* const OutputFormatNames[OUTPUT_FORMAT_COUNT];
// The format whose name is the text, or -1.
int OutputFormatIndex(const char* text);
// The name with the format's extension in place of its own (only the last part of the
// name counts: a dot in a folder name is not an extension).
std::string WithOutputExtension(const std::string& name, TOutputFormat format);
// The comma-separated file written beside an HTML page: the page's name with ".csv".
std::string CompanionFileName(const std::string& pageName);

// A value between double quotes, its own double quotes doubled.
std::string CsvField(const std::string& value);
// A value as HTML text: '&', '<', '>' and both quotes as character references.
std::string HtmlText(const std::string& value);

// Name/value pairs; names compared without regard to case.
class TNameValueList {
public:
  void Set(const std::string& name, const std::string& value);
  // The value, or the empty text when the name is absent.
  const std::string& Get(const std::string& name) const;

private:
  std::vector<std::pair<std::string, std::string>> pairs_;
};

// The first row of the table Company whose REPORT_BY is 'Yes'; false when the query fails
// or finds none.
bool ReadCompanyHeading(TNameValueList& company);

struct TOutputOptions {
  TOutputFormat format = OUTPUT_COMMA;
  bool headings = true;
  bool allFields = false;  // "noshow" columns too
};

struct TOutputOutcome {
  bool created = false;         // the file could be created
  bool writeFailed = false;     // some text could not be written (disk full)
  long records = 0;
  std::string companion;        // HTML: the companion's name
  bool companionFailed = false; // HTML: the companion could not be created (the page has no link)
};

// Percent of the rows written so far.
using TOutputProgress = std::function<void(int percent)>;

// Fetches every row, then writes them to the file in the format. Nothing is written when
// the file cannot be created.
TOutputOutcome WriteOutputFile(TOutputRows& rows, const std::string& path, const TOutputOptions& options,
                               const TOutputProgress& progress = {});

// The "Output Records" dialog: modal, over the rows handed in as its initial parameter.
class TOutputRecordsDlg : public TBaseDlg {
public:
  TOutputRecordsDlg();
};

INT_PTR CALLBACK OutputRecordsDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog over the rows, owned by the window, until it is closed.
INT_PTR RunOutputRecords(HWND owner, TOutputRows& rows);

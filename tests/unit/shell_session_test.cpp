// The real program as a user meets it: vorn.exe started as a child process on a fresh copy
// of the sample application, as ./run.sh starts it, and a user's session walked through
// window messages, on SQLite and on the test PostgreSQL server (the sample's INI pointed at
// it). Every step is checked in the database, and every window opened is photographed into
// the screenshot folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "data/db/connectstrings.h"
#include "data/db/databaseopen.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "forms/controlids.h"
#include "shell/menus.h"
#include "support/dialog_watcher.h"
#include "support/login_helper.h"
#include "support/scratch_dir.h"
#include "support/screen_capture.h"

namespace {

// Menu commands of the sample's menu files: the n-th EDIT item, the n-th VIEW item.
constexpr int DEMO_EDIT_CUSTOMER = FIRST_EDIT_ID + 0;
constexpr int DEMO_EDIT_ORDER = FIRST_EDIT_ID + 2;
constexpr int DEMO_VIEW_CUSTOMERS = FIRST_VIEW_ID + 0;
constexpr int CLERK_EDIT_ORDER = FIRST_EDIT_ID + 1;  // the clerk's second EDIT item
// Attributes and relationships of the sample model, by their place in the entity.
constexpr int CUSTOMER_ID_FIELD = 0, CUSTOMER_NAME_FIELD = 1, CUSTOMER_PHONE_FIELD = 3;
constexpr int ORDER_ID_FIELD = 0, ORDER_TOTAL_FIELD = 4;
constexpr int ORDER_LINES_REL = 1;
constexpr int LINE_NO_FIELD = 1, LINE_PRODUCT_FIELD = 2, LINE_QUANTITY_FIELD = 3;
// Controls of the preferences dialog: the "Auto Find" box and Save.
constexpr int PREFS_AUTO_FIND = 173, PREFS_SAVE = 185;

constexpr DWORD WAIT_MS = 20000;

// Polls until the condition holds; false after the time-out.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = WAIT_MS) {
  for (DWORD waited = 0;; waited += 50) {
    if (condition()) return true;
    if (waited >= timeoutMs) return false;
    Sleep(50);
  }
}

std::string TextOf(HWND window) {
  char text[1024] = "";
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, nullptr);
  return text;
}

void SetText(HWND window, const std::string& text) {
  SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_BLOCK, 5000, nullptr);
}

// A message to a window of the program, answered within 5 s (0 after that).
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wParam, lParam, SMTO_BLOCK, 5000, &result);
  return static_cast<LRESULT>(result);
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The visible top-level window of the process with this class and title, waited for.
HWND WaitForWindow(DWORD pid, const char* windowClass, const std::string& title, DWORD timeoutMs = WAIT_MS) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        for (HWND w = FindWindowExA(nullptr, nullptr, windowClass, title.c_str()); w;
             w = FindWindowExA(nullptr, w, windowClass, title.c_str())) {
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          if (owner == pid && IsWindowVisible(w)) {
            found = w;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

// The control with this id anywhere under the window (a page of a paged form holds its own).
HWND Descendant(HWND window, int id) {
  struct TSearch {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(data);
        if (GetDlgCtrlID(child) != s->id || !IsWindowVisible(child)) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Memory in the program's process, for list view messages that carry a pointer.
class TRemoteBlock {
public:
  TRemoteBlock(HWND window, size_t size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~TRemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool Write(const void* data, size_t size, size_t at = 0) {
    return address_ && WriteProcessMemory(process_, static_cast<char*>(address_) + at, data, size, nullptr);
  }
  bool Read(void* data, size_t size, size_t at = 0) const {
    return address_ && ReadProcessMemory(process_, static_cast<char*>(address_) + at, data, size, nullptr);
  }
  LPARAM Address(size_t at = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + at); }

private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

int RowCount(HWND list) {
  DWORD_PTR rows = 0;
  SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_BLOCK, 5000, &rows);
  return static_cast<int>(rows);
}

std::string CellText(HWND list, int row, int column) {
  TRemoteBlock block(list, sizeof(LVITEMA) + 512);
  LVITEMA item{};
  item.iSubItem = column;
  item.cchTextMax = 512;
  item.pszText = reinterpret_cast<char*>(block.Address(sizeof item));
  char text[512] = "";
  if (!block.Write(&item, sizeof item)) return "<no access>";
  SendMessageTimeoutA(list, LVM_GETITEMTEXTA, row, block.Address(), SMTO_BLOCK, 5000, nullptr);
  block.Read(text, sizeof text - 1, sizeof item);
  return text;
}

void SelectRow(HWND list, int row) {
  TRemoteBlock block(list, sizeof(LVITEMA));
  LVITEMA item{};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  block.Write(&item, sizeof item);
  SendMessageTimeoutA(list, LVM_SETITEMSTATE, row, block.Address(), SMTO_BLOCK, 5000, nullptr);
}

enum class TServer { SQLite, PostgreSQL };

class UserSession : public ::testing::TestWithParam<TServer> {
protected:
  void SetUp() override {
    for (const char* name :
         {"vorn.dmd", "VORN.INI", "menu.ini", "clerk.ini", "vorn.sql", "utables.sql", "customers.csv"})
      ASSERT_TRUE(CopyFileA(WineZPath(std::string(VORN_SOURCE_DIR "/sample/") + name).c_str(), app_.File(name).c_str(),
                            FALSE))
          << name;
    if (GetParam() == TServer::PostgreSQL) PointAtTestServer();
    plan_ = PlanConnection(ReadNetworkSettings(app_.File("VORN.INI"), "VORN", "", ""), app_.path());
    ASSERT_TRUE(plan_.error.empty()) << plan_.error;
  }
  void TearDown() override {
    if (child_.started) child_.Wait(5000);
    if (GetParam() != TServer::PostgreSQL || database_.empty()) return;
    TOdbcEnv env;
    TOdbcConnection server(&env);
    if (!SQL_SUCCEEDED(server.DriverConnect(plan_.serverConnect.c_str(), 0))) return;
    TOdbcStatement drop(&server);
    drop.ExecDirect(("DROP DATABASE IF EXISTS " + database_).c_str());
  }

  // The sample's [Network] section for a database of its own on the test server.
  void PointAtTestServer() {
    const char* port = std::getenv("VORN_PG_PORT");
    ASSERT_TRUE(port && *port) << "VORN_PG_PORT is not set: run the tests through ./test.sh";
    char name[64];
    snprintf(name, sizeof name, "vorn_session_%lu_%lu", GetCurrentProcessId(), GetTickCount());
    database_ = name;
    const std::string ini = app_.File("VORN.INI");
    WritePrivateProfileStringA("Network", "Driver Name", "PostgreSQL ANSI", ini.c_str());
    WritePrivateProfileStringA("Network", "Server Name", (std::string("127.0.0.1:") + port).c_str(), ini.c_str());
    WritePrivateProfileStringA("Network", "Database", database_.c_str(), ini.c_str());
    WritePrivateProfileStringA("Network", "Trusted Connection", "N", ini.c_str());
    WritePrivateProfileStringA("Network", "Username", "postgres", ini.c_str());
  }

  // One value from the program's database, through the program's own connection.
  std::string Query(const std::string& sql) {
    const std::string rows = Rows(sql);
    return rows.empty() ? "<no row>" : rows.substr(0, rows.find('\n'));
  }
  // Every row of a query, its values joined by '|', one row a line (or what went wrong):
  // to compare a table before and after a step.
  std::string Rows(const std::string& sql) {
    TOdbcEnv env;
    TOdbcConnection connection(&env);
    if (!SQL_SUCCEEDED(connection.DriverConnect(plan_.databaseConnect.c_str(), 0)))
      return std::string("<no connection: ") + connection.GetDiagMessage() + ">";
    TOdbcStatement statement(&connection);
    if (!SQL_SUCCEEDED(statement.ExecDirect(sql.c_str()))) return std::string("<error: ") + statement.GetDiagMessage() + ">";
    const int columns = statement.NumResultCols();
    std::string rows;
    while (SQL_SUCCEEDED(statement.Fetch())) {
      for (int c = 0; c < columns; ++c) {
        char value[512] = "";
        rows += (c ? "|" : "") + std::string(statement.GetData(c, value, sizeof value) == SQL_NULL_DATA ? "<null>" : value);
      }
      rows += "\n";
    }
    return rows;
  }
  // The same for an amount, in cents: SQLite gives 115.0 where PostgreSQL gives 115.00.
  std::string Cents(const std::string& sql) {
    const std::string amount = Query(sql);
    if (amount.empty() || amount[0] == '<') return amount;
    return std::to_string(static_cast<long>(std::atof(amount.c_str()) * 100 + 0.5));
  }
  ::testing::AssertionResult HoldsCents(const std::string& sql, long expected) {
    std::string got;
    if (WaitFor([&] { return (got = Cents(sql)) == std::to_string(expected); })) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << sql << " gives " << got << " cents, not " << expected;
  }
  // Waits until the query gives the value (the program commits on its own time).
  ::testing::AssertionResult Holds(const std::string& sql, const std::string& expected) {
    std::string got;
    if (WaitFor([&] { return (got = Query(sql)) == expected; })) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << sql << " gives " << got << ", not " << expected;
  }

  // Other tests share the display: the window is raised above their windows for its picture.
  void Shot(HWND window, const char* name) {
    if (window) SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Sleep(300);
    const std::string server = GetParam() == TServer::SQLite ? "sqlite" : "postgres";
    SaveScreenBitmap(window, ScreenshotFolder() + "/session_" + server + "_" + name + ".bmp");
    if (window) SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  HWND MainWindow() { return WaitForWindow(child_.pid(), "VORN", "Vorn Order Desk"); }
  HWND Form(const char* title) { return WaitForWindow(child_.pid(), "EditDlg", title); }
  HWND Dialog(const char* title) { return WaitForWindow(child_.pid(), "#32770", title); }
  // The import wizard's sheet (the dialog that has a current page), or (sheet false) the
  // import window.
  HWND ImportWindow(bool sheet) {
    HWND found = nullptr;
    const char* title = sheet ? nullptr : "Import File";
    WaitFor([&] {
      for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", title); w; w = FindWindowExA(nullptr, w, "#32770", title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != child_.pid() || !IsWindowVisible(w)) continue;
        if ((Ask(w, PSM_GETCURRENTPAGEHWND) != 0) == sheet) found = w;
      }
      return found != nullptr;
    });
    return found;
  }
  ::testing::AssertionResult Closed(HWND window) {
    if (WaitFor([&] { return !IsWindow(window); })) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the window " << TextOf(window) << " stays open";
  }
  ::testing::AssertionResult Shows(HWND control, const std::string& expected) {
    std::string got;
    if (WaitFor([&] { return (got = TextOf(control)) == expected; }, 5000)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the control shows \"" << got << "\", not \"" << expected << "\"";
  }

  TScratchDir app_{"session"};
  TScratchDir out_{"sessionout"};
  TConnectPlan plan_;
  std::string database_;
  TChild child_;
};

TEST_P(UserSession, FromTheFirstStartToFileExit) {
  // First start: the program offers to create the database from the sample's scripts.
  ASSERT_TRUE(StartChild(child_, VornCommandLine(), app_.path().c_str()));
  ASSERT_TRUE(WatchAndPress(child_.pid(), "No database found", IDYES, 60000).found);
  ASSERT_TRUE(LogIn(child_.pid(), SAMPLE_USER, SAMPLE_PASSWORD));
  HWND main = MainWindow();
  ASSERT_TRUE(main);
  EXPECT_TRUE(Holds("SELECT COUNT(*) FROM CUSTOMER WHERE NAME LIKE 'Fjord%'", "2"));
  Shot(nullptr, "main");

  // Customer: Find by the first letters lists the matching rows; OK fills the form.
  PostMessageA(main, WM_COMMAND, DEMO_EDIT_CUSTOMER, 0);
  HWND customer = Form("Customer");
  ASSERT_TRUE(customer);
  SetText(GetDlgItem(customer, FieldId(CUSTOMER_NAME_FIELD)), "Fjord");
  Press(customer, FIND_BUTTON_ID);
  HWND found = Dialog("Found: Customer");
  ASSERT_TRUE(found) << "Find by first letters opened no find window: " << TextOf(GetDlgItem(customer, STATUS_LINE_ID));
  HWND list = GetDlgItem(found, LIST_ID);
  ASSERT_TRUE(WaitFor([&] { return RowCount(list) == 2; })) << RowCount(list) << " rows";
  EXPECT_EQ(CellText(list, 0, 1), "Fjord Ferries");
  EXPECT_EQ(CellText(list, 1, 1), "Fjord Fish");
  SelectRow(list, 1);
  Shot(found, "find_customer");
  Press(found, IDOK);
  ASSERT_TRUE(Closed(found));
  EXPECT_TRUE(Shows(GetDlgItem(customer, FieldId(CUSTOMER_NAME_FIELD)), "Fjord Fish"));
  EXPECT_TRUE(Shows(GetDlgItem(customer, FieldId(CUSTOMER_ID_FIELD)), "1"));

  // Next and Previous step through the customers, then a changed phone is saved.
  Press(customer, NEXT_BUTTON_ID);
  EXPECT_TRUE(WaitFor([&] { return TextOf(GetDlgItem(customer, FieldId(CUSTOMER_NAME_FIELD))) != "Fjord Fish"; }));
  Press(customer, PREVIOUS_BUTTON_ID);
  EXPECT_TRUE(Shows(GetDlgItem(customer, FieldId(CUSTOMER_NAME_FIELD)), "Fjord Fish"));
  const std::string shownId = TextOf(GetDlgItem(customer, FieldId(CUSTOMER_ID_FIELD)));
  SetText(GetDlgItem(customer, FieldId(CUSTOMER_PHONE_FIELD)), "555 9191");
  Press(customer, SAVE_BUTTON_ID);
  EXPECT_TRUE(Holds("SELECT PHONE FROM CUSTOMER WHERE CUST_ID = " + shownId, "555 9191"));
  Shot(customer, "customer_saved");
  PostMessageA(customer, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Closed(customer));

  // An order: a line added through its child list; the Total shows it at once; then deleted.
  PostMessageA(main, WM_COMMAND, DEMO_EDIT_ORDER, 0);
  HWND order = Form("Order");
  ASSERT_TRUE(order);
  HWND orderId = Descendant(order, FieldId(ORDER_ID_FIELD));
  ASSERT_TRUE(orderId);
  SetText(orderId, "1002");
  Press(order, FIND_BUTTON_ID);
  // One hit: the find window lists it selected (unless the user's preferences skip it).
  if (HWND hit = WaitForWindow(child_.pid(), "#32770", "Found: Order", 5000)) {
    EXPECT_TRUE(WaitFor([&] { return RowCount(GetDlgItem(hit, LIST_ID)) == 1; }));
    Shot(hit, "find_order");
    Press(hit, IDOK);
    ASSERT_TRUE(Closed(hit));
  }
  HWND total = Descendant(order, FieldId(ORDER_TOTAL_FIELD));
  ASSERT_TRUE(total);
  EXPECT_TRUE(Shows(total, "25.00"));
  HWND lines = Descendant(order, ChildListId(ORDER_LINES_REL));
  ASSERT_TRUE(lines);
  HWND page = GetParent(lines);
  EXPECT_TRUE(WaitFor([&] { return RowCount(lines) == 1; }));
  Shot(order, "order");
  Press(page, ChildAddButtonId(ORDER_LINES_REL));
  HWND line = Form("Order line");
  ASSERT_TRUE(line);
  EXPECT_TRUE(Shows(GetDlgItem(line, FieldId(0)), "1002"));
  SetText(GetDlgItem(line, FieldId(LINE_NO_FIELD)), "2");
  SetText(GetDlgItem(line, FieldId(LINE_PRODUCT_FIELD)), "4");
  SetText(GetDlgItem(line, FieldId(LINE_QUANTITY_FIELD)), "2");
  Shot(line, "order_line");
  Press(line, SAVE_BUTTON_ID);
  EXPECT_TRUE(HoldsCents("SELECT ORDER_TOTAL FROM ORDERS WHERE ORDER_ID = 1002", 11500));
  PostMessageA(line, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Closed(line));
  EXPECT_TRUE(Shows(total, "115.00")) << "the order's Total without Refresh";
  EXPECT_TRUE(WaitFor([&] { return RowCount(lines) == 2; })) << RowCount(lines) << " lines listed";
  Shot(order, "order_line_added");
  SelectRow(lines, 1);
  auto yes = WatchAndPressAsync(child_.pid(), "Order line", IDYES, 5000);
  Press(page, ChildDeleteButtonId(ORDER_LINES_REL));
  yes.wait();
  EXPECT_TRUE(Holds("SELECT COUNT(*) FROM ORDER_LINE WHERE ORDER_ID = 1002", "1"));
  EXPECT_TRUE(HoldsCents("SELECT ORDER_TOTAL FROM ORDERS WHERE ORDER_ID = 1002", 2500));
  EXPECT_TRUE(Shows(total, "25.00"));
  PostMessageA(order, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Closed(order));

  // Report: the list of customers written as HTML and as CSV.
  PostMessageA(main, WM_COMMAND, DEMO_VIEW_CUSTOMERS, 0);
  HWND view = WaitForWindow(child_.pid(), "ViewDlg", "View Customer");
  ASSERT_TRUE(view);
  EXPECT_TRUE(WaitFor([&] { return RowCount(GetDlgItem(view, LIST_ID)) == 8; }));
  Shot(view, "view_customers");
  for (const char* format : {"HTML text", "Comma seperated text"}) {
    SCOPED_TRACE(format);
    Press(view, REPORT_BUTTON_ID);
    HWND output = Dialog("Output Records");
    ASSERT_TRUE(output);
    const std::string base = out_.File("customers");
    HWND combo = GetDlgItem(output, OUTPUT_FORMAT);
    SendMessageTimeoutA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(format), SMTO_BLOCK,
                        5000, nullptr);
    SendMessageTimeoutA(output, WM_COMMAND, MAKEWPARAM(OUTPUT_FORMAT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo),
                        SMTO_BLOCK, 5000, nullptr);
    SetText(GetDlgItem(output, OUTPUT_FILE_NAME), base + (format[0] == 'H' ? ".htm" : ".csv"));
    SendMessageTimeoutA(GetDlgItem(output, OUTPUT_CREATE), BM_CLICK, 0, 0, SMTO_BLOCK, 5000, nullptr);
    Press(output, OUTPUT_PROCESS);
    EXPECT_TRUE(WaitFor([&] { return TextOf(GetDlgItem(output, OUTPUT_STATUS)).rfind("Output 8 records", 0) == 0; }))
        << TextOf(GetDlgItem(output, OUTPUT_STATUS));
    Shot(output, format[0] == 'H' ? "output_html" : "output_csv");
    Press(output, OUTPUT_CLOSE);
    EXPECT_TRUE(Closed(output));
  }
  const std::string page1 = TScratchDir::Read(out_.File("customers.htm"));
  EXPECT_NE(page1.find("Fjord Ferries"), std::string::npos);
  EXPECT_NE(page1.find("Sunde Stationers"), std::string::npos);
  const std::string csv = TScratchDir::Read(out_.File("customers.csv"));
  EXPECT_NE(csv.find("Nordic Timber"), std::string::npos) << csv;
  PostMessageA(view, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Closed(view));

  // Import: the sample's customers.csv through the wizard, opened by the customer form's
  // Import button; every page is gone through as a user does, and only the file's five
  // customers arrive.
  const std::string customersBefore = Rows("SELECT * FROM CUSTOMER ORDER BY CUST_ID");
  std::string othersBefore;
  for (const char* table : {"CONTACT", "ORDERS", "ORDER_LINE", "PRODUCT"})
    othersBefore += Rows(std::string("SELECT * FROM ") + table + " ORDER BY 1, 2");
  PostMessageA(main, WM_COMMAND, DEMO_EDIT_CUSTOMER, 0);
  HWND importer = Form("Customer");
  ASSERT_TRUE(importer);
  Press(importer, IMPORT_BUTTON_ID);
  HWND sheet = ImportWindow(true);
  ASSERT_TRUE(sheet) << "the Import button opened no wizard";
  auto currentPage = [&] {
    return reinterpret_cast<HWND>(Ask(sheet, PSM_GETCURRENTPAGEHWND));
  };
  HWND wizardPage = currentPage();
  // Next, and the page that follows; null when the page stays (its status says why).
  auto next = [&]() -> HWND {
    HWND left = wizardPage;
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    if (!WaitFor([&] { return currentPage() != left; }, 5000)) {
      ADD_FAILURE() << "the page stays: " << TextOf(GetDlgItem(left, IMPORT_STATUS));
      return nullptr;
    }
    return wizardPage = currentPage();
  };
  ASSERT_TRUE(wizardPage);
  EXPECT_TRUE(Shows(GetDlgItem(wizardPage, IMPORT_TEMPLATE_NAME), "My Template"));
  Shot(sheet, "import_template");
  ASSERT_TRUE(next());
  EXPECT_TRUE(Shows(GetDlgItem(wizardPage, IMPORT_TABLE), "Customer"));
  const std::string csvFile = app_.File("customers.csv");
  SetText(GetDlgItem(wizardPage, IMPORT_INPUT_FILE), csvFile);
  Shot(sheet, "import_source");
  ASSERT_TRUE(next());
  EXPECT_EQ(Ask(GetDlgItem(wizardPage, IMPORT_COMMA), BM_GETCHECK), BST_CHECKED);
  EXPECT_EQ(Ask(GetDlgItem(wizardPage, IMPORT_FIELD_NAMES), BM_GETCHECK), BST_CHECKED);
  HWND preview = GetDlgItem(wizardPage, IMPORT_PREVIEW_LIST);
  EXPECT_TRUE(WaitFor([&] { return RowCount(preview) == 4; })) << RowCount(preview) << " rows in the preview";
  EXPECT_EQ(CellText(preview, 0, 1), "Fjord Fish, Ltd");
  Shot(sheet, "import_separator");
  ASSERT_TRUE(next());
  HWND mapping = GetDlgItem(wizardPage, IMPORT_MAPPING_LIST);
  ASSERT_TRUE(WaitFor([&] { return RowCount(mapping) == 4; })) << RowCount(mapping) << " columns to map";
  const char* const targets[][2] = {{"*Customer no.", "Customer no."}, {"*Name", "Name"}, {"City [", "City"},
                                    {"Phone [", "Phone"}};
  for (int row = 0; row < 4; ++row) {
    SelectRow(mapping, row);
    HWND combo = GetDlgItem(wizardPage, IMPORT_MAPPING_TARGET);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(combo) != FALSE; }, 5000)) << "row " << row;
    SendMessageTimeoutA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(targets[row][0]),
                        SMTO_BLOCK, 5000, nullptr);
    SendMessageTimeoutA(wizardPage, WM_COMMAND, MAKEWPARAM(IMPORT_MAPPING_TARGET, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo), SMTO_BLOCK, 5000, nullptr);
    EXPECT_EQ(CellText(mapping, row, 1), targets[row][1]);
  }
  Shot(sheet, "import_mapping");
  ASSERT_TRUE(next());
  Shot(sheet, "import_values");
  ASSERT_TRUE(next());
  EXPECT_TRUE(WaitFor([&] { return Ask(GetDlgItem(wizardPage, IMPORT_SUMMARY_LIST), LB_GETCOUNT) > 0; }));
  Shot(sheet, "import_summary");
  PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
  EXPECT_TRUE(Closed(sheet));
  HWND run = ImportWindow(false);
  ASSERT_TRUE(run) << "Finish started no import";
  HWND progress = GetDlgItem(run, IMPORT_PROGRESS_LIST);
  // Wine hands a list box's text to another process in UTF-16 whichever call asks for it.
  auto lastLine = [&] {
    wchar_t text[512] = L"";
    DWORD_PTR count = 0;
    SendMessageTimeoutW(progress, LB_GETCOUNT, 0, 0, SMTO_BLOCK, 5000, &count);
    if (count > 0)
      SendMessageTimeoutW(progress, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, nullptr);
    char line[512] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, line, sizeof line, nullptr, nullptr);
    return std::string(line);
  };
  EXPECT_TRUE(WaitFor([&] {
    return TextOf(GetDlgItem(run, IMPORT_PROGRESS_BUTTON)) == "&Close" &&
           lastLine() == "5 lines processed, 5 records inserted, 0 records updated.";
  })) << lastLine();
  Shot(run, "import_run");
  Press(run, IMPORT_PROGRESS_BUTTON);
  EXPECT_TRUE(Closed(run));
  EXPECT_TRUE(Holds("SELECT COUNT(*) FROM CUSTOMER", "13"));
  EXPECT_TRUE(Holds("SELECT COUNT(*) FROM CUSTOMER WHERE CUST_ID BETWEEN 101 AND 105", "5"));
  EXPECT_EQ(Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID = 101"), "Fjord Fish, Ltd");
  EXPECT_EQ(Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID = 103"), "The \"Best\" Bakery");
  EXPECT_EQ(Query("SELECT CITY || '|' || PHONE FROM CUSTOMER WHERE CUST_ID = 105"), "Svolvaer|555 0105");
  EXPECT_EQ(Rows("SELECT * FROM CUSTOMER WHERE CUST_ID < 101 ORDER BY CUST_ID"), customersBefore);
  std::string othersAfter;
  for (const char* table : {"CONTACT", "ORDERS", "ORDER_LINE", "PRODUCT"})
    othersAfter += Rows(std::string("SELECT * FROM ") + table + " ORDER BY 1, 2");
  EXPECT_EQ(othersAfter, othersBefore);
  // The template is kept in the start-up folder for the next import.
  EXPECT_NE(GetFileAttributesA(app_.File("My_Template.tpl").c_str()), INVALID_FILE_ATTRIBUTES);
  PostMessageA(importer, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Closed(importer));

  // Preferences saved for the demo user.
  PostMessageA(main, WM_COMMAND, CMD_PREFERENCES, 0);
  HWND preferences = Dialog("Preferences");
  ASSERT_TRUE(preferences);
  Shot(preferences, "preferences");
  SendMessageTimeoutA(GetDlgItem(preferences, PREFS_AUTO_FIND), BM_CLICK, 0, 0, SMTO_BLOCK, 5000, nullptr);
  auto save = WatchAndPressAsync(child_.pid(), "Save Preferences", IDYES, WAIT_MS);
  Press(preferences, PREFS_SAVE);
  EXPECT_TRUE(save.get().found);
  EXPECT_TRUE(Closed(preferences));
  EXPECT_TRUE(Holds("SELECT COUNT(*) FROM User_Preferences WHERE USER_ID = 'DEMO' AND Pref_Name = 'Auto_Find'", "1"));

  // Log out; the clerk logs in and his own menus are in place: his second EDIT item is Order.
  PostMessageA(main, WM_COMMAND, CMD_LOGOUT, 0);
  ASSERT_TRUE(LogIn(child_.pid(), SAMPLE_CLERK, SAMPLE_CLERK_PASSWORD, WAIT_MS));
  Sleep(500);
  Shot(nullptr, "clerk_main");
  PostMessageA(main, WM_COMMAND, CLERK_EDIT_ORDER, 0);
  HWND clerkOrder = Form("Order");
  EXPECT_TRUE(clerkOrder) << "the clerk's menu file gives no Order item";
  if (clerkOrder) {
    PostMessageA(clerkOrder, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Closed(clerkOrder));
  }

  // File > Exit ends the program normally.
  PostMessageA(main, WM_COMMAND, CMD_EXIT, 0);
  EXPECT_EQ(child_.Wait(WAIT_MS), 0);
}

INSTANTIATE_TEST_SUITE_P(Servers, UserSession, ::testing::Values(TServer::SQLite, TServer::PostgreSQL),
                         [](const ::testing::TestParamInfo<TServer>& info) {
                           return std::string(info.param == TServer::SQLite ? "SQLite" : "PostgreSQL");
                         });

}  // namespace

// The command interpreter: EDIT, VIEW, RAPTEL and report files, RUN, SHELL, DUMP, LOAD
// and FUNCTION commands.
#include "shell/commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "data/core/fileaction.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/db/sqltypes.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/editdlg.h"
#include "forms/reclistdlg.h"
#include "forms/windowmanager.h"
#include "forms/messagepump.h"
#include "shell/appwindow.h"
#include "shell/dumpload.h"
#include "shell/paramsdlg.h"
#include "shell/reportlib.h"
#include "shell/sqlscript.h"

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  const size_t n = std::strlen(prefix);
  return text.size() >= n && _strnicmp(text.c_str(), prefix, n) == 0;
}

bool EqualsNoCase(const std::string& text, const char* word) {
  return _stricmp(text.c_str(), word) == 0;
}

void Box(HWND window, const std::string& text, const char* caption, UINT icon) {
  ShowMessageBox(window, text.c_str(), caption, MB_OK | icon);
}

void UnavailableWindow(HWND owner, const char* what, const char* entity) {
  Box(owner, std::string("The ") + what + " of " + entity + " is not available in this program.",
      "Cannot run command", MB_ICONEXCLAMATION);
}

// EDIT: a fresh record on a new edit form of the entity, modeless and owned by the window.
HWND OpenEntityEditForm(const TEntity* entity, HWND owner) {
  TEditDlg* form = CreateEditDlg(NewDBRecord(entity->Name), TFormMode::NewRecord);
  if (!form) return nullptr;
  // A form that did not open is freed there (unless its window came and went, which freed it).
  // A window that went again while it was made (its handle may still come back) is no form.
  HWND window = OpenOwnedEditForm(form, owner);
  if (window && IsWindow(window)) return window;
  // A declined PIN has told the user already.
  if (!entity->PinProtected)
    Box(owner, std::string("The edit form of ") + entity->Name + " could not be opened.",
        "Cannot run command", MB_ICONEXCLAMATION);
  return nullptr;
}

HWND NoViewWindow(TDBRecList* list, HWND owner) {
  UnavailableWindow(owner, "record list window", list->GetEntity()->Name);
  delete list;
  return nullptr;
}

const TEntity* FindEntityOrReport(HWND window, const std::string& name) {
  const TEntity* entity = TheModel.FindEntity(name.c_str());
  if (!entity) {
    Box(window, "Unknown table " + name + ", please check your configuration file.",
        "Error: Unknown Table", MB_ICONHAND);
  }
  return entity;
}

std::string DoubledQuotes(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

int RunEdit(HWND window, const std::string& name) {
  const TEntity* entity = FindEntityOrReport(window, name);
  if (entity) OpenEditFormCall(entity, window);
  return 1;
}

int RunView(HWND window, const std::string& text) {
  const size_t nameStart = 5;
  size_t nameEnd = text.find(' ', nameStart);
  if (nameEnd == std::string::npos) nameEnd = text.size();
  const std::string name = text.substr(nameStart, nameEnd - nameStart);
  const TEntity* entity = FindEntityOrReport(window, name);
  if (!entity) return 1;

  auto list = std::make_unique<TDBRecList>(entity->Name);
  if (nameEnd >= text.size() || nameEnd + 1 == text.size()) {
    list->SelectWhere(FindOrderBy(entity->ColumnListText), nullptr, nullptr);
  } else {
    size_t at = text.find_first_not_of(' ', nameEnd);
    if (at == std::string::npos) at = text.size();
    TViewParameterList parameters;
    if (at < text.size() && text[at] == '[') at = ParseViewParameters(text, at + 1, &parameters);
    at = text.find_first_not_of(' ', at);
    std::string clause = at == std::string::npos ? "" : text.substr(at);
    if (parameters.Count() > 0) {
      MarkNumberParameters(clause, &parameters);
      auto* dialog = new TGetParametersDlg;
      const INT_PTR answer = AppWindowManager.RunModal(dialog, "GetParameters", window, 0,
                                                       reinterpret_cast<LPARAM>(&parameters));
      delete dialog;
      if (answer != 1) return 1;
      std::string substituted;
      if (!SubstituteViewParameters(clause, parameters, &substituted)) {
        Box(window, "A parameter outside quotes takes only a number; the list was not opened.",
            "Cannot run command", MB_ICONEXCLAMATION);
        return 1;
      }
      clause = substituted;
    }
    list->SelectWhere(clause.c_str(), nullptr, nullptr);
  }
  OpenViewWindowCall(list.release(), window);
  return 1;
}

int RunProgram(HWND window, const std::string& commandLine) {
  const UINT result = WinExec(commandLine.c_str(), static_cast<UINT>(RunShow));
  if (result < 32) Box(window, "Could not run external program", "Run", MB_ICONEXCLAMATION);
  return static_cast<int>(result);
}

int RunShell(HWND window, const std::string& file) {
  const INT_PTR result = OpenFileCall(window, file.c_str());
  if (result < 32) Box(window, "Could not open external file", "Shell", MB_ICONEXCLAMATION);
  return static_cast<int>(result);
}

bool ServiceMissing(HWND window, const void* service, const char* what) {
  if (service) return false;
  Box(window, std::string(what) + " is not available in this program.", "Cannot run command",
      MB_ICONEXCLAMATION);
  return true;
}

// DUMP and LOAD: the dialog, all tables, or one entity's table.
int RunTableCommand(HWND window, const std::string& text, bool dump) {
  const char* word = dump ? "DUMP" : "LOAD";
  const char* what = dump ? "Dumping tables" : "Loading tables";
  if (EqualsNoCase(text, word)) {
    auto dialog = dump ? TableServices.DumpDialog : TableServices.LoadDialog;
    if (!ServiceMissing(window, reinterpret_cast<const void*>(dialog), what)) dialog(window);
    return 1;
  }
  if (EqualsNoCase(text, dump ? "DUMP *" : "LOAD *")) {
    auto all = dump ? TableServices.DumpAll : TableServices.LoadAll;
    if (!ServiceMissing(window, reinterpret_cast<const void*>(all), what)) all(window);
    return 1;
  }
  const std::string name = text.size() > 5 ? text.substr(5) : "";
  const TEntity* entity = TheModel.FindEntity(name.c_str());
  if (!entity) {
    Box(window, "Table " + name + " does not exist!", "Dump", MB_ICONEXCLAMATION);
    return 1;
  }
  auto one = dump ? TableServices.DumpTable : TableServices.LoadTable;
  if (ServiceMissing(window, reinterpret_cast<const void*>(one), what)) return 1;
  const long count = one(window, entity->Name, DumpFileName(entity).c_str());
  char message[300];
  std::snprintf(message, sizeof message,
                dump ? "%ld records dumped from table %s." : "%ld records loaded into table %s.",
                count, entity->Name);
  Box(window, message, dump ? "Dump" : "Load", MB_ICONEXCLAMATION);
  return 1;
}

int RunFunction(HWND window, const std::string& name) {
  const int result = RunFunctionCommand(window, name.c_str());
  if (!result) Box(window, "Could not execute custom function", "Function", MB_ICONEXCLAMATION);
  return result;
}

}  // namespace

TOpenEditFormCall OpenEditFormCall = OpenEntityEditForm;
TOpenViewWindowCall OpenViewWindowCall = NoViewWindow;
TTableServices TableServices = {
    [](HWND window) { ShowDumpTablesDialog(window, false); },
    [](HWND window) { ShowDumpTablesDialog(window, true); },
    [](HWND window) { DumpAllTables(window); },
    [](HWND window) { LoadAllTables(window); },
    [](HWND window, const char* entity, const char* file) { return DumpTable(window, entity, file, nullptr); },
    [](HWND window, const char* entity, const char* file) { return LoadTable(window, entity, file); },
    ShowRunScriptDialog,
};

size_t ParseViewParameters(const std::string& text, size_t at, TViewParameterList* list) {
  const size_t close = text.find(']', at);
  const size_t end = close == std::string::npos ? text.size() : close;
  while (at < end) {
    while (at < end && (text[at] == ' ' || text[at] == ';')) ++at;
    if (at >= end) break;
    size_t next = text.find(';', at);
    if (next == std::string::npos || next > end) next = end;
    const std::string item = text.substr(at, next - at);
    TViewParameter parameter;
    const size_t equals = item.find('=');
    parameter.Name = item.substr(0, equals);
    if (equals != std::string::npos) {
      const std::string rest = item.substr(equals + 1);
      const size_t comma = rest.find(',');
      parameter.ValueText = rest.substr(0, comma);
      if (comma != std::string::npos)
        parameter.Kind = static_cast<double>(static_cast<long>(std::atof(rest.c_str() + comma + 1)));
    }
    list->Append(parameter);
    at = next;
  }
  return close == std::string::npos ? text.size() : close + 1;
}

namespace {

// Walks the clause as the VIEW command reads it: blank, quote, '=', '>' and '<' start a
// new word, and a '$' after a word that begins the name of a parameter (any case, the
// first in list order) is its placeholder. Each placeholder is replaced by what
// value(parameter, inside quotes) gives; every other character stays.
template <class TList, class TValue>
std::string ReplacePlaceholders(const std::string& clause, TList& list, TValue value) {
  std::string out;
  size_t wordStart = 0;
  bool quoted = false;
  for (char c : clause) {
    if (c == ' ' || c == '\'' || c == '=' || c == '>' || c == '<') {
      if (c == '\'') quoted = !quoted;
      out += c;
      wordStart = out.size();
      continue;
    }
    if (c == '$') {
      const std::string word = out.substr(wordStart);
      int match = -1;
      for (int i = 0; !word.empty() && match < 0 && i < list.Count(); ++i)
        if (_strnicmp(list[i].Name.c_str(), word.c_str(), word.size()) == 0) match = i;
      if (match >= 0) {
        out.replace(wordStart, std::string::npos, value(list[match], quoted));
        continue;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace

void MarkNumberParameters(const std::string& clause, TViewParameterList* list) {
  ReplacePlaceholders(clause, *list, [](TViewParameter& parameter, bool quoted) {
    if (!quoted && parameter.Kind == VIEW_PARAMETER_TEXT) parameter.NumberOnly = true;
    return std::string();
  });
}

bool SubstituteViewParameters(const std::string& clause, const TViewParameterList& list, std::string* sql) {
  bool refused = false;
  *sql = ReplacePlaceholders(clause, list, [&refused](const TViewParameter& parameter, bool quoted) {
    if (quoted) return DoubledQuotes(parameter.ValueText);
    // Outside quotes a typed text would be read as SQL: only a number goes in.
    if (parameter.Kind != VIEW_PARAMETER_TEXT) return parameter.ValueText;
    if (IsPlainNumber(parameter.ValueText)) return TrimmedBlanks(parameter.ValueText);
    refused = true;
    return std::string();
  });
  return !refused;
}

std::string DumpFileName(const TEntity* entity) {
  std::string name = *entity->FileNameText ? entity->FileNameText : entity->Name;
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  return name + ".dmp";
}

bool IsReportCommand(const std::string& text, std::string* reportFile) {
  if (StartsWithNoCase(text, "RAPTEL ")) {
    *reportFile = text.substr(7);
    return true;
  }
  // A report file alone: one word ending in ".TPT" or ".TPL".
  if (text.find(' ') != std::string::npos || text.size() < 4) return false;
  const std::string tail = text.substr(text.size() - 4);
  if (!EqualsNoCase(tail, ".TPT") && !EqualsNoCase(tail, ".TPL")) return false;
  *reportFile = text;
  return true;
}

int RunCommand(HWND window, const char* commandText) {
  const std::string text = commandText ? commandText : "";
  if (StartsWithNoCase(text, "EDIT ")) return RunEdit(window, text.substr(5));
  if (StartsWithNoCase(text, "VIEW ")) return RunView(window, text);
  std::string reportFile;
  if (IsReportCommand(text, &reportFile))
    return static_cast<int>(RunReportProgram(window, reportFile.c_str()));
  if (StartsWithNoCase(text, "RUN ")) return RunProgram(window, text.substr(4));
  if (StartsWithNoCase(text, "SHELL ")) return RunShell(window, text.substr(6));
  if (StartsWithNoCase(text, "DUMP")) return RunTableCommand(window, text, true);
  if (StartsWithNoCase(text, "LOAD")) return RunTableCommand(window, text, false);
  if (StartsWithNoCase(text, "FUNCTION ")) return RunFunction(window, text.substr(9));
  return 0;
}

int RunFunctionCommand(HWND window, const char* name) {
  if (_stricmp(name, "RunScript") == 0) {
    if (!ServiceMissing(window, reinterpret_cast<const void*>(TableServices.RunScriptDialog),
                        "Running scripts"))
      TableServices.RunScriptDialog(window);
    return 1;
  }
  return RunReportFunction(window, name) ? 1 : 0;
}

// The command line of an execute button.
#include "forms/commandline.h"

#include <cctype>
#include <cstdlib>

std::string CommandArgument(const char* value, bool quoted) {
  std::string text;
  for (const char* p = value; *p && text.size() < COMMAND_VALUE_LIMIT; ++p) {
    if (*p == '"') continue;
    text += (*p == '\r' || *p == '\n' || *p == '\t') ? ' ' : *p;
  }
  return quoted ? text : "\"" + text + "\"";
}

namespace {

// Puts the value in for every "%F" and "%f" of the command; the text put in is not
// searched again.
std::string ReplacePlaceHolders(const std::string& line, const char* value) {
  std::string out;
  for (size_t at = 0; at < line.size(); ++at) {
    if (line[at] == '%' && at + 1 < line.size() && (line[at + 1] == 'F' || line[at + 1] == 'f')) {
      const bool quoted = at > 0 && line[at - 1] == '"' && at + 2 < line.size() && line[at + 2] == '"';
      out += CommandArgument(value, quoted);
      ++at;
    } else {
      out += line[at];
    }
  }
  return out;
}

}  // namespace

TExecCommand ParseExecCommand(const char* iniValue, const char* fieldValue) {
  TExecCommand command;
  const char* p = iniValue;
  while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
  std::string line = iniValue;
  if (p != iniValue && *p == ',') {
    command.show = static_cast<UINT>(std::atoi(iniValue));
    line = p + 1;
  }
  command.line = ReplacePlaceHolders(line, fieldValue);
  return command;
}

// The command line of an execute button: the show mode in front of it and the field's
// value put in for "%F" and "%f" as one quoted, bounded argument.
#pragma once

#include <windows.h>

#include <string>

// Most characters of a field value put into a command line.
constexpr size_t COMMAND_VALUE_LIMIT = 512;

struct TExecCommand {
  std::string line;
  UINT show = SW_SHOWNORMAL;
};

// The value as one argument: without double quotes and line breaks, cut to the limit, and
// in double quotes unless quoted is set (the command quotes the place itself).
std::string CommandArgument(const char* value, bool quoted);
// "number,command" runs the command with the number as show mode; any other text is the
// command, shown normally. Every "%F", then every "%f", becomes the value.
TExecCommand ParseExecCommand(const char* iniValue, const char* fieldValue);

// Starting another program from an expression and waiting for it.
#pragma once

#include <string>

// The command line: the command text, then each argument up to the first empty one,
// as a blank and the argument in double quotes.
std::string BuildExternalCommandLine(const char* command, const char* const args[5]);

// The program part of a command line: up to and including the first ".exe", else the
// first blank-separated word.
std::string ExternalProgramOf(const std::string& commandLine);

// Starts the program and waits for its end (no message pumping); the window that had the
// focus gets it back. A program that cannot start gets the "Execute error!" box.
void RunExternalCommand(const char* command, const char* a1, const char* a2, const char* a3,
                        const char* a4, const char* a5);

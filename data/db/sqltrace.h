// SQL trace: the prepared statements and transaction calls, one line each, appended to
// "SQLSPY.LOG" in the current directory while the SQL spy flag is on.
#pragma once

// Off at start; the main window's debugging command switches it.
extern bool SqlSpyFlag;

// Appends one printf-style line to the trace file; returns the number of characters
// formatted. Callers test SqlSpyFlag first.
int SqlSpy(const char* format, ...);

// The "SelectDatabase" dialog: which SQL Server the installed program uses, and the local engine.
#pragma once

#include <windows.h>

#include <string>

// What the dialog chose; read by the run when it writes the [Network] keys.
struct TDatabaseChoice {
  std::string server;  // empty until chosen; "(local)" for this machine
  bool trusted = false;
  std::string user;
  std::string password;
  int localInstances = 0;
};

extern TDatabaseChoice DatabaseChoice;

// Modal: ends with 1 when a server was chosen, 0 on Cancel.
INT_PTR CALLBACK SelectDatabaseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

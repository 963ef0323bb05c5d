// Store and delete rights of a user on a table, kept in "URIGHTS".
#pragma once

#include <windows.h>

constexpr int RIGHT_STORE = 1;
constexpr int RIGHT_DELETE = 2;

// The rights bits of the user on the table (0 for an empty user id). When the user has
// no rights row and warn is set, the "Security Warning" box tells so on the owner.
int CheckUserRights(HWND owner, const char* table, const char* userId, bool warn);

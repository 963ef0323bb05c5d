// What the shell lends the edit form's buttons and the VIEW command's window: installed
// once at start-up.
#pragma once

// Fills FormShellCalls (custom functions, menus, the report program, the menu file) and
// lets the VIEW command open the related-records window.
void InstallFormButtonCalls();

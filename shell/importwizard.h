// The import wizard: six pages that fill the current import template (template, source
// file and table, separator, column mapping, fixed values, summary), then the window
// "ImportWizard" that runs the import and shows how it goes.
#pragma once

#include <windows.h>

#include "forms/controlids.h"

struct TEntity;

// Runs the wizard modally with the entity preselected as destination (may be null); when
// it ends with Finish the template is saved and the import window started, owned by the
// owner window. Refused, with a message, while an import runs.
void RunImportWizard(HWND owner, TEntity* entity);

// Starts the import window over the current template; null while another import runs.
HWND StartImportWindow(HWND owner);
// An import window is running its import now.
bool ImportIsRunning();

INT_PTR CALLBACK ImportProgressDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Puts the output dialog and the import wizard into the calls the forms start.
void InstallRecordTransferCalls();

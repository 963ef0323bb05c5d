// Work of the application shell that the forms start (the list windows' Report button,
// the edit form's Import button). The shell puts its calls here at start-up
// (InstallRecordTransferCalls), so the forms reach them without including the shell.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

struct TEntity;
class TDBRecList;

// Writes the rows of a list to a file ("Output Records", modal): the record list, the
// positions of its columns' attributes in their entity, and the list box's own fetch of
// every pending row (empty: the rows are fetched directly).
using TOutputRecordsCall = void (*)(HWND owner, TDBRecList& list, const std::vector<int>& columns,
                                    const std::function<void()>& fetchAll);
// Runs the import wizard with the entity preselected.
using TImportWizardCall = void (*)(HWND owner, TEntity* entity);

// Null until the shell installs them; a form whose call is missing does nothing.
extern TOutputRecordsCall OutputRecordsCall;
extern TImportWizardCall ImportWizardCall;

// The shell's calls that the forms start, empty until the shell installs them.
#include "forms/shellcalls.h"

TOutputRecordsCall OutputRecordsCall = nullptr;
TImportWizardCall ImportWizardCall = nullptr;

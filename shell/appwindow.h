// The main window's services as the shell reaches them: declared with the forms, which use them too.
#pragma once

#include "forms/appwindow.h"

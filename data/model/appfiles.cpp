#include "data/model/appfiles.h"

std::string ApplicationIniPath;

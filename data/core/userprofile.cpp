// The one user of the running program.
#include "data/core/userprofile.h"

#include "data/core/strings.h"

TUserProfile CurrentUser;

TUserProfile::TUserProfile()
    : UserId(EmptyString),
      Staff_Name(EmptyString),
      Start_up_File(EmptyString),
      User_Status(EmptyString),
      INI_File(EmptyString),
      on_exit_run(EmptyString) {}

TUserProfile::~TUserProfile() {
  FreeString(&UserId);
  FreeString(&Staff_Name);
  FreeString(&Start_up_File);
  FreeString(&User_Status);
  FreeString(&INI_File);
  FreeString(&on_exit_run);
}

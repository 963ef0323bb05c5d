// The one user of the running program, filled at login.
#pragma once

struct TUserProfile {
  char* UserId;
  char* Staff_Name;
  char* Start_up_File;
  char* User_Status;
  char* INI_File;
  char* on_exit_run;

  TUserProfile();
  ~TUserProfile();
  TUserProfile(const TUserProfile&) = delete;
  TUserProfile& operator=(const TUserProfile&) = delete;
};

extern TUserProfile CurrentUser;

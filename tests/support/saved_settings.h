// Saves every program-wide setting and puts it back at the end of the scope, so that a
// test that applies model parameters or reads an INI file leaves the next test unaffected.
#pragma once

#include <string>
#include <vector>

class TSavedSettings {
public:
  TSavedSettings();
  ~TSavedSettings();
  TSavedSettings(const TSavedSettings&) = delete;
  TSavedSettings& operator=(const TSavedSettings&) = delete;

private:
  std::vector<int> numbers_;
  std::vector<std::string> texts_;
  std::vector<const char*> names_;
};

// The settings store over the application's registry key, empty section.
#pragma once

#include "app/Settings.h"

class RegistryProfile : public Profile {
 public:
  int ReadInt(const char* name, int defaultValue) const override;
  void WriteInt(const char* name, int value) override;
};

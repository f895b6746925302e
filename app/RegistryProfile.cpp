#include "app/RegistryProfile.h"

#include "framework/App.h"

int RegistryProfile::ReadInt(const char* name, int defaultValue) const {
  return static_cast<int>(AfxGetApp()->GetProfileInt("", name, defaultValue));
}

void RegistryProfile::WriteInt(const char* name, int value) { AfxGetApp()->WriteProfileInt("", name, value); }

// A settings store in memory that remembers the order of writes.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/Settings.h"

class MemoryProfile : public Profile {
 public:
  int ReadInt(const char* name, int defaultValue) const override {
    auto it = values.find(name);
    return it == values.end() ? defaultValue : it->second;
  }
  void WriteInt(const char* name, int value) override {
    values[name] = value;
    writes.emplace_back(name, value);
  }

  std::map<std::string, int> values;
  std::vector<std::pair<std::string, int>> writes;
};

#include "tools/kit/arguments.h"

#include <algorithm>

namespace {
// A known option the mistyped one is close to: one is the other with letters
// added at the end ("--component", "--keys").
const char* Near(const std::string& arg, const std::vector<KitOption>& options) {
  for (const KitOption& s : options) {
    const std::string name = s.name;
    const size_t shorter = std::min(arg.size(), name.size());
    if (shorter > 3 && arg.compare(0, shorter, name, 0, shorter) == 0 && arg.size() + 2 >= name.size() &&
        name.size() + 2 >= arg.size()) {
      return s.name;
    }
  }
  return nullptr;
}
}  // namespace

bool ParseArguments(int argc, char** argv, const std::vector<KitOption>& options,
                    std::vector<std::string>* positional, std::string* error) {
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const KitOption* option = nullptr;
    for (const KitOption& s : options) {
      if (arg == s.name) option = &s;
    }
    if (option && option->flag) {
      *option->flag = true;
    } else if (option) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      *option->value = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      const size_t equals = arg.find('=');
      for (const KitOption& s : options) {
        if (equals != std::string::npos && s.value && arg.compare(0, equals, s.name) == 0) {
          *error = "unknown option '" + arg + "': write '" + arg.substr(0, equals) + " " + arg.substr(equals + 1) + "'";
          return false;
        }
      }
      const char* near = Near(arg, options);
      *error = "unknown option '" + arg + "'" + (near ? std::string(" (did you mean ") + near + "?)" : std::string());
      return false;
    } else {
      positional->push_back(arg);
    }
  }
  return true;
}

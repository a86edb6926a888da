#include "tools/kit/arguments.h"

#include <algorithm>

namespace {
// A known option the mistyped one is close to: one is the other with letters
// added at the end ("--component", "--keys").
const char* Near(const std::string& arg, const std::vector<ArgumentSpec>& specs) {
  for (const ArgumentSpec& s : specs) {
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

bool ParseArguments(int argc, char** argv, const std::vector<ArgumentSpec>& specs,
                    std::vector<std::string>* positional, std::string* error) {
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const ArgumentSpec* spec = nullptr;
    for (const ArgumentSpec& s : specs) {
      if (arg == s.name) spec = &s;
    }
    if (spec && spec->flag) {
      *spec->flag = true;
    } else if (spec) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      *spec->value = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      const size_t equals = arg.find('=');
      for (const ArgumentSpec& s : specs) {
        if (equals != std::string::npos && s.value && arg.compare(0, equals, s.name) == 0) {
          *error = "unknown option '" + arg + "': write '" + arg.substr(0, equals) + " " + arg.substr(equals + 1) + "'";
          return false;
        }
      }
      const char* near = Near(arg, specs);
      *error = "unknown option '" + arg + "'" + (near ? std::string(" (did you mean ") + near + "?)" : std::string());
      return false;
    } else {
      positional->push_back(arg);
    }
  }
  return true;
}

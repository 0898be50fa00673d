#pragma once
// The program's modules (the audio player, 成績, the history's database
// code) are shared libraries loaded when first needed. Each exports one
// extern "C" entry that returns its table of functions; the table starts
// with a ModuleHeader, so that a module left from another build is refused
// with a reason instead of being called through the wrong signatures.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace shurencho {

struct ModuleHeader {
  std::uint32_t abiVersion;
  // The whole table's size as the module was built.
  std::uint32_t size;
};

// The header a module puts first in its table of type Api.
template <class Api>
constexpr ModuleHeader ModuleHeaderOf() {
  return {Api::kAbiVersion, static_cast<std::uint32_t>(sizeof(Api))};
}

// Why the table behind `header` cannot be used as one of `size` bytes at
// `abiVersion` (in Japanese, naming the module `name`); empty when it can.
// A larger table is fine: a module may add functions at its end.
QString CheckModuleHeader(const ModuleHeader* header, std::uint32_t abiVersion, std::size_t size,
                          const char* name);

// The entry `symbol` of module `name` (no suffix), beside the program, else
// in the installed library folder; null with why in *error. Modules stay
// loaded.
using ModuleEntry = void (*)();
ModuleEntry ResolveModuleEntry(const char* name, const char* symbol, QString* error);

template <class Api>
struct ModuleLoad {
  const Api* api = nullptr;
  // Why api is null.
  QString error;
};

// The module of Api, a struct whose first member is `ModuleHeader header`
// and which names its file (kName), its entry (kEntry) and kAbiVersion.
// Loaded at the first call from any thread; every later call gets the same
// table, or the same reason it could not be had.
template <class Api>
const ModuleLoad<Api>& LoadModule() {
  static_assert(std::is_standard_layout_v<Api> && offsetof(Api, header) == 0);
  static const ModuleLoad<Api> loaded = [] {
    ModuleLoad<Api> result;
    const ModuleEntry entry = ResolveModuleEntry(Api::kName, Api::kEntry, &result.error);
    if (entry == nullptr) return result;
    // The one cast of a looked-up symbol: the entry returns the table it is
    // named for, and the header checked next refuses a table of another shape.
    const Api* api = reinterpret_cast<const Api* (*)()>(entry)();
    result.error =
        CheckModuleHeader(api != nullptr ? &api->header : nullptr, Api::kAbiVersion, sizeof(Api), Api::kName);
    if (result.error.isEmpty()) result.api = api;
    return result;
  }();
  return loaded;
}

}  // namespace shurencho

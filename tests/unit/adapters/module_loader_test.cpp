#include "adapters/module_loader.h"

#include <gtest/gtest.h>

namespace shurencho {
namespace {

struct TwoFunctions {
  static constexpr const char* kName = "shurencho_no_such_module";
  static constexpr const char* kEntry = "shurencho_no_such_module_table";
  static constexpr std::uint32_t kAbiVersion = 3;

  ModuleHeader header;
  void (*first)();
  void (*second)();
};

// A table from another build is refused with why; one with functions added
// at its end is taken.
TEST(ModuleLoader, ChecksTheTablesVersionAndSize) {
  const auto check = [](ModuleHeader header) {
    return CheckModuleHeader(&header, TwoFunctions::kAbiVersion, sizeof(TwoFunctions), TwoFunctions::kName);
  };
  const ModuleHeader ours = ModuleHeaderOf<TwoFunctions>();
  EXPECT_EQ(check(ours), QString());
  EXPECT_EQ(check({ours.abiVersion, ours.size + 8}), QString());
  EXPECT_TRUE(check({2, ours.size}).contains(QStringLiteral("版 2"))) << check({2, ours.size}).toStdString();
  EXPECT_FALSE(check({ours.abiVersion, ours.size - 8}).isEmpty());
  EXPECT_FALSE(CheckModuleHeader(nullptr, 3, sizeof(TwoFunctions), TwoFunctions::kName).isEmpty());
}

// A missing module gives no table, and every later use the same reason.
TEST(ModuleLoader, AMissingModuleIsToldAtEveryUse) {
  const ModuleLoad<TwoFunctions>& first = LoadModule<TwoFunctions>();
  EXPECT_EQ(first.api, nullptr);
  EXPECT_TRUE(first.error.contains(QLatin1String(TwoFunctions::kName))) << first.error.toStdString();
  EXPECT_EQ(LoadModule<TwoFunctions>().error, first.error);
}

}  // namespace
}  // namespace shurencho

// Who may change the simulated registry. On NT a user who is no
// administrator (admin=0) changes nothing below HKLM, while reading goes on;
// 9x has neither users nor access lists, so admin=0 and [protected] keys
// refuse nothing there.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "platform/win_codes.h"
#include "tests/support/temp_image.h"

namespace zr::sim {
namespace {

using namespace zr::win;
using testing::TempImage;

constexpr char kHklm[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
    "\"v\"=\"old\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Leaf]\r\n\r\n";

std::string WithoutAdmin(std::string ini) {
  const std::string admin = "admin=1";
  ini.replace(ini.find(admin), admin.size(), "admin=0");
  return ini;
}

std::unique_ptr<SimMachine> LoadUser(const TempImage& image, const std::string& ini) {
  image.Write("machine.ini", WithoutAdmin(ini));
  image.Write("HKLM.reg", kHklm);
  std::string error;
  auto machine = SimMachine::Load(image.Folder(), error);
  EXPECT_NE(machine, nullptr) << error;
  return machine;
}

std::uint32_t OpenAndClose(IRegistry& registry, const std::string& path, std::uint32_t access) {
  RegHandle key = 0x1234;
  const std::uint32_t rc = registry.OpenKey(path, access, key);
  if (rc == kSuccess) {
    EXPECT_EQ(registry.CloseKey(key), kSuccess);
  } else {
    EXPECT_EQ(key, IRegistry::kNoHandle);
  }
  return rc;
}

TEST(SimAccess, NtUserWhoIsNoAdministratorChangesNothing) {
  TempImage image;
  auto machine = LoadUser(image, TempImage::XpIni());
  ASSERT_NE(machine, nullptr);
  IRegistry& registry = machine->Registry();

  struct Row {
    const char* fact;
    std::uint32_t access;
    std::uint32_t rc;
  };
  const std::vector<Row> rows = {
      {"read", kKeyRead, kSuccess},
      {"query values", kKeyQueryValue, kSuccess},
      {"set values", kKeySetValue, kAccessDenied},
      {"create sub-keys", kKeyCreateSubKey, kAccessDenied},
      {"delete", kDelete, kAccessDenied},
      {"rewrite the access list", kWriteDac, kAccessDenied},
      {"all access", kKeyAllAccess, kAccessDenied},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    EXPECT_EQ(OpenAndClose(registry, "SOFTWARE\\Vendor", row.access), row.rc);
  }

  {
    SCOPED_TRACE("deleting a key through a reading handle is refused");
    RegHandle parent = IRegistry::kNoHandle;
    ASSERT_EQ(registry.OpenKey("SOFTWARE\\Vendor", kKeyQueryValue, parent), kSuccess);
    EXPECT_EQ(registry.DeleteKey(parent, "Leaf"), kAccessDenied);
    EXPECT_EQ(registry.CloseKey(parent), kSuccess);
    EXPECT_NE(machine->Tree().Find("SOFTWARE\\Vendor\\Leaf"), nullptr);
  }
  {
    SCOPED_TRACE("reading goes on");
    RegHandle key = IRegistry::kNoHandle;
    ASSERT_EQ(registry.OpenKey("SOFTWARE\\Vendor", kKeyQueryValue, key), kSuccess);
    std::uint8_t buffer[8] = {};
    std::uint32_t size = sizeof buffer;
    EXPECT_EQ(registry.QueryValue(key, "v", buffer, &size, nullptr), kSuccess);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), std::string("old", 4));
    EXPECT_EQ(registry.CloseKey(key), kSuccess);
  }
  EXPECT_FALSE(machine->Dirty());
  EXPECT_EQ(machine->OpenHandles(), 0);
}

TEST(SimAccess, On9xNeitherAdministratorFlagNorProtectedKeysRefuse) {
  TempImage image;
  auto machine = LoadUser(image, TempImage::Win98Ini() + "[protected]\nkey1=SOFTWARE\\Vendor\n");
  ASSERT_NE(machine, nullptr);
  IRegistry& registry = machine->Registry();

  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(registry.OpenKey("SOFTWARE\\Vendor", kKeyAllAccess, key), kSuccess);
  EXPECT_EQ(registry.ReplaceAccessList(key), kCallNotImplemented);
  const std::uint8_t data[] = {'n', 'e', 'w', 0};
  EXPECT_EQ(registry.SetValue(key, "v", kRegSz, data, sizeof data), kSuccess);
  EXPECT_EQ(registry.DeleteKey(key, "Leaf"), kSuccess);
  EXPECT_EQ(registry.CloseKey(key), kSuccess);
  EXPECT_EQ(machine->Tree().Find("SOFTWARE\\Vendor\\Leaf"), nullptr);

  RegHandle software = IRegistry::kNoHandle;
  ASSERT_EQ(registry.OpenKey("SOFTWARE", kKeyQueryValue, software), kSuccess);
  EXPECT_EQ(registry.DeleteKey(software, "Vendor"), kSuccess);
  EXPECT_EQ(registry.CloseKey(software), kSuccess);
  EXPECT_EQ(machine->Tree().Find("SOFTWARE\\Vendor"), nullptr);
  EXPECT_TRUE(machine->Dirty());
  EXPECT_EQ(machine->OpenHandles(), 0);
}

}  // namespace
}  // namespace zr::sim

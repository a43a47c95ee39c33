#include "bench/bounds_machine.h"

#include <cstdio>

namespace zr::bench {
namespace {

constexpr char kClassRoot[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr char kModemClass[] = "{4D36E96D-E325-11CE-BFC1-08002BE10318}";
constexpr char kNetClass[] = "{4D36E972-E325-11CE-BFC1-08002BE10318}";

}  // namespace

void ForEachUsbValue(const TextValueSink& sink) {
  const std::string enumRoot = std::string(kUsbEnumKey) + "\\";
  char name[96];
  for (int r = 0; r < kRoots; ++r) {
    std::snprintf(name, sizeof name, "Vid_%04x&Pid_%04x", 0x0E9C, r);
    const std::string root = enumRoot + name;
    for (int d = 0; d < kInstances; ++d) {
      const bool modem = d % 2 == 0;
      const int n = r * kInstances + d;
      std::snprintf(name, sizeof name, "\\6&%08x&0&%d", 0x1A2B3C00 + n, d + 1);
      const std::string instance = root + name;
      std::snprintf(name, sizeof name, "%s\\%04d", modem ? kModemClass : kNetClass, n);
      const std::string driver = name;
      sink(instance, "DeviceDesc", modem ? "tolvek ZR-77Q5K - USB" : "tolvek ZR-77Q5K USB-Lan Adapter");
      sink(instance, "Driver", driver);
      sink(instance, "ClassGUID", modem ? kModemClass : kNetClass);
      sink(instance, "Service", modem ? "Modem" : "tvkndis");
      const std::string parameters = instance + "\\Device Parameters";
      sink(parameters, "SymbolicName",
           "\\??\\USB#" + instance.substr(enumRoot.size()) + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
      sink(parameters, "PortName", "COM" + std::to_string(3 + n % 250));
      const std::string cls = kClassRoot + driver;
      sink(cls, "ResponsesKeyName", "tolvek ZR-77Q5K - USB#tolvek#Modem");
      sink(cls, "NetCfgInstanceId", "{5E3D3A4C-9F0B-4C1E-8D2A-" + std::to_string(100000000000 + n) + "}");
    }
  }
}

std::string OemInfText(int n) {
  const std::string line = "HKR,,Init1,,\"AT&F E0 V1 S0=0 &C1 &D2\"   ; filler of a large INF file\r\n";
  std::string text = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Modem\r\n[Strings]\r\n";
  const std::string tail =
      n == kOemInfs - 1 ? "Modem=\"tolvek ZR-77Q5K USB-Modem\"\r\n" : "Modem=\"Other USB-Modem\"\r\n";
  while (text.size() + line.size() + tail.size() <= kInfSize) text += line;
  text += std::string(kInfSize - text.size() - tail.size(), ';');
  text += tail;
  return text;
}

}  // namespace zr::bench

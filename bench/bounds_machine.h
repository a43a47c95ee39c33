// The machine at the detection bounds, shared by the benchmarks on the
// simulation and under Wine: the USB enumerator holds 128 hardware keys of
// 128 instances each, every instance with all the values the snapshot
// records (its parameters key and its class key included), and the INF
// folder holds 256 OEM INF files of 64 KiB, the modem's text only in the
// last. Half the instances are described as the modem, half as the adapter,
// so each detection finds a driver for every other instance.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace zr::bench {

inline constexpr int kRoots = 128;
inline constexpr int kInstances = 128;
inline constexpr int kOemInfs = 256;
inline constexpr std::size_t kInfSize = 64 * 1024;

// What the detections report on this machine: the modem word, the USB-LAN
// word, and the modem's INF table (one OEM INF and its PNF).
inline constexpr int kModemWord = 0x10028;
inline constexpr int kLanWord = 0x30;
inline constexpr int kModemInfEntries = 2;

// Below HKEY_LOCAL_MACHINE.
inline constexpr char kUsbEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum\\USB";

// Receives one REG_SZ value: its key's path below HKEY_LOCAL_MACHINE, its
// name and its text. The values of one key come one after another.
using TextValueSink = std::function<void(const std::string& key, const char* name, const std::string& text)>;

void ForEachUsbValue(const TextValueSink& sink);

// The bytes of oem<n>.inf: INF-like text of exactly kInfSize bytes.
std::string OemInfText(int n);

}  // namespace zr::bench

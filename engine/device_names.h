// The device's own names: the descriptions Windows records for it, the texts
// its INF files carry and its ids. Detection, removal and the pages all
// compare with these.
#pragma once

namespace zr::device {

// Descriptions of the device's instances.
inline constexpr char kPortAdapter[] = "tolvek ZR-77Q5K USB Port Adapter";  // 9x modem side
inline constexpr char kModemInstance[] = "tolvek ZR-77Q5K - USB";           // 2000/XP modem
inline constexpr char kLanAdapter[] = "tolvek ZR-77Q5K USB-Lan Adapter";    // USB-LAN, every Windows

// Texts that name the device in its INF files.
inline constexpr char kModemInfText[] = "tolvek ZR-77Q5K USB-Modem";
inline constexpr char kLanInfText[] = "tolvek ZR-77Q5K USB-Lan";

inline constexpr char kHardwareId[] = "VID_0E9C&PID_0012";
inline constexpr char kWdmModemId[] = "TKV0301";

// The USB enumerator keys of each Windows family.
inline constexpr char kUsbEnum9x[] = "Enum\\USB";
inline constexpr char kUsbEnumNt[] = "SYSTEM\\CurrentControlSet\\Enum\\USB";

}  // namespace zr::device

// The removal plan codes, one per driver kind (m_nModemPlan, m_nLanPlan):
// the detected-drivers page sets them from the detection words on every
// activation and dispatches the removal on them; the completion page
// restarts Windows when one is positive.
#pragma once

namespace zr::plan {

// Nothing to remove.
inline constexpr int kNotTicked = -1;
inline constexpr int kNothingFound = -2;
inline constexpr int kUnsupportedWindows = -4;  // neither 9x nor 2000/XP

// The modem side.
inline constexpr int kPortAdapter9x = 1;
inline constexpr int kWdm9x = 2;
inline constexpr int kWdmModem9x = 3;
inline constexpr int kModemEnumOnly9x = 4;  // only the device's USB enumeration entries
inline constexpr int kModemInfOnly9x = 5;
inline constexpr int kWdmModemNt = 6;
inline constexpr int kModemInfOnlyNt = 7;

// The USB-LAN side.
inline constexpr int kLan9x = 1;
inline constexpr int kLanInfOnly9x = 2;
inline constexpr int kLanEnumOnly9x = 3;  // only the device's USB enumeration entry
inline constexpr int kLanNt = 4;
inline constexpr int kLanInfOnlyNt = 5;

inline bool RemovesSomething(int code) { return code > 0; }

}  // namespace zr::plan

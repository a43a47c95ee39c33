// The install side's words in the wizard state: the plan bits of the driver
// sets to stage (m_nInstallPlan), which are also the bits of m_nInstallFound,
// and the progress of the device watch (m_nInstallState).
#pragma once

namespace zr::install {

// m_nInstallPlan and m_nInstallFound: one bit per driver set and family.
inline constexpr int kModemSet9x = 0x001;
inline constexpr int kLanSet9x = 0x002;
inline constexpr int kModemSetNt = 0x100;
inline constexpr int kLanSetNt = 0x200;

// m_nInstallFound when the flow has no detection page: the number 1 when
// anything was staged, not the plan bits.
inline constexpr int kStagedUnwatched = 1;

// m_nInstallState.
inline constexpr int kWatching = 0;
inline constexpr int kDeviceSeen = 1;  // or the watch was skipped
inline constexpr int kWatchTimedOut = 0x9999;

}  // namespace zr::install

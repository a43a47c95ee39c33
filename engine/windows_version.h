// What the version detection makes of the running Windows: its family
// (m_nWinKind), on which every detection and removal routine branches, and
// its version index (m_nWinVersion), on which the install side branches.
#pragma once

namespace zr {

// m_nWinKind.
inline constexpr int kWinKindOther = 0;
inline constexpr int kWinKind9x = 1;   // 95, 98, Me
inline constexpr int kWinKindNt = 2;   // 2000, XP
inline constexpr int kWinKindNt4 = 3;  // NT 4.0

// m_nWinVersion.
inline constexpr int kWinVersionOther = 0;
inline constexpr int kWinVersion3x = 1;  // 3.1, NT 3.51
inline constexpr int kWinVersion95 = 2;
inline constexpr int kWinVersion98 = 3;
inline constexpr int kWinVersionMe = 4;
inline constexpr int kWinVersionNt4 = 5;
inline constexpr int kWinVersion2000 = 6;
inline constexpr int kWinVersionXp = 7;

}  // namespace zr

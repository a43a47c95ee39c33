// The bits of the two detection words, m_nModemDetect (DetectModem) and
// m_nLanDetect (DetectUsbLan). Each word is built by OR from 0; readers test
// single bits, and the INF bit as the whole high half being 1.
#pragma once

namespace zr::detection {

// Modem word, 9x: a Usb class key described as the port adapter has no
// readable "DeviceKey". No reader looks at it.
inline constexpr int kPortAdapterWithoutDeviceKey = 0x01;
// Modem word, 9x: a Usb class key described as the port adapter has the
// device's "DeviceKey".
inline constexpr int kPortAdapterKey = 0x02;
// Modem word, 9x: a Wdm class key's "MatchingDeviceId" names the device.
inline constexpr int kWdmKey = 0x04;
// Modem word: on 9x a WdmModem class key's "MatchingDeviceId" names the
// device; on NT the snapshot holds the modem instance with its driver.
inline constexpr int kWdmModemKey = 0x08;
// USB-LAN word: on 9x a recorded USB-LAN instance's class key is described
// as the adapter; on NT the snapshot holds the adapter with its driver.
inline constexpr int kLanKey = 0x10;
// Both words: the USB enumeration found the instance with a driver.
inline constexpr int kEnumerated = 0x20;
// Both words: INF or PNF files of the device exist.
inline constexpr int kInfFiles = 0x10000;

// A word names INF or PNF files only when its high half is exactly 1.
inline bool InfFilesFound(int word) {
  return (static_cast<unsigned>(word) & 0xFFFF0000u) == static_cast<unsigned>(kInfFiles);
}

}  // namespace zr::detection

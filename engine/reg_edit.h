// CRegEdit: the driver engine. One object owns every buffer, table and flag
// that detection, capture, removal and staging share, and carries the
// wizard's shared state between the pages. The buffers are its own: the
// pages see the wizard state, the Windows version and the driver folders.
// It reaches Windows only through the platform object it is given, and the
// wizard only through the sheet window that the sheet stores in it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fixed_text.h"
#include "engine/profile_store.h"
#include "engine/wizard_state.h"
#include "platform/platform.h"

namespace zr {

// OSVERSIONINFOA as the version query fills it (148 bytes on Windows).
struct OsVersionInfo {
  std::uint32_t dwOSVersionInfoSize = 0;
  std::uint32_t dwMajorVersion = 0;
  std::uint32_t dwMinorVersion = 0;
  std::uint32_t dwBuildNumber = 0;
  std::uint32_t dwPlatformId = 0;
  char szCSDVersion[128] = {};
};

using Text260 = FixedText<260>;

class CRegEdit {
 public:
  static constexpr int kTreeRoots = 12;
  static constexpr int kInfTable = 260;
  static constexpr std::size_t kValueBuffer = 260;
  // As long as the engine's key-path buffers: a path of two 259-character
  // names below a key.
  using KeyPathText = FixedText<520>;

  explicit CRegEdit(IPlatform& platform);
  ~CRegEdit();
  CRegEdit(const CRegEdit&) = delete;
  CRegEdit& operator=(const CRegEdit&) = delete;

  // --- What the pages see ---------------------------------------------------
  WizardState& Wizard() { return wizard_; }
  const WizardState& Wizard() const { return wizard_; }
  // Set by CheckWindowsVersion alone; engine/windows_version.h names them.
  int WinKind() const { return m_nWinKind; }
  int WinVersion() const { return m_nWinVersion; }
  const Text260& OsName() const { return m_szOsName; }  // "Windows XP (5.1.2600 / 2)"
  // The driver source folders for this Windows; both empty when none applies.
  const Text260& SourceDir() const { return m_szSrcDir; }
  const Text260& LanSourceDir() const { return m_szLanSrcDir; }
  // The INF and PNF files the NT detections listed for the removals to
  // delete, in the order found.
  std::span<const std::string> ModemInfFiles() const { return InfFiles(m_astrModemInf, m_nModemInf); }
  std::span<const std::string> LanInfFiles() const { return InfFiles(m_astrLanInf, m_nLanInf); }
  // The root of recorded key tree `tree`, empty when none was built.
  std::string_view TreeRootForTest(int tree) const { return m_aszTreeRoot.at(static_cast<std::size_t>(tree)).view(); }

  // --- Version detection ----------------------------------------------------
  int CheckWindowsVersion();

  // --- Registry, file and privilege primitives ---------------------------
  // Paths are below HKEY_LOCAL_MACHINE. Buffers hold at least 260 bytes;
  // at most 260 are read.
  int RegReadValue(std::string_view keyPath, std::string_view valueName, std::span<std::uint8_t> buffer);
  template <std::size_t N>
  int RegReadValue(std::string_view keyPath, std::string_view valueName, std::array<std::uint8_t, N>& buffer) {
    return RegReadValue(keyPath, valueName, std::span<std::uint8_t>(buffer));
  }
  template <std::size_t N>
  int RegReadValue(std::string_view keyPath, std::string_view valueName, FixedText<N>& buffer) {
    static_assert(N >= kValueBuffer);
    const int result = RegReadValue(keyPath, valueName, std::span<std::uint8_t>(buffer.bytes(), N));
    // Registry data need not end with a zero; the text ends after what was read.
    if (result > 0) buffer.Terminate(static_cast<std::size_t>(result));
    return result;
  }
  int RegWriteValue(std::string_view keyPath, std::string_view valueName, const void* data, std::uint32_t length,
                    std::uint32_t type);
  int RegWriteValueEx(std::string_view keyPath, std::string_view valueName, const void* data, std::uint32_t length,
                      std::uint32_t type, int mode);
  int RegDeleteValue(std::string_view keyPath, std::string_view valueName);
  int RegDeleteKey(std::string_view parentPath, std::string_view subKeyName);
  int SetKeySecurity(std::string_view keyPath);
  int DeleteFileForce(const std::string& filePath);
  int EnableShutdownPrivilege();

  // --- Key trees and bindings ---------------------------------------------
  int CaptureKeyTree(int tree, std::string_view rootPath);
  int CaptureDeviceTrees(int root, int device, int side);
  int DeleteKeyTree(std::string_view parentPath, std::string_view keyName, int mode);
  int CaptureLanBindings(int root, int device);

  // --- Detection -----------------------------------------------------------
  int EnumUsbDevices(std::string_view enumKey, std::string_view deviceDesc, int winKind);
  int DetectModem();
  int DetectUsbLan();

  // --- Removal -------------------------------------------------------------
  int RemovePortClass(int nMode);
  int RemoveWdmClass(int nMode);
  int RemoveWdmModemClass(int nMode);
  int RemoveLanClass(int nMode);

  // --- Driver staging -------------------------------------------------------
  int CopyDriverFiles(int nPlan);

  // --- The work file ------------------------------------------------------
  // The profile calls on m_szWorkFile: GetPrivateProfileStringA with ""
  // and 260 bytes, GetPrivateProfileIntA with 0, WritePrivateProfileStringA.
  Text260 ReadWorkText(std::string_view section, std::string_view key);
  int ReadWorkInt(std::string_view section, std::string_view key);
  void WriteWorkText(std::string_view section, std::string_view key, std::string_view value);
  ProfileStore& WorkFile() { return *workFile_; }
  // The work file's bytes as the file holds them (an operation's writes
  // reach it when the operation returns); false when it cannot be read.
  bool ReadWorkFileBytes(std::vector<std::uint8_t>& bytes);

  IPlatform& Platform() { return platform_; }

 private:
  friend class WorkFileBatch;

  // --- Windows version ------------------------------------------------------
  int m_nWinKind = 0;
  Text260 m_szOsName;
  int m_nWinVersion = 0;

  // --- Version query and folders -----------------------------------------
  OsVersionInfo m_osvi;
  std::array<Text260, kTreeRoots> m_aszTreeRoot;
  Text260 m_szOsVer;
  Text260 m_szSrcDir;
  Text260 m_szLanSrcDir;
  Text260 m_szCopySrc;
  Text260 m_szCopyDst;
  Text260 m_szFilePath;
  Text260 m_szWinDir;
  Text260 m_szSysDir;
  Text260 m_szSys32Dir;
  // The work file's full path: the store is made from it, and the wizard
  // state's m_szWorkFileCopy refers to it.
  Text260 m_szWorkFile;
  Text260 m_szCurDir;
  Text260 m_szCurDrive;
  Text260 m_szCurPath;
  Text260 m_szCurFname;
  Text260 m_szCurExt;

  // --- Scratch buffers of the detection, capture and removal routines ----
  Text260 m_szDeviceKey;
  std::array<KeyPathText, 4> m_aszKeyPath;
  Text260 m_szSymName;
  Text260 m_szSymGuid;
  Text260 m_szSymPrefix;
  Text260 m_szDelRoot;
  Text260 m_szDelPath;
  std::array<std::string, kInfTable> m_astrModemInf;
  std::array<std::string, kInfTable> m_astrLanInf;
  int m_nModemInf = 0;
  int m_nLanInf = 0;
  Text260 m_szSection;
  Text260 m_szTreeSection;
  Text260 m_szLanSection;
  FixedText<64> m_szNumber;
  std::array<std::uint8_t, kValueBuffer> m_abComDb{};

  WizardState wizard_{m_szWorkFile};

  void InitPaths();
  int DeleteWorkFile();
  int HasOtherPortAdapter();
  int ReleaseComDbPort(int nRoot, int nDevice);
  // Writes a number as decimal text (through m_szNumber).
  void WriteWorkNumber(std::string_view section, std::string_view key, int value);
  static std::span<const std::string> InfFiles(const std::array<std::string, kInfTable>& table, int count) {
    return {table.data(), static_cast<std::size_t>(std::clamp(count, 0, kInfTable))};
  }

  // Fills m_szSymName, m_szSymPrefix and m_szSymGuid from a recorded
  // symbolic link name.
  void SplitSymbolicName(std::string_view recorded);
  // Builds tree root `tree` from a format with one %s per name and captures
  // it; false (root left empty) when a name is empty or the path too long.
  bool BuildTreeRoot(int tree, std::string_view format, std::initializer_list<std::string_view> names);
  template <typename Visit>
  void ForEachRecordedKey(int tree, Visit visit);

  // RegReadValue's read, on a key the caller holds open.
  int ReadOpenedValue(RegHandle key, std::string_view valueName, std::span<std::uint8_t> buffer);
  // A registry value as text (empty when it cannot be read), read through
  // RegReadValue into m_aszKeyPath[2]; `result` receives the reader's result.
  Text260 ReadRegistryText(std::string_view keyPath, std::string_view valueName, int* result = nullptr);
  // The same on a key the caller holds open; kNoHandle reads as a key that
  // did not open.
  Text260 ReadRegistryText(RegHandle key, std::string_view valueName, int* result = nullptr);
  // Appends a path to an INF table; a full table takes no more.
  static void AppendInf(std::array<std::string, kInfTable>& table, int& count, std::string_view path);
  // Appends every OEM INF file (oem0.inf to oem255.inf) that names `text`,
  // each followed by its PNF file, to an INF table; true when one did.
  bool ListOemInfsNaming(std::string_view text, std::array<std::string, kInfTable>& table, int& count);
  // Calls visit(root, device, section) for every instance recorded in the
  // work file, with m_szSection set to its root's section.
  template <typename Visit>
  void ForEachRecordedInstance(Visit visit);
  // Calls visit(instance name, value) for every numbered class key "0000" to
  // "0255" below `classPath` whose value `valueName` reads and, from byte
  // `offset` on, begins with `prefix` (letters A to Z in either case).
  // `unsure`, when given, is set when a key or value could not be read for
  // any reason but its absence (or a value too long to match).
  template <typename Visit>
  void ForEachMatchingClassKey(std::string_view classPath, std::string_view valueName, std::size_t offset,
                               std::string_view prefix, Visit visit, bool* unsure = nullptr);
  // Deletes each file `folder`\`relative` in turn.
  void DeleteFilesIn(std::string_view folder, std::initializer_list<const char*> relative);
  // Deletes `child` below `parent` unless the child name is empty, or would
  // name a whole class (driver keys must be "<class>\<instance>").
  int DeleteChildKey(std::string_view parent, std::string_view child, int mode);
  int DeleteInstanceKey(std::string_view parent, std::string_view child, int mode);
  void RemoveWdmFamily9x(const char* usbDeviceClass);
  // A value of instance `device` in the usb_root section m_szSection names.
  Text260 RecordedValue(const char* keyFormat, int device);
  // The recorded instance's Enum key and driver key, through their trees.
  void DeleteRecordedInstanceAndDriver(int device);
  // The instance's two device-interface keys: below the class its symbolic
  // link names, and below `interfaceClass` (the modem or network class).
  void DeleteRecordedInterfaces(int device, const char* interfaceClass);
  void RemoveWdmModemNt();
  void RemoveLan9x();
  void RemoveLanNt();
  int DetectModem9x();
  int DetectModemNt();
  int DetectUsbLan9x();
  int DetectUsbLanNt();

  // Set once this engine has shown the access-error message; nothing clears
  // it. A run has one engine, so the message comes at most once per run.
  bool m_bAccessErrorShown = false;
  // A failed work-file write leaves the file on disk older than what the
  // run has learnt; from then on nothing is read from it.
  void WorkFileFailed();

  IPlatform& platform_;
  // The Win32 result of RegReadValue's last open or query.
  std::uint32_t lastReadResult_ = 0;
  std::optional<ProfileStore> workFile_;  // made once the work file's path is known
  // False once the work file cannot be trusted: one from an earlier run
  // survived the start-up deletion, or a write to it failed. It then reads
  // as empty (every list ends at once) and takes no writes, so that nothing
  // it names is deleted.
  bool workFileUsable_ = true;
  int batchDepth_ = 0;
};

// Keeps the work file's writes in memory for the span of one engine
// operation and writes them out when the outermost operation returns.
class WorkFileBatch {
 public:
  explicit WorkFileBatch(CRegEdit& engine) : engine_(engine) { ++engine_.batchDepth_; }
  ~WorkFileBatch() {
    if (--engine_.batchDepth_ == 0 && !engine_.workFile_->Flush()) engine_.WorkFileFailed();
  }
  WorkFileBatch(const WorkFileBatch&) = delete;
  WorkFileBatch& operator=(const WorkFileBatch&) = delete;

 private:
  CRegEdit& engine_;
};

}  // namespace zr

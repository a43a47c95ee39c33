#include "res/dialogs.h"

#include <array>

namespace zr::res {
namespace {

constexpr std::string_view kCaption = "ZR-77Q5K USBドライバ管理ツール";
constexpr std::string_view kFont = "ＭＳ Ｐゴシック";
constexpr std::string_view kUninstallHeading = "USBドライバ　アンインストール";
constexpr std::string_view kInstallHeading = "USBドライバ　インストール";

using C = Control;
using K = ControlKind;

// Selection page.
constexpr std::array kDialog129 = {
    C{kNoId, K::Static, kUninstallHeading, 5, 5, 90, 8},
    C{kIdSelectOs, K::Static, "", 15, 20, 160, 8},
    C{kIdSelectModem, K::CheckBox, "USBモデム", 40, 50, 49, 10, true, true},
    C{kIdSelectLan, K::CheckBox, "USB-LAN", 40, 65, 45, 10, false, true},
    C{kNoId, K::GroupBox, "アンインストール", 20, 35, 150, 45},
    C{kNoId, K::Static, "削除したい項目にチェックして「次へ」ボタンをクリックしてください。", 15, 85, 195, 8},
};

// Debug information page.
constexpr std::array kDialog130 = {
    C{kIdDebugText, K::Edit, "", 5, 15, 240, 75, true, true, false, Align::Left, true},
    C{kNoId, K::Static, "デバック情報", 5, 5, 39, 8},
};

// Detected drivers page.
constexpr std::array kDialog131 = {
    C{kNoId, K::Static, kUninstallHeading, 5, 5, 90, 8},     C{kIdDetectedModem, K::Static, "", 55, 40, 170, 8},
    C{kIdDetectedLan, K::Static, "", 55, 60, 175, 8, false}, C{kIdDetectedHead, K::Static, "", 15, 20, 215, 8},
    C{kNoId, K::Static, "USBモデム :", 15, 40, 38, 8},       C{kNoId, K::Static, "USB-Lan :", 15, 60, 31, 8, false},
    C{kIdDetectedNote, K::Static, "", 35, 80, 195, 8},
};

// Completion page.
constexpr std::array kDialog132 = {
    C{kNoId, K::Static, kUninstallHeading, 5, 5, 90, 8},
    C{kIdCompleteResult, K::Static, "", 15, 25, 215, 8},
    C{kIdCompleteRestart, K::Static, "", 15, 45, 215, 8},
};

// Mode chooser.
constexpr std::array kDialog134 = {
    C{kIdChooseInstall, K::RadioButton, "インストール", 30, 21, 52, 10, true, true, true},
    C{kIdChooseUninstall, K::RadioButton, "アンインストール", 30, 41, 64, 10, true},
    C{kNoId, K::GroupBox, "USBドライバ", 15, 5, 130, 55},
    C{kNoId, K::Static, "項目を選択し「次へ」ボタンをクリックしてください。", 25, 71, 142, 8},
};

// Install start page.
constexpr std::array kDialog135 = {
    C{kNoId, K::Static, kInstallHeading, 5, 5, 78, 8},      C{kIdInstallOs, K::Static, "Static", 15, 20, 200, 8},
    C{kIdInstallMsg1, K::Static, "Static", 10, 35, 220, 8}, C{kIdInstallMsg2, K::Static, "Static", 10, 50, 220, 8},
    C{kIdInstallMsg3, K::Static, "Static", 10, 65, 220, 8}, C{kIdInstallMsg4, K::Static, "Static", 10, 80, 220, 8},
};

// Device detection page.
constexpr std::array kDialog136 = {
    C{kNoId, K::Static, kInstallHeading, 5, 5, 78, 8},
    C{kIdDetectGuide, K::Static, "Static", 5, 25, 190, 8, true, false, false, Align::Centre},
    C{kIdDetectStatus, K::Static, "Static", 5, 45, 190, 8, true, false, false, Align::Centre},
    C{kNoId, K::Static, "USBモデム :", 15, 65, 38, 8},
    C{kIdDetectModem, K::Static, "Static", 55, 65, 180, 8},
    C{kNoId, K::Static, "USB-Lan :", 15, 80, 31, 8, false},
    C{kIdDetectLan, K::Static, "Static", 55, 80, 180, 8, false},
};

// Install completion page.
constexpr std::array kDialog137 = {
    C{kNoId, K::Static, kInstallHeading, 5, 5, 78, 8},
    C{kIdInstallDoneStatus, K::Static, "Static", 5, 30, 175, 8, true, false, false, Align::Centre},
    C{kIdInstallDoneMsg1, K::Static, "Static", 20, 50, 190, 8},
    C{kIdInstallDoneMsg2, K::Static, "Static", 20, 65, 190, 8},
    C{kIdInstallDoneMsg3, K::Static, "Static", 20, 80, 190, 8},
};

constexpr Dialog Page(int id, std::span<const Control> controls) {
  return Dialog{id, 249, 93, kCaption, kFont, 9, controls};
}

const std::array kDialogs = {
    Page(kDialogSelect, kDialog129),        Page(kDialogDebug, kDialog130),
    Page(kDialogDetected, kDialog131),      Page(kDialogComplete, kDialog132),
    Page(kDialogChooser, kDialog134),       Page(kDialogInstallStart, kDialog135),
    Page(kDialogInstallDetect, kDialog136), Page(kDialogInstallComplete, kDialog137),
};

}  // namespace

const Dialog* FindDialog(int id) {
  for (const Dialog& dialog : kDialogs)
    if (dialog.id == id) return &dialog;
  return nullptr;
}

std::string_view String(int id) { return id == kCaptionString ? kCaption : std::string_view(); }

}  // namespace zr::res

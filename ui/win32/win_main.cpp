// The Windows program: one engine over the real system, the wizard as a
// property sheet, every change journaled before it is made. Without
// arguments it is the wizard; "/restore FOLDER" puts a journal back;
// "/report FILE" writes the preview of the uninstall instead, and changes
// nothing. A second start while a wizard runs brings that wizard to the
// front and ends.
//
// The test build of the same program (ZR_WIN32_TEST_HOOKS, built with the
// tests only) also takes --mode to start with other pages and --geometry-log
// to record the sheet's adjustment; the shipping program has neither.
#include "app/wizard_host.h"
#include "engine/reg_edit.h"
#include "platform/win32/win32_platform.h"
#include "safety/journaling_platform.h"
#include "safety/recording_platform.h"
#include "ui/win32/program_icon.h"
#include "ui/win32/property_sheet_host.h"
#include "ui/win32/report_command.h"
#include "ui/win32/restore_command.h"
#include "ui/win32/single_instance.h"
#include "ui/win32/window_text.h"
#ifdef ZR_WIN32_TEST_HOOKS
#include "ui/win32/test_hooks.h"
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (const auto reportFile = zr::win32ui::ReportFileOf(GetCommandLineA())) {
    zr::win32::Win32Platform platform;
    return zr::win32ui::WriteReport(platform, *reportFile);
  }
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);

  const zr::win32ui::WindowText text;
  const zr::win32ui::SingleInstance instanceLock;
  if (instanceLock.AnotherRunning()) {
    zr::win32ui::SingleInstance::ShowOther(text);
    return 0;
  }
  zr::win32::Win32Platform platform;
  if (std::string folder; zr::win32ui::RestoreRequested(GetCommandLineA(), folder))
    return zr::win32ui::RunRestore(platform, folder);
  zr::safety::JournalFolder journalFolder(zr::win32ui::NewJournalFolder(platform));
  zr::safety::JournalingPlatform journal(platform, journalFolder);
  // The wizard's changes are noted on their way, for the rescan afterwards.
  zr::safety::RecordingPlatform recording(journal);
  zr::CRegEdit theEngine(recording);
  zr::win32ui::PropertySheetHost host(instance, text, zr::win32ui::kProgramIcon);
  char wizardMode = zr::kStartupWizardMode;
#ifdef ZR_WIN32_TEST_HOOKS
  const zr::win32ui::TestHooks hooks = zr::win32ui::ReadTestHooks(GetCommandLineA());
  wizardMode = hooks.wizardMode;
  if (!hooks.geometryLog.empty())
    host.OnAdjusted([&](const zr::win32ui::SheetGeometry& g) { zr::win32ui::LogGeometry(hooks.geometryLog, g); });
#endif
  zr::RunApplication(theEngine, host, wizardMode);
  // Beside the journal of the changes it looks at.
  if (const auto rescan = zr::win32ui::RescanAfterRemoval(platform, recording.Changes(), recording.Refusals()))
    journalFolder.Write("rescan.txt", *rescan);
  return 0;
}

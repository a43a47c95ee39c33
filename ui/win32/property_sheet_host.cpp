#include "ui/win32/property_sheet_host.h"

#include "res/dialogs.h"
#include "ui/win32/control_exchange.h"

namespace zr::win32ui {
namespace {

static_assert(AdjustedRight(550) == 489, "a ninth of the right edge comes off");
static_assert(AdjustedRight(8) == 8, "less than nine pixels: nothing comes off");
static_assert(AdjustedRight(-100) == -89, "the quotient is truncated toward zero");

// Names a page window's template, for accessibility and test tools that
// read the wizard from outside.
constexpr char kTemplateProperty[] = "zrdrvtool.template";
// Holds the sheet's right edge before the adjustment, so that such a tool
// can check the adjustment from outside.
constexpr char kUnadjustedRightProperty[] = "zrdrvtool.unadjusted-right";

UINT IconStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return MB_ICONINFORMATION;
    case MessageIcon::Warning:
      return MB_ICONWARNING;
    case MessageIcon::Error:
      return MB_ICONERROR;
  }
  return MB_ICONERROR;
}

void SetResult(HWND window, LONG_PTR result) { SetWindowLongPtrA(window, DWLP_MSGRESULT, result); }

// The wide window-procedure calls, looked up when a Unicode sheet (NT only)
// is subclassed: Windows 98's user32 need not export them.
struct WideProcCalls {
  using SetLong = LONG_PTR(WINAPI*)(HWND, int, LONG_PTR);
  using CallProc = LRESULT(WINAPI*)(WNDPROC, HWND, UINT, WPARAM, LPARAM);
  SetLong setLong = nullptr;
  CallProc callProc = nullptr;

  static const WideProcCalls& Get() {
    static const WideProcCalls calls = [] {
      WideProcCalls c;
      HMODULE user32 = GetModuleHandleA("user32.dll");
#ifdef _WIN64
      const char* setLongName = "SetWindowLongPtrW";
#else
      const char* setLongName = "SetWindowLongW";
#endif
      c.setLong = reinterpret_cast<SetLong>(reinterpret_cast<void*>(GetProcAddress(user32, setLongName)));
      c.callProc = reinterpret_cast<CallProc>(reinterpret_cast<void*>(GetProcAddress(user32, "CallWindowProcW")));
      return c;
    }();
    return calls;
  }
};

}  // namespace

PropertySheetHost* PropertySheetHost::running_ = nullptr;

PropertySheetHost::PropertySheetHost(HINSTANCE instance, const WindowText& text, int iconId)
    : instance_(instance), text_(text), iconId_(iconId) {}

PropertySheetHost::~PropertySheetHost() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  if (running_ == this) running_ = nullptr;
}

HPROPSHEETPAGE PropertySheetHost::CreatePage(CPage& page) {
  const res::Dialog* dialog = res::FindDialog(page.TemplateId());
  if (dialog == nullptr) return nullptr;
  auto slot = std::make_unique<PageSlot>();
  slot->host = this;
  slot->page = &page;
  slot->units = BuildDialogTemplate(*dialog);
  page.Attach(this);

  // Version 1 of the page structure: every comctl32 from 98's on takes it,
  // and the program needs nothing of the later versions.
  HPROPSHEETPAGE handle = nullptr;
  const auto* resource = reinterpret_cast<const DLGTEMPLATE*>(slot->units.data());
  if (text_.Wide()) {
    PROPSHEETPAGEW psp{};
    psp.dwSize = PROPSHEETPAGEW_V1_SIZE;
    psp.dwFlags = PSP_DLGINDIRECT | PSP_HASHELP;
    psp.hInstance = instance_;
    psp.pResource = resource;
    psp.pfnDlgProc = &PageProc;
    psp.lParam = reinterpret_cast<LPARAM>(slot.get());
    handle = CreatePropertySheetPageW(&psp);
  } else {
    PROPSHEETPAGEA psp{};
    psp.dwSize = PROPSHEETPAGEA_V1_SIZE;
    psp.dwFlags = PSP_DLGINDIRECT | PSP_HASHELP;
    psp.hInstance = instance_;
    psp.pResource = resource;
    psp.pfnDlgProc = &PageProc;
    psp.lParam = reinterpret_cast<LPARAM>(slot.get());
    handle = CreatePropertySheetPageA(&psp);
  }
  if (handle != nullptr) slots_.push_back(std::move(slot));
  return handle;
}

PropertySheetHost::PageSlot* PropertySheetHost::SlotOf(const CPage& page) {
  for (auto& slot : slots_)
    if (slot->page == &page) return slot.get();
  return nullptr;
}

PropertySheetHost::PageSlot* PropertySheetHost::SlotOf(HWND pageWindow) {
  if (pageWindow == nullptr) return nullptr;
  for (auto& slot : slots_)
    if (slot->window == pageWindow) return slot.get();
  return nullptr;
}

// The sheet's header; the W and A headers differ only in their text type.
template <typename Header, typename Char>
Header PropertySheetHost::SheetHeader(DWORD size, DWORD flags, const Char* caption,
                                      std::vector<HPROPSHEETPAGE>& pages) const {
  Header psh{};
  psh.dwSize = size;
  psh.dwFlags = flags;
  psh.hInstance = instance_;
  // MAKEINTRESOURCE in either text type.
  psh.pszIcon = reinterpret_cast<const Char*>(static_cast<ULONG_PTR>(static_cast<WORD>(iconId_)));
  psh.pszCaption = caption;
  psh.nPages = static_cast<UINT>(pages.size());
  psh.phpage = pages.data();
  return psh;
}

void PropertySheetHost::RunModal(CDrvSheet& sheet) {
  sheet_ = &sheet;
  std::vector<HPROPSHEETPAGE> pages;
  for (CPage* page : sheet.Pages())
    if (HPROPSHEETPAGE handle = CreatePage(*page)) pages.push_back(handle);
  if (pages.empty()) return;

  running_ = this;
  hook_ = SetWindowsHookExA(WH_GETMESSAGE, &MessageHook, nullptr, GetCurrentThreadId());
  creationHook_ = SetWindowsHookExA(WH_CBT, &CreationHook, nullptr, GetCurrentThreadId());

  const std::string_view caption = res::String(res::kCaptionString);
  // With a Help button, as a wizard of an application with a help command
  // is laid out: the adjustment takes the button and the gap it leaves.
  const DWORD flags = PSH_WIZARD | PSH_NOAPPLYNOW | PSH_HASHELP | (iconId_ != 0 ? PSH_USEICONID : 0);
  if (text_.Wide()) {
    const std::wstring wideCaption = text_.WideText(caption);
    auto psh = SheetHeader<PROPSHEETHEADERW>(PROPSHEETHEADERW_V1_SIZE, flags, wideCaption.c_str(), pages);
    PropertySheetW(&psh);
  } else {
    const std::string ansiCaption = text_.Ansi(caption);
    auto psh = SheetHeader<PROPSHEETHEADERA>(PROPSHEETHEADERA_V1_SIZE, flags, ansiCaption.c_str(), pages);
    PropertySheetA(&psh);
  }

  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
  if (creationHook_ != nullptr) UnhookWindowsHookEx(creationHook_);
  creationHook_ = nullptr;
  running_ = nullptr;
  if (sheet.Engine().Wizard().m_hSheetWnd == this) sheet.Engine().Wizard().m_hSheetWnd = nullptr;
  window_ = nullptr;
  sheet_ = nullptr;
}

// The first top-level window the sheet's thread creates inside
// PropertySheet is the sheet itself; it is subclassed before it gets its
// first message, so that its WM_INITDIALOG passes through SheetProc.
LRESULT CALLBACK PropertySheetHost::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  PropertySheetHost* host = running_;
  if (code == HCBT_CREATEWND && host != nullptr && host->creationHook_ != nullptr &&
      (reinterpret_cast<const CBT_CREATEWNDA*>(lParam)->lpcs->style & WS_CHILD) == 0) {
    UnhookWindowsHookEx(host->creationHook_);
    host->creationHook_ = nullptr;
    host->Subclass(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void PropertySheetHost::Subclass(HWND sheet) {
  // The first page is activated inside the sheet's WM_INITDIALOG, before
  // the adjustment, and posts its buttons to the sheet from there.
  window_ = sheet;
  // A sheet made by PropertySheetW is a Unicode window, one made by
  // PropertySheetA an ANSI one; its procedure is replaced and called in
  // its own character set, so that no message text is converted on the way.
  const WideProcCalls& wide = WideProcCalls::Get();
  sheetUnicode_ = IsWindowUnicode(sheet) != FALSE && wide.setLong != nullptr && wide.callProc != nullptr;
  const auto proc = reinterpret_cast<LONG_PTR>(&SheetProc);
  sheetProc_ = reinterpret_cast<WNDPROC>(sheetUnicode_ ? wide.setLong(sheet, GWLP_WNDPROC, proc)
                                                       : SetWindowLongPtrA(sheet, GWLP_WNDPROC, proc));
}

LRESULT CALLBACK PropertySheetHost::SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PropertySheetHost* host = running_;
  if (host == nullptr || host->sheetProc_ == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  const WNDPROC original = host->sheetProc_;
  const bool unicode = host->sheetUnicode_;
  if (message == WM_NCDESTROY) {
    RemovePropA(window, kUnadjustedRightProperty);
    host->sheetProc_ = nullptr;
    if (unicode)
      WideProcCalls::Get().setLong(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    else
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  }
  const LRESULT result = unicode ? WideProcCalls::Get().callProc(original, window, message, wParam, lParam)
                                 : CallWindowProcA(original, window, message, wParam, lParam);
  // comctl32 has sized the sheet and placed its buttons by the time its
  // own WM_INITDIALOG handling returns, whatever it does inside it.
  if (message == WM_INITDIALOG) host->Initialize(window);
  return result;
}

void PropertySheetHost::Initialize(HWND sheet) {
  window_ = sheet;
  sheet_->Engine().Wizard().m_hSheetWnd = this;
  if (HWND help = GetDlgItem(sheet, IDHELP)) DestroyWindow(help);
  SheetGeometry geometry;
  GetWindowRect(sheet, &geometry.before);
  const RECT& r = geometry.before;
  MoveWindow(sheet, r.left, r.top, AdjustedRight(r.right) - r.left, r.bottom - r.top, TRUE);
  SetPropA(sheet, kUnadjustedRightProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(r.right)));
  GetWindowRect(sheet, &geometry.after);
  if (onAdjusted_) onAdjusted_(geometry);
}

INT_PTR CALLBACK PropertySheetHost::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    // lParam is the sheet's copy of the page structure; A and W agree on
    // where lParam lies.
    auto* slot = reinterpret_cast<PageSlot*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(slot));
    slot->window = window;
    SetPropA(window, kTemplateProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(slot->page->TemplateId())));
    return TRUE;
  }
  auto* slot = reinterpret_cast<PageSlot*>(GetWindowLongPtrA(window, DWLP_USER));
  if (slot == nullptr) return FALSE;
  switch (message) {
    case WM_NOTIFY:
      return slot->host->Notify(*slot, *reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
    case WM_TIMER: {
      const int id = static_cast<int>(wParam);
      if (slot->timers.count(id) == 0) return FALSE;
      slot->page->OnTimer(id);
      return TRUE;
    }
    case WM_DESTROY:
      for (int id : slot->timers) ::KillTimer(window, static_cast<UINT_PTR>(id));
      slot->timers.clear();
      RemovePropA(window, kTemplateProperty);
      slot->window = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

bool PropertySheetHost::Notify(PageSlot& slot, const NMHDR& header) {
  CPage& page = *slot.page;
  switch (header.code) {
    case PSN_SETACTIVE:
      SetResult(slot.window, page.OnSetActive() ? 0 : -1);
      return true;
    case PSN_WIZBACK:
      SetResult(slot.window, page.OnWizardBack() == kMove ? 0 : -1);
      return true;
    case PSN_WIZNEXT:
      SetResult(slot.window, page.OnWizardNext() == kMove ? 0 : -1);
      return true;
    case PSN_WIZFINISH:
      SetResult(slot.window, page.OnWizardFinish() ? FALSE : TRUE);
      return true;
    case PSN_KILLACTIVE:
      page.OnKillActive();
      SetResult(slot.window, FALSE);
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK PropertySheetHost::MessageHook(int code, WPARAM removal, LPARAM lParam) {
  if (code == HC_ACTION && removal == PM_REMOVE && running_ != nullptr) {
    const MSG& message = *reinterpret_cast<const MSG*>(lParam);
    if (message.message == WM_KEYDOWN) running_->KeyDown(message);
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}

void PropertySheetHost::KeyDown(const MSG& message) {
  if (window_ == nullptr || message.hwnd == nullptr) return;
  HWND active = reinterpret_cast<HWND>(SendMessageA(window_, PSM_GETCURRENTPAGEHWND, 0, 0));
  if (active == nullptr || (message.hwnd != active && !IsChild(active, message.hwnd))) return;
  if (PageSlot* slot = SlotOf(active)) slot->page->OnKeyDown(static_cast<unsigned>(message.wParam));
}

void PropertySheetHost::PostWizardButtons(int flags) {
  if (window_ != nullptr) PostMessageA(window_, PSM_SETWIZBUTTONS, 0, flags);
}

void PropertySheetHost::AddPage(CPage& page) {
  if (sheet_ == nullptr || window_ == nullptr) return;
  HPROPSHEETPAGE handle = CreatePage(page);
  if (handle == nullptr) return;
  sheet_->AddPage(page);
  SendMessageA(window_, PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle));
}

bool PropertySheetHost::SetTimer(CPage& page, int id, unsigned milliseconds) {
  PageSlot* slot = SlotOf(page);
  if (slot == nullptr || slot->window == nullptr || id <= 0) return false;
  if (::SetTimer(slot->window, static_cast<UINT_PTR>(id), milliseconds, nullptr) == 0) return false;
  slot->timers.insert(id);
  return true;
}

void PropertySheetHost::KillTimer(CPage& page, int id) {
  PageSlot* slot = SlotOf(page);
  if (slot == nullptr || slot->window == nullptr) return;
  ::KillTimer(slot->window, static_cast<UINT_PTR>(id));
  slot->timers.erase(id);
}

void PropertySheetHost::UpdateData(CPage& page, bool save) {
  PageSlot* slot = SlotOf(page);
  if (slot == nullptr || slot->window == nullptr) return;
  ControlExchange exchange(slot->window, text_, save);
  page.DoDataExchange(exchange);
}

void PropertySheetHost::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
  text_.MessageBoxOk(window_, text, caption, IconStyle(icon));
}

void PropertySheetHost::PostClose() {
  if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
}

}  // namespace zr::win32ui

#include "ui/win32/main_dialog.h"

#include <optional>
#include <string>

#include "app/catalogue.h"
#include "app/program_texts.h"
#include "resource.h"
#include "ui/dialog_geometry.h"
#include "ui/picture_path.h"
#include "ui/win32/entry_list_win32.h"
#include "ui/win32/painting.h"

namespace drivora::win32 {
namespace {

constexpr std::size_t kTextBytes = 256;
constexpr std::size_t kAboutTextBytes = 255;
constexpr COLORREF kCaptionTextColour = 0x00FFFF80;

MainDialogContext* ContextOf(HWND window) {
  return reinterpret_cast<MainDialogContext*>(GetWindowLongPtrA(window, DWLP_USER));
}

HINSTANCE InstanceOf(const AppState& app) { return static_cast<HINSTANCE>(app.InstanceHandle); }

HICON LoadMainIcon(const AppState& app) { return LoadIconA(InstanceOf(app), MAKEINTRESOURCEA(IDI_MAIN)); }

// The picture file beside the program, or the built-in picture when that
// gives no bitmap.
void LoadBackground(HWND window, MainDialogContext& context) {
  const std::optional<std::string> path = BackgroundPicturePath(context.app.Sys.Files->ModuleFileName());
  context.background = path ? LoadBackgroundPicture(context.picture, window, path->c_str()) : nullptr;
  if (context.background) return;
  context.builtinPicture.reset(LoadBitmapA(InstanceOf(context.app), MAKEINTRESOURCEA(IDB_BACKGROUND)));
  context.background = context.builtinPicture.get();
}

// On the whole screen, not the work area.
void CentreOnScreen(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  MoveWindow(window, CentredStart(GetSystemMetrics(SM_CXSCREEN), width),
             CentredStart(GetSystemMetrics(SM_CYSCREEN), height), width, height, TRUE);
}

void SetIcons(HWND window, const AppState& app) {
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadMainIcon(app)));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadMainIcon(app)));
}

// True, so that the dialog manager puts the focus on the entry list.
BOOL OnInitDialog(HWND window, MainDialogContext& context) {
  SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(&context));
  const AppState& app = context.app;
  LoadBackground(window, context);
  CentreOnScreen(window);
  InitEntryList(GetDlgItem(window, IDC_ENTRY_LIST), app);
  SetWindowTextA(GetDlgItem(window, IDC_CAPTION), ReadLangText(app, "Install").c_str());
  // The title is what a second start of the program looks for.
  SetWindowTextA(window, LoadText(app, kTextTitle, kTextBytes).c_str());
  SetIcons(window, app);
  return TRUE;
}

void ShowPopupMenu(HWND window, const AppState& app, LPARAM lParam) {
  const UniqueMenu menu(LoadMenuA(InstanceOf(app), MAKEINTRESOURCEA(IDR_POPUP_MENU)));
  if (!menu) return;
  const PixelPoint at = ContextMenuPoint(lParam);
  // The chosen command arrives afterwards as WM_COMMAND.
  TrackPopupMenu(GetSubMenu(menu.get(), 0), TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
}

void ShowAbout(HWND window, const AppState& app) {
  const std::string caption = LoadText(app, kTextTitle, kAboutTextBytes);
  const std::string text = LoadText(app, kTextAbout, kAboutTextBytes);
  MessageBoxA(window, text.c_str(), caption.c_str(), MB_ICONINFORMATION);
}

void OnCommand(HWND window, MainDialogContext& context, WORD command) {
  switch (command) {
    case IDCANCEL:  // Escape, and what the dialog manager makes of WM_CLOSE
    case IDM_CLOSE:
      EndMainDialog(window, context);
      break;
    case IDM_ABOUT:
      ShowAbout(window, context.app);
      break;
    default:  // Enter (IDOK) and the hidden buttons do nothing
      break;
  }
}

// Only the caption control gets the caption's colours and font.
INT_PTR OnCtlColorStatic(HWND window, const AppState& app, HDC dc, HWND control) {
  if (control != GetDlgItem(window, IDC_CAPTION)) return FALSE;
  SetBkColor(dc, app.CaptionColour);
  SetTextColor(dc, kCaptionTextColour);
  if (app.CaptionFont) SelectObject(dc, app.CaptionFont);
  return reinterpret_cast<INT_PTR>(app.CaptionBrush);
}

}  // namespace

void RunMainDialog(MainDialogContext& context) {
  DialogBoxParamA(InstanceOf(context.app), MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc,
                  reinterpret_cast<LPARAM>(&context));
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog(window, *reinterpret_cast<MainDialogContext*>(lParam));
  // Messages that come before WM_INITDIALOG find no context and go to the defaults.
  MainDialogContext* context = ContextOf(window);
  if (!context) return FALSE;
  switch (message) {
    case WM_PAINT:
      return PaintMainDialog(window, *context);
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(LoadMainIcon(context->app));
    case WM_NOTIFY:
      OnEntryListNotify(window, *context, *reinterpret_cast<const NMHDR*>(lParam));
      return FALSE;
    case WM_CONTEXTMENU:
      ShowPopupMenu(window, context->app, lParam);
      return FALSE;
    case WM_COMMAND:
      OnCommand(window, *context, LOWORD(wParam));
      return TRUE;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(context->app.CaptionBrush);
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(window, context->app, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default:
      return FALSE;
  }
}

void EndMainDialog(HWND window, MainDialogContext& context) {
  // The process ends with the dialog: an entry waiting its turn must not
  // start, and register its commands, in the moment before.
  context.app.Installs.DropWaiting();
  EndDialog(window, 0);
  FreeInstallCatalogue(context.app.Catalogue);
  // Nothing may paint with the font once it is gone.
  context.app.CaptionFont = nullptr;
  context.captionFont.reset();
}

}  // namespace drivora::win32

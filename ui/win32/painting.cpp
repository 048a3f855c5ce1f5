#include "ui/win32/painting.h"

#include "ui/dialog_geometry.h"

namespace drivora::win32 {
namespace {

constexpr COLORREF kDescriptionColour = 0x00FFFF80;

PixelRect ClientArea(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return {client.left, client.top, client.right, client.bottom};
}

RECT ToRect(const PixelRect& area) { return {area.left, area.top, area.right, area.bottom}; }

void PaintMinimised(HWND window) {
  const PaintSession paint(window);
  SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.dc()), 0);
  const PixelRect client = ClientArea(window);
  const PixelPoint at = MinimisedIconOrigin(client.right - client.left, client.bottom - client.top,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  DrawIcon(paint.dc(), at.x, at.y, LoadIconA(nullptr, IDI_HAND));
}

void PaintPicture(HDC dc, const MainDialogContext& context, const PixelRect& client) {
  if (!context.background) return;
  const ScopedPalette palette(dc, GetPicturePalette(context.picture));
  RealizePalette(dc);
  BlitBitmap(dc, context.background, ToRect(PictureRect(client)));
}

void PaintDescription(HDC dc, const AppState& app, const PixelRect& client) {
  SetTextColor(dc, kDescriptionColour);
  const ScopedSelection font(dc, app.CaptionFont);
  RECT area = ToRect(DescriptionRect(client));
  DrawTextTransparent(dc, GetDescriptionText(app), area, DT_CENTER | DT_WORDBREAK);
}

}  // namespace

BOOL PaintMainDialog(HWND window, const MainDialogContext& context) {
  if (IsIconic(window)) {
    PaintMinimised(window);
    return TRUE;
  }
  const PaintSession paint(window);
  const PixelRect client = ClientArea(window);
  PaintPicture(paint.dc(), context, client);
  PaintDescription(paint.dc(), context.app, client);
  return FALSE;
}

BOOL BlitBitmap(HDC dc, HBITMAP bitmap, const RECT& area) {
  const UniqueCreatedDc memory(CreateCompatibleDC(dc));
  if (!memory) return TRUE;
  const ScopedSelection selected(memory.get(), bitmap);
  BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, memory.get(), 0, 0, SRCCOPY);
  return TRUE;
}

int DrawTextTransparent(HDC dc, const char* text, RECT& area, UINT format) {
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  if (previousMode == 0) return 0;
  const int result = DrawTextA(dc, text, -1, &area, format);
  if (previousMode != TRANSPARENT) SetBkMode(dc, OPAQUE);
  return result;
}

const char* GetDescriptionText(const AppState& app) { return app.DescriptionText.c_str(); }

}  // namespace drivora::win32

#include "ui/win32/entry_list_win32.h"

#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "app/byte_strings.h"
#include "resource.h"
#include "ui/entry_rows.h"
#include "ui/win32/entry_dispatch_win32.h"

namespace drivora::win32 {
namespace {

constexpr int kImageSize = 32;
constexpr COLORREF kImageMaskColour = 0x00FFFFFF;
// Hover selects the row under the resting mouse, hot rows are underlined,
// and a double-click activates.
constexpr LPARAM kListStyles = LVS_EX_TRACKSELECT | LVS_EX_TWOCLICKACTIVATE | LVS_EX_UNDERLINEHOT;
constexpr LPARAM kHoverMilliseconds = 5;

std::optional<std::string> SelectedRowText(HWND list) {
  const auto row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (row < 0) return std::nullopt;
  char text[kNameBufferBytes] = {};
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = row;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  // The control may point pszText at its own copy instead of filling ours.
  if (!item.pszText) return std::nullopt;
  return std::string(FitBuffer(item.pszText, kNameBufferBytes));
}

HWND EntryListOf(HWND window) { return GetDlgItem(window, IDC_ENTRY_LIST); }

void ActivateSelectedEntry(HWND window, MainDialogContext& context) {
  const std::optional<std::string> text = SelectedRowText(EntryListOf(window));
  if (!text) return;
  if (const std::optional<std::size_t> index = FindEntryOfRow(context.app.Catalogue, *text)) {
    DispatchEntry(window, context, *index);
  }
}

void DescribeSelectedEntry(HWND window, AppState& app) {
  const std::optional<std::string> text = SelectedRowText(EntryListOf(window));
  if (!text) return;
  if (const std::optional<std::size_t> index = FindEntryOfRow(app.Catalogue, *text)) {
    app.DescriptionText = EntryDescription(app.Catalogue.Entries[*index]);
  }
  // No erase: the repaint covers the old text with the picture.
  InvalidateRect(window, nullptr, FALSE);
}

}  // namespace

BOOL InitEntryList(HWND list, const AppState& app) {
  // The list owns the image list from here on.
  const HIMAGELIST images =
      ImageList_LoadImageA(static_cast<HINSTANCE>(app.InstanceHandle), MAKEINTRESOURCEA(IDB_CATEGORY_ICONS),
                           kImageSize, 1, kImageMaskColour, IMAGE_BITMAP, LR_SHARED);
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  SendMessageA(list, LVM_SETBKCOLOR, 0, app.ListColour);
  SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, app.ListColour);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kListStyles);
  SendMessageA(list, LVM_SETHOVERTIME, 0, kHoverMilliseconds);
  return FillEntryList(list, app);
}

BOOL FillEntryList(HWND list, const AppState& app) {
  const std::vector<EntryRow> rows = MakeEntryRows(app);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(rows[i].text.c_str());
    item.iImage = static_cast<int>(rows[i].image);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
  return TRUE;
}

LRESULT OnEntryListNotify(HWND window, MainDialogContext& context, const NMHDR& header) {
  // Every arrival looks the selected row up anew; the notification's own item
  // fields are not needed.
  switch (header.code) {
    case LVN_ITEMACTIVATE:
      ActivateSelectedEntry(window, context);
      break;
    case LVN_ITEMCHANGED:
      DescribeSelectedEntry(window, context.app);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace drivora::win32

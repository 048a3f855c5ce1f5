#include "ui/dialog_geometry.h"

namespace drivora {

int CentredStart(int screenSize, int windowSize) { return (screenSize - windowSize) / 2; }

PixelPoint MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

PixelPoint ContextMenuPoint(std::intptr_t lParam) {
  const auto bits = static_cast<std::uintptr_t>(lParam);
  return {static_cast<int>(bits & 0xFFFF), static_cast<int>((bits >> 16) & 0xFFFF)};
}

PixelRect PictureRect(const PixelRect& client) {
  return {client.left, client.top, client.left + kPictureWidth, client.bottom};
}

PixelRect DescriptionRect(const PixelRect& client) {
  return {client.left + kDescriptionLeft, client.top + kDescriptionTop, client.left + kDescriptionRight,
          client.bottom};
}

}  // namespace drivora

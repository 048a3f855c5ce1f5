// The main dialog's pixel arithmetic: where it goes on the screen, where the
// picture and the description are drawn, where the popup menu opens.
#pragma once

#include <cstdint>

namespace drivora {

struct PixelPoint {
  int x = 0;
  int y = 0;
};

struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// The picture covers the client area up to the list's left edge.
constexpr int kPictureWidth = 392;
// The description is drawn over the picture's lower part.
constexpr int kDescriptionLeft = 32;
constexpr int kDescriptionTop = 216;
constexpr int kDescriptionRight = 352;

// Where a window of `windowSize` starts so that it is centred on
// `screenSize`; negative when the window is the larger one.
int CentredStart(int screenSize, int windowSize);

// Where the icon of a minimised dialog is drawn in its client area.
PixelPoint MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

// The screen point of a context-menu request: the low and high 16 bits of its
// lParam, each unsigned, so a keyboard request (-1) gives (65535, 65535).
PixelPoint ContextMenuPoint(std::intptr_t lParam);

PixelRect PictureRect(const PixelRect& client);
PixelRect DescriptionRect(const PixelRect& client);

}  // namespace drivora

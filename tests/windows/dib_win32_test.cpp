// Picture files read through the system's file, memory, palette and bitmap
// calls, and the background-picture loader on real files in a temporary
// folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/host/ui/bmp_bytes.h"
#include "tests/windows/temp_folder.h"
#include "ui/dib/win32/background_picture.h"
#include "ui/dib/win32/dib_files_win32.h"
#include "ui/dib/win32/dib_gdi_win32.h"
#include "ui/dib/win32/dib_seams_win32.h"

namespace {

using drivora::dib_test::Bytes;
using drivora::dib_test::BmpFile;
using drivora::dib_test::ColorTable;
using drivora::dib_test::CoreHeader;
using drivora::dib_test::InfoHeader;
using drivora::dib_test::Join;
using drivora::win32::BackgroundPicture;
using drivora::win32::GetPicturePalette;
using drivora::win32::LoadBackgroundPicture;
using drivora::win32::ReleaseBackgroundPicture;

// Pixel (x, y), counted from the top: the colour-table index x + 4 y in the
// palette pictures, RGB(40 x + 10, 60 y + 20, 200) in the 24-bit ones.
constexpr int kWidth = 4;
constexpr int kHeight = 3;

COLORREF TableColor(unsigned i) {
  return RGB(drivora::dib_test::TableRed(i), drivora::dib_test::TableGreen(i), drivora::dib_test::TableBlue(i));
}
COLORREF TrueColor(int x, int y) { return RGB(40 * x + 10, 60 * y + 20, 200); }

// Rows bottom first, each padded to 4 bytes.
Bytes IndexPixels(int bitsPerPixel) {
  Bytes out;
  for (int y = kHeight - 1; y >= 0; --y) {
    Bytes row;
    for (int x = 0; x < kWidth; ++x) {
      const auto index = static_cast<std::uint8_t>(x + 4 * y);
      if (bitsPerPixel == 8) row.push_back(index);
      else if (x % 2 == 0) row.push_back(static_cast<std::uint8_t>(index << 4));
      else row.back() |= index;
    }
    row.resize((row.size() + 3) / 4 * 4, 0);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

Bytes TrueColorPixels() {
  Bytes out;
  for (int y = kHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kWidth; ++x) {
      const COLORREF c = TrueColor(x, y);
      out.insert(out.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
    }
  }
  return out;  // rows of 12 bytes need no padding
}

const Bytes k8BitFile =
    BmpFile(Join({InfoHeader({.width = kWidth, .height = kHeight, .bitCount = 8}), ColorTable(256, 4)}),
            IndexPixels(8));
const Bytes k24BitFile = BmpFile(InfoHeader({.width = kWidth, .height = kHeight, .bitCount = 24}), TrueColorPixels());
const Bytes kOs2File = BmpFile(Join({CoreHeader(kWidth, kHeight, 4), ColorTable(16, 3)}), IndexPixels(4));

class DibFiles : public ::testing::Test {
 protected:
  void TearDown() override {
    ReleaseBackgroundPicture(picture_);
    drivora::test::RemoveTree(folder_);
  }

  std::string Write(const char* name, const Bytes& bytes) {
    const std::string path = folder_ + "\\" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  HBITMAP Load(const char* name, const Bytes& bytes) {
    return LoadBackgroundPicture(picture_, nullptr, Write(name, bytes).c_str());
  }

  static SIZE SizeOf(HBITMAP bitmap) {
    BITMAP info = {};
    EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    return {info.bmWidth, info.bmHeight};
  }

  template <typename Expected>
  static void ExpectPixels(HBITMAP bitmap, Expected expected) {
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) EXPECT_EQ(GetPixel(dc, x, y), expected(x, y)) << "pixel " << x << "," << y;
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
  }

  void ExpectNothingLoaded(const char* name, const Bytes& bytes) {
    EXPECT_EQ(Load(name, bytes), nullptr) << name;
    EXPECT_EQ(GetPicturePalette(picture_), nullptr) << name;
    EXPECT_FALSE(picture_.bitmap) << name;
    EXPECT_FALSE(picture_.wholePicture) << name;
  }

  const std::string folder_ = drivora::test::FreshFolder("dib");
  BackgroundPicture picture_;
};

TEST_F(DibFiles, EightBitPictureWithItsPaletteAndPixels) {
  const HBITMAP bitmap = Load("eight.bmp", k8BitFile);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(SizeOf(bitmap).cx, kWidth);
  EXPECT_EQ(SizeOf(bitmap).cy, kHeight);
  EXPECT_TRUE(picture_.headerBlock && picture_.wholePicture && picture_.palette);

  const HPALETTE palette = GetPicturePalette(picture_);
  ASSERT_NE(palette, nullptr);
  PALETTEENTRY entries[256] = {};
  ASSERT_EQ(GetPaletteEntries(palette, 0, 256, entries), 256u);
  for (unsigned i : {0u, 1u, 77u, 255u}) {
    EXPECT_EQ(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue), TableColor(i)) << i;
    EXPECT_EQ(entries[i].peFlags, 0) << i;
  }
  ExpectPixels(bitmap, [](int x, int y) { return TableColor(static_cast<unsigned>(x + 4 * y)); });
}

TEST_F(DibFiles, TwentyFourBitPictureThroughTheFixedPalette) {
  const HBITMAP bitmap = Load("true.bmp", k24BitFile);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(SizeOf(bitmap).cx, kWidth);
  EXPECT_EQ(SizeOf(bitmap).cy, kHeight);
  WORD count = 0;
  ASSERT_NE(GetObjectA(GetPicturePalette(picture_), sizeof count, &count), 0);
  EXPECT_EQ(count, 256);
  PALETTEENTRY entry = {};
  ASSERT_EQ(GetPaletteEntries(GetPicturePalette(picture_), 100, 1, &entry), 1u);
  EXPECT_EQ(RGB(entry.peRed, entry.peGreen, entry.peBlue), RGB(128, 128, 64));
  ExpectPixels(bitmap, TrueColor);
}

TEST_F(DibFiles, Os2PictureWithThreeByteColours) {
  const HBITMAP bitmap = Load("os2.bmp", kOs2File);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(SizeOf(bitmap).cx, kWidth);
  EXPECT_EQ(SizeOf(bitmap).cy, kHeight);
  ExpectPixels(bitmap, [](int x, int y) { return TableColor(static_cast<unsigned>(x + 4 * y)); });
}

TEST_F(DibFiles, ShortFileShowsZeroPixels) {
  // Only the bottom row is in the file: the rows above it are colour 0.
  const Bytes full = k8BitFile;
  const HBITMAP bitmap = Load("short.bmp", Bytes(full.begin(), full.end() - 8));
  ASSERT_NE(bitmap, nullptr);
  ExpectPixels(bitmap, [](int x, int y) {
    return TableColor(y == kHeight - 1 ? static_cast<unsigned>(x + 4 * y) : 0);
  });
}

TEST_F(DibFiles, PicturesNotShown) {
  // 16 bits without colour table: no palette, the header block stays.
  ExpectNothingLoaded("sixteen.bmp", BmpFile(InfoHeader({.width = 2, .height = 2, .bitCount = 16}), Bytes(8, 0x33)));
  EXPECT_TRUE(picture_.headerBlock);

  ExpectNothingLoaded("v4.bmp", BmpFile(InfoHeader({.width = 2, .height = 2, .bitCount = 24, .headerSize = 108}),
                                        Bytes(16, 0x44)));
  EXPECT_FALSE(picture_.headerBlock);
  const Bytes cut = BmpFile(InfoHeader({}), {});
  ExpectNothingLoaded("cut.bmp", Bytes(cut.begin(), cut.end() - 1));
  ExpectNothingLoaded("garbage.bmp", Bytes(500, 0xA7));
  ExpectNothingLoaded("empty.bmp", {});
  EXPECT_EQ(LoadBackgroundPicture(picture_, nullptr, (folder_ + "\\missing.bmp").c_str()), nullptr);
  // A depth the system cannot run-length decode: the bitmap fails, and the
  // record is emptied.
  ExpectNothingLoaded("rle.bmp", BmpFile(Join({InfoHeader({.width = 2, .height = 2, .bitCount = 4, .imageSize = 4,
                                                            .compression = 1}),
                                               ColorTable(16, 4)}),
                                         Bytes{0, 1, 0, 0}));
  EXPECT_FALSE(picture_.headerBlock);
}

TEST_F(DibFiles, BlocksAreMovableAndUnlockedBetweenUses) {
  const std::string path = Write("eight.bmp", k8BitFile);
  const drivora::win32::UniqueGlobal whole = drivora::win32::LoadDibFile(path.c_str());
  ASSERT_TRUE(whole);
  EXPECT_EQ(GlobalFlags(whole.get()) & GMEM_LOCKCOUNT, 0u);
  EXPECT_GE(GlobalSize(whole.get()), 40u + 1024u + 12u);
  BITMAPINFOHEADER header = {};
  ASSERT_TRUE(drivora::win32::GetDibHeader(whole.get(), header));
  EXPECT_EQ(header.biSizeImage, 12u);
  EXPECT_EQ(header.biClrUsed, 256u);
  EXPECT_FALSE(drivora::win32::GetDibHeader(nullptr, header));

  const drivora::win32::UniqueOpenedFile file = drivora::win32::OpenForReading(path.c_str());
  ASSERT_TRUE(file);
  const drivora::win32::UniqueGlobal block = drivora::win32::ReadDibHeaderBlock(file.get());
  ASSERT_TRUE(block);
  EXPECT_EQ(_llseek(file.get(), 0, FILE_CURRENT), 14 + 40 + 1024);  // at the first pixel
  EXPECT_EQ(GlobalFlags(block.get()) & GMEM_LOCKCOUNT, 0u);
  EXPECT_FALSE(drivora::win32::ReadDibHeaderBlock(HFILE_ERROR));
  // A block that lacks the pixels its header names makes no bitmap.
  EXPECT_FALSE(drivora::win32::MakeBitmapFromDib(block.get(), nullptr));
  EXPECT_TRUE(drivora::win32::MakeBitmapFromDib(whole.get(), nullptr));
}

}  // namespace

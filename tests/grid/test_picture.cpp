// Pictures of picture cells and sheet backgrounds: the closed set of
// formats, decoding, and damaged payloads.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdlib>

#include "GridTestSupport.h"
#include "grid/XLPicture.h"
#include "grid/XLStream.h"
#include "platform/core/BmpWriter.h"
#include "platform/core/Canvas.h"

namespace qv {
namespace {

// A small JPEG made with the library: w x h of one colour.
std::string MakeJpeg(int w, int h, unsigned char r, unsigned char g, unsigned char b) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buf, &size);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(std::size_t(w) * 3);
  for (int x = 0; x < w; ++x) {
    row[3 * x] = r;
    row[3 * x + 1] = g;
    row[3 * x + 2] = b;
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    unsigned char* rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::string out(reinterpret_cast<char*>(buf), size);
  jpeg_destroy_compress(&cinfo);
  std::free(buf);
  return out;
}

TEST(Picture, BitmapsAndJpegsDecode) {
  TImage img(5, 3, clWhite);
  img.SetPixel(4, 2, clRed);
  TXLPicture p;
  p.SetImage(img);
  EXPECT_EQ(p.GraphicClass(), "TBitmap");
  ASSERT_NE(DecodeBmp(p.Data()), nullptr);
  EXPECT_EQ(DecodeBmp(p.Data())->Pixel(4, 2), clRed);

  // An 8-bit palette bitmap written by hand, rows bottom-up: 2 x 2 of
  // palette entries 1, 0 / 0, 1.
  std::string bmp = "BM" + Le32(14 + 40 + 8 + 8) + Le32(0) + Le32(14 + 40 + 8);
  bmp += Le32(40) + Le32(2) + Le32(2) + std::string("\x01\x00\x08\x00", 4) + Le32(0) + Le32(8) +
         Le32(0) + Le32(0) + Le32(2) + Le32(0);
  bmp += std::string("\xFF\xFF\xFF\x00\x00\x00\xFF\x00", 8);  // white, red (B G R 0)
  bmp += std::string("\x01\x00\x00\x00\x00\x01\x00\x00", 8);
  TXLPicture indexed;
  indexed.SetGraphic("TBitmap", bmp);
  ASSERT_NE(indexed.Image(), nullptr);
  EXPECT_EQ(indexed.Image()->Pixel(0, 1), clRed);
  EXPECT_EQ(indexed.Image()->Pixel(1, 0), clRed);
  EXPECT_EQ(indexed.Image()->Pixel(0, 0), clWhite);

  TXLPicture jpeg;
  jpeg.SetGraphic("TJPEGImage", MakeJpeg(16, 8, 0, 0, 255));
  EXPECT_EQ(jpeg.Width(), 16);
  EXPECT_EQ(jpeg.Height(), 8);
  ASSERT_NE(jpeg.Image(), nullptr);
  const TColor c = jpeg.Image()->Pixel(8, 4);
  EXPECT_GT(GetBValue(c), 200);
  EXPECT_LT(GetRValue(c), 60);
}

TEST(Picture, OnlyKnownFormatsWithValidHeadersAreTaken) {
  TXLPicture p;
  for (const char* cls : {"TMetafile", "TIcon", "TPngImage", ""}) {
    try {
      p.SetGraphic(cls, "BM....");
      FAIL() << cls;
    } catch (const EXLGridError& e) {
      EXPECT_STREQ(e.what(), "Unsupported picture format");
    }
  }
  for (const std::string& bad : {std::string(), std::string("BM"), std::string("GIF89a"),
                                 MakeJpeg(4, 4, 1, 2, 3).substr(0, 20)}) {
    EXPECT_THROW(p.SetGraphic(bad.rfind("BM", 0) == 0 ? "TBitmap" : "TJPEGImage", bad),
                 EXLGridError);
  }
  // A header that claims more pixels than the file holds decodes to nothing.
  TImage img(4, 4);
  std::string data = EncodeBmp(img);
  data.resize(data.size() - 10);
  TXLPicture cut;
  cut.SetGraphic("TBitmap", data);
  EXPECT_EQ(cut.Image(), nullptr);
  // A damaged JPEG body decodes to nothing rather than failing.
  std::string j = MakeJpeg(32, 32, 9, 9, 9);
  const std::size_t scan = j.find("\xFF\xDA");  // start of scan: the headers stay intact
  ASSERT_NE(scan, std::string::npos);
  for (std::size_t i = scan + 16; i < j.size() - 2; ++i) j[i] = '\xFF';
  TXLPicture broken;
  broken.SetGraphic("TJPEGImage", j);
  (void)broken.Image();
}

TEST(Picture, StreamFormIsBoundedByWhatRemains) {
  TImage img(2, 2, clGreen);
  TXLPicture p;
  p.SetImage(img);
  TMemoryStream ms;
  p.WriteData(ms);
  ms.SetPosition(0);
  TXLPicture back;
  back.ReadData(ms);
  EXPECT_EQ(back, p);
  // Absent picture: one 0 byte.
  TMemoryStream empty;
  TXLPicture().WriteData(empty);
  EXPECT_EQ(empty.View(), std::string(1, '\0'));
  // A length larger than the stream is refused before any allocation.
  std::string bytes = std::string("\x01\x07", 2) + "TBitmap" + Le32(1 << 30) + "BM";
  TMemoryStream huge(bytes);
  EXPECT_THROW(back.ReadData(huge), EReadError);
  std::string alien = std::string("\x01\x09", 2) + "TMetafile" + Le32(0);
  TMemoryStream other(alien);
  EXPECT_THROW(back.ReadData(other), EXLGridError);
}

}  // namespace
}  // namespace qv

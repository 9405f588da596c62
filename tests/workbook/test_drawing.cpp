// Pictures and Office drawing records: picture files and sizes, sheet
// pictures and their anchors, the drawing group and sheet drawings written
// and read back, and damaged drawing records.
#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <filesystem>
#include <string>
#include <vector>

#include "WorkbookTestSupport.h"
#include "platform/core/RecordingCanvas.h"
#include "workbook/MSODrawing.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;

namespace {

std::string data(const std::string& name) { return test::DataFile(name); }
std::string tempFile(const std::string& name) { return test::OutFile("drawing-out", name); }

// A grey JPEG of the given size, made with libjpeg.
std::string makeJpeg(int w, int h) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buf, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 1;
  c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(w), 128);
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::string out(reinterpret_cast<char*>(buf), size);
  jpeg_destroy_compress(&c);
  free(buf);
  return out;
}

using TBook = test::TTestBook;

}  // namespace

TEST(Pictures, FilesTypesAndSizes) {
  TBook b;
  TXLSPicture& p = b.wb.Pictures.Add();
  EXPECT_EQ(p.Name, "XLSPicture 0");
  std::string jpg = tempFile("grey.JPG");
  writeFileAtomic(jpg, makeJpeg(40, 30));
  p.SetFilename(jpg);
  EXPECT_EQ(p.PictureType, ptJPEG);
  EXPECT_EQ(p.Width, 40);
  EXPECT_EQ(p.Height, 30);
  EXPECT_EQ(p.Size(), FileSizeOf(jpg));
  // A bitmap counts without its 14-byte file header.
  std::string bmp = tempFile("tiny.BMP");
  std::string dib(40, '\0');
  writeLE<uint32_t>(dib.data(), 40);
  writeLE<int32_t>(dib.data() + 4, 2);
  writeLE<int32_t>(dib.data() + 8, 2);
  writeLE<uint16_t>(dib.data() + 12, 1);
  writeLE<uint16_t>(dib.data() + 14, 24);
  dib += std::string(16, '\x7F');
  std::string head(14, '\0');
  head[0] = 'B';
  head[1] = 'M';
  writeLE<uint32_t>(head.data() + 10, 54);
  writeFileAtomic(bmp, head + dib);
  p.SetFilename(bmp);
  EXPECT_EQ(p.PictureType, ptDIB);
  EXPECT_EQ(p.Size(), FileSizeOf(bmp) - 14);
  EXPECT_EQ(p.BlipData(), dib);
  // Unknown types and missing files are messages; the picture stays.
  std::string gif = tempFile("anim.gif");
  writeFileAtomic(gif, "GIF89a");
  p.SetFilename(gif);
  p.SetFilename(tempFile("missing.png"));
  EXPECT_EQ(p.PictureType, ptDIB);
  EXPECT_EQ(b.messages,
            (std::vector<std::string>{"Unknown picture file type \"gif\"",
                                      "Can not find file \"" + tempFile("missing.png") + "\""}));
  p.SetFilename("");
  EXPECT_EQ(p.PictureType, ptUndefined);
  int w = 0, h = 0;
  EXPECT_TRUE(PictureSizeFromData(ptPNG, readFileBytes(data("dot.png")), w, h));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  EXPECT_FALSE(PictureSizeFromData(ptJPEG, "not a jpeg", w, h));
}

TEST(Pictures, SheetPicturesBindByName) {
  TBook b;
  TXLSPicture& p = b.wb.Pictures.Add();
  p.Name = "Logo";
  TSheetPictures& sp = b.wb.Sheets[0].SheetPictures;
  TSheetPicture& a = sp.Add();
  TSheetPicture& c = sp.Add();
  EXPECT_EQ(a.Name, "SheetPicture 0");
  a.SetPictureName("logo");
  c.SetPictureName("LOGO");
  EXPECT_EQ(p.UserCount, 2);
  sp.Delete(1);
  EXPECT_EQ(p.UserCount, 1);
  a.SetZoom(0);
  EXPECT_EQ(a.Zoom(), 100);
  EXPECT_EQ(b.messages, std::vector<std::string>{"Value can be between 1% - 999%"});
  a.SetCol(4);
  EXPECT_EQ(a.Anchor.Col2, 6);
}

TEST(Drawing, PicturesNotesAndChartsWrittenAndReadBack) {
  TFakeFontService fonts(8, 16);
  SetFontService(&fonts);
  for (bool inMemory : {false, true}) {
    SCOPED_TRACE(inMemory);
    TBook b;
    TXLSPicture& png = b.wb.Pictures.Add();
    png.SetFromMemory(readFileBytes(data("dot.png")), ptPNG);
    TXLSPicture& jpg = b.wb.Pictures.Add();
    jpg.SetFromMemory(makeJpeg(64, 48), ptJPEG);
    TSheet& s = b.wb.Sheets[0];
    s.SetFloat(0, 0, 1, -1);
    TSheetPicture& sp = s.SheetPictures.Add();
    sp.SetPictureName(jpg.Name);
    sp.SetCol(1);
    sp.SetRow(2);
    s.Notes.Add().SetCellRow(5);
    TSheet& s2 = b.wb.Sheets.Add();
    s2.SheetPictures.Add().SetPictureName(png.Name);
    TXLSChart& ch = s2.Charts.Add();
    ch.Series.Add().SetArea("'Sheet 1'!$A$1:$A$1");
    std::string bytes = b.wb.WriteToBytes();
    // 64 x 48 pixels from B3: 8 columns of 64 pixels... one column and
    // three rows of 20 pixels (16 + 4) with 8 left over.
    EXPECT_TRUE(sp.AnchorComputed);
    EXPECT_EQ(sp.Anchor.Col2, 2);
    EXPECT_EQ(sp.Anchor.ColOffset2, 0);
    EXPECT_EQ(sp.Anchor.Row2, 4);
    EXPECT_EQ(sp.Anchor.RowOffset2, 8 * 256 / 20);
    TBook back;
    if (inMemory) back.wb.PictureOptions = TPictureOptions{poInMemory};
    back.wb.ReadFromBytes(bytes);
    ASSERT_EQ(back.wb.Pictures.Count(), 2);
    EXPECT_EQ(back.wb.Pictures.Item(0).PictureType, ptPNG);
    EXPECT_EQ(back.wb.Pictures.Item(0).BlipData(), readFileBytes(data("dot.png")));
    EXPECT_EQ(back.wb.Pictures.Item(1).PictureType, ptJPEG);
    EXPECT_EQ(back.wb.Pictures.Item(1).Width, 64);
    EXPECT_EQ(back.wb.Pictures.Item(1).IsTemporary(), !inMemory);
    ASSERT_EQ(back.wb.Sheets[0].SheetPictures.Count(), 1);
    EXPECT_EQ(back.wb.Sheets[0].SheetPictures.Item(0).Picture(), &back.wb.Pictures.Item(1));
    EXPECT_EQ(back.wb.Sheets[0].SheetPictures.Item(0).Anchor.Row2, 4);
    EXPECT_EQ(back.wb.Sheets[0].Notes.Count(), 1);
    EXPECT_EQ(back.wb.Sheets[1].SheetPictures.Item(0).Picture(), &back.wb.Pictures.Item(0));
    ASSERT_EQ(back.wb.Sheets[1].InFileCharts.Count(), 1);
    EXPECT_GT(back.wb.Sheets[1].InFileCharts.Item(0).Records.size(), 50u);
    // Temporary picture files go with the workbook.
    std::string temp = back.wb.Pictures.Item(1).Filename();
    back.wb.Clear();
    if (!inMemory) {
      EXPECT_FALSE(temp.empty());
      EXPECT_FALSE(FileExists(temp));
    }
    // Our own file read and written again keeps the pictures and chart.
    TBook again;
    again.wb.ReadFromBytes(bytes);
    TBook third;
    third.wb.ReadFromBytes(again.wb.WriteToBytes());
    EXPECT_EQ(third.wb.Pictures.Count(), 2);
    EXPECT_EQ(third.wb.Sheets[1].InFileCharts.Count(), 1);
  }
  SetFontService(nullptr);
}

TEST(Drawing, DamagedRecordsEndQuietly) {
  // Containers claiming more than there is, nested deeper than the limit,
  // and a record type outside the drawing range.
  std::string deep;
  for (int i = 0; i < 200; ++i) {
    std::string h(8, '\0');
    writeLE<uint16_t>(h.data(), 0x000F);
    writeLE<uint16_t>(h.data() + 2, 0xF004);
    writeLE<uint32_t>(h.data() + 4, 0xFFFFFFFF);
    deep += h;
  }
  TMSOReadDrawing d;
  d.Read(deep);
  EXPECT_EQ(d.Shapes.size(), static_cast<size_t>(TMSORead::MaxDepth + 1));
  // A picture-store entry with a name: the name is passed over and the
  // picture after it read.
  std::string png = readFileBytes(data("dot.png"));
  std::string blip(8, '\0');
  writeLE<uint16_t>(blip.data(), static_cast<uint16_t>(0x6E0 << 4));
  writeLE<uint16_t>(blip.data() + 2, 0xF01E);
  writeLE<uint32_t>(blip.data() + 4, static_cast<uint32_t>(17 + png.size()));
  blip += std::string(16, '\x11') + "\xFF" + png;
  std::string body(36, '\0');
  body[0] = 6;
  body[33] = 4;
  body += std::string("n\0a\0", 4) + blip;
  std::string bse(8, '\0');
  writeLE<uint16_t>(bse.data(), static_cast<uint16_t>(0x0002 | (6 << 4)));
  writeLE<uint16_t>(bse.data() + 2, 0xF007);
  writeLE<uint32_t>(bse.data() + 4, static_cast<uint32_t>(body.size()));
  TMSOReadGroup g;
  g.Read(bse + body);
  ASSERT_EQ(g.Blips.size(), 1u);
  EXPECT_EQ(g.Blips[0].BlipType, 6);
  EXPECT_EQ(g.Blips[0].Data, png);
  // The same entry cut short: no picture data, no failure.
  TMSOReadGroup cut;
  cut.Read(bse + body.substr(0, 50));
  ASSERT_EQ(cut.Blips.size(), 1u);
  EXPECT_FALSE(cut.Blips[0].HasData);
  TMSOReadDrawing other;
  other.Read(std::string("\x0F\x00\x00\x10\x00\x00\x00\x00", 8));
  EXPECT_TRUE(other.Shapes.empty());
}

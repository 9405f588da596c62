#include "workbook/XLSCharts.h"

#include "workbook/XLSRecordBuilder.h"
#include "workbook/XLSStream.h"
#include "workbook/XLSStrings.h"

namespace qv {

TChartSerie::TChartSerie(TFormulaHost* host, int index)
    : Name("Serie " + std::to_string(index)), host_(host) {}

std::string TChartSerie::Area() const {
  return host_ && !AreaTokens.empty() ? host_->DecodeTokens(AreaTokens) : std::string();
}
void TChartSerie::SetArea(const std::string& text) {
  if (host_) AreaTokens = host_->EncodeText(text, 8224);
}
std::string TChartSerie::Categories() const {
  return host_ && !CategoryTokens.empty() ? host_->DecodeTokens(CategoryTokens) : std::string();
}
void TChartSerie::SetCategories(const std::string& text) {
  if (host_) CategoryTokens = host_->EncodeText(text, 8224);
}

TXLSChart::TXLSChart(TFormulaHost* host, int index)
    : Name("Chart " + std::to_string(index)), Series(host) {
  Anchor.Col1 = 5;
  Anchor.Row1 = 5;
  Anchor.Col2 = 10;
  Anchor.Row2 = 20;
}

namespace {

// Chart record ids.
enum : uint16_t {
  rUNITS = 0x1001,
  rCHART = 0x1002,
  rSERIES = 0x1003,
  rDATAFORMAT = 0x1006,
  rLINEFORMAT = 0x1007,
  rAREAFORMAT = 0x100A,
  rSERIESTEXT = 0x100D,
  rCHARTFORMAT = 0x1014,
  rLEGEND = 0x1015,
  rBAR = 0x1017,
  rLINE = 0x1018,
  rPIE = 0x1019,
  rAREA = 0x101A,
  rAXIS = 0x101D,
  rTICK = 0x101E,
  rVALUERANGE = 0x101F,
  rCATSERRANGE = 0x1020,
  rAXISLINEFORMAT = 0x1021,
  rDEFAULTTEXT = 0x1024,
  rTEXT = 0x1025,
  rFONTX = 0x1026,
  rOBJECTLINK = 0x1027,
  rFRAME = 0x1032,
  rBEGIN = 0x1033,
  rEND = 0x1034,
  rPLOTAREA = 0x1035,
  r3D = 0x103A,
  rRADAR = 0x103E,
  rSURFACE = 0x103F,
  rRADARAREA = 0x1040,
  rAXISPARENT = 0x1041,
  rSHTPROPS = 0x1044,
  rSERTOCRT = 0x1045,
  rAXESUSED = 0x1046,
  rPOS = 0x104F,
  rAI = 0x1051,
  r3DBARSHAPE = 0x105F,
  rFBI = 0x1060,
  rAXCEXT = 0x1062,
  rPLOTGROWTH = 0x1064,
  rSIINDEX = 0x1065
};

class TChartWriter {
 public:
  explicit TChartWriter(TXLSStream& s) : s_(s) {}
  void rec(uint16_t id, const TRecordBuilder& b = {}) { b.WriteTo(s_, id); }
  void word(uint16_t id, unsigned v) { rec(id, TRecordBuilder().U16(v)); }
  void begin() { rec(rBEGIN); }
  void end() { rec(rEND); }
  void lineFormat(uint32_t rgb, unsigned flags, unsigned icv) {
    rec(rLINEFORMAT, TRecordBuilder().U32(rgb).U16(0).U16(0xFFFF).U16(flags).U16(icv));
  }
  void areaFormat(uint32_t fore, uint32_t back, unsigned flags, unsigned icvFore,
                  unsigned icvBack) {
    rec(rAREAFORMAT,
        TRecordBuilder().U32(fore).U32(back).U16(1).U16(flags).U16(icvFore).U16(icvBack));
  }
  void pos() { rec(rPOS, TRecordBuilder().U16(2).U16(2).Zeros(16)); }
  void ai(unsigned id, unsigned rt, const std::string& tokens) {
    rec(rAI, TRecordBuilder()
                 .U8(id)
                 .U8(rt)
                 .U16(0)
                 .U16(0)
                 .U16(static_cast<unsigned>(tokens.size()))
                 .Bytes(tokens));
  }
  void text(int y) {
    rec(rTEXT, TRecordBuilder()
                   .U8(2)
                   .U8(2)
                   .U16(1)
                   .U32(0)
                   .I32(1643)
                   .I32(y)
                   .I32(714)
                   .I32(397)
                   .U16(129)
                   .U16(77)
                   .U16(0x3D20)
                   .U16(0));
  }
  void seriesText(const std::string& t) {
    TRecordBuilder b;
    b.U16(0);
    std::string chars;
    size_t n = AppendBIFF8Chars(chars, t, false, 255);
    b.U8(static_cast<unsigned>(n)).Bytes(chars);
    rec(rSERIESTEXT, b);
  }
  void tick() {
    rec(rTICK, TRecordBuilder().U8(2).U8(0).U8(3).U8(1).U32(0).Zeros(16).U16(0x23).U16(77).U16(0));
  }

 private:
  TXLSStream& s_;
};

}  // namespace

void TXLSChart::WriteRecords(TXLSStream& s) const {
  TChartWriter w(s);
  // Page set-up of the chart.
  w.rec(biff::HEADER);
  w.rec(biff::FOOTER);
  w.word(biff::HCENTER, 0);
  w.word(biff::VCENTER, 0);
  w.rec(biff::SETUP, TRecordBuilder()
                         .U16(0)
                         .U16(18)
                         .U16(1)
                         .U16(1)
                         .U16(1)
                         .U16(0x0003)
                         .U16(0)
                         .U16(2208)
                         .F64(0)
                         .F64(0)
                         .U16(1));
  w.word(biff::PRINTSIZE, 3);
  w.rec(rFBI, TRecordBuilder().U16(5685).U16(4380).U16(240).U16(0).U16(0));
  w.rec(rFBI, TRecordBuilder().U16(5685).U16(4380).U16(200).U16(1).U16(0));
  w.rec(rFBI, TRecordBuilder().U16(5685).U16(4380).U16(200).U16(0).U16(0));
  w.word(biff::PROTECT, 0);
  w.word(rUNITS, 0);

  // The chart and its frame.
  w.rec(rCHART, TRecordBuilder().U32(0).U32(0).U32(400u << 16).U32(300u << 16));
  w.begin();
  w.rec(biff::SCL, TRecordBuilder().U16(1).U16(1));
  w.rec(rPLOTGROWTH, TRecordBuilder().U32(0x10000).U32(0x10000));
  w.rec(rFRAME, TRecordBuilder().U16(0).U16(3));
  w.begin();
  w.lineFormat(0, 0x0009, 0x4D);
  w.areaFormat(0xFFFFFF, 0, 0x0001, 0x4E, 0x4D);
  w.end();

  // Series.
  for (int i = 0; i < Series.Count(); ++i) {
    const TChartSerie& sr = Series.Item(i);
    w.rec(rSERIES, TRecordBuilder().U16(1).U16(1).U16(0).U16(0).U16(1).U16(0));
    w.begin();
    w.ai(0, sr.SerieName.empty() ? 0 : 1, {});
    if (!sr.SerieName.empty()) w.seriesText(sr.SerieName);
    w.ai(1, 2, sr.AreaTokens);
    w.ai(2, sr.CategoryTokens.empty() ? 0 : 2, sr.CategoryTokens);
    w.ai(3, 1, {});
    w.rec(rDATAFORMAT, TRecordBuilder()
                           .U16(0xFFFF)
                           .U16(static_cast<unsigned>(i))
                           .U16(static_cast<unsigned>(i))
                           .U16(0));
    w.begin();
    w.word(r3DBARSHAPE, 0);
    if (sr.Color != xcAutomatic) {
      w.lineFormat(0xA0A0A0, 0, sr.Color);
      w.areaFormat(0x909090, 0x909090, 0, sr.Color, sr.Color);
    }
    w.end();
    w.word(rSERTOCRT, 0);
    w.end();
  }
  w.rec(rSHTPROPS, TRecordBuilder().U16(10).U8(0).U8(0));

  for (int i = 2; i <= 3; ++i) {
    w.word(rDEFAULTTEXT, static_cast<unsigned>(i));
    w.text(82);
    w.begin();
    w.pos();
    w.word(rFONTX, 0);
    w.ai(0, 1, {});
    w.end();
  }

  // Axes.
  w.word(rAXESUSED, 1);
  w.rec(rAXISPARENT, TRecordBuilder().U16(0).I32(490).I32(895).I32(2606).I32(2456));
  w.begin();
  w.pos();
  w.rec(rAXIS, TRecordBuilder().U16(0).Zeros(16));
  w.begin();
  w.rec(rCATSERRANGE, TRecordBuilder().U16(1).U16(1).U16(1).U16(1));
  w.rec(rAXCEXT,
        TRecordBuilder().U16(0).U16(0).U16(1).U16(0).U16(1).U16(0).U16(0).U16(0).U16(0xEF));
  w.tick();
  w.end();
  w.rec(rAXIS, TRecordBuilder().U16(1).Zeros(16));
  w.begin();
  w.rec(rVALUERANGE, TRecordBuilder().F64(0).F64(0).F64(0).F64(0).F64(0).U16(31));
  w.tick();
  w.word(rAXISLINEFORMAT, 1);
  w.lineFormat(0x808080, 0, 0x17);
  w.end();

  if (!CategoryTitle.empty()) {
    w.text(3600);
    w.begin();
    w.pos();
    w.word(rFONTX, 0);
    w.ai(0, 1, {});
    w.seriesText(CategoryTitle);
    w.rec(rOBJECTLINK, TRecordBuilder().U16(3).U16(0).U16(0));
    w.end();
  }

  w.rec(rPLOTAREA);
  w.rec(rFRAME, TRecordBuilder().U16(0).U16(3));
  w.begin();
  w.lineFormat(0x808080, 0, 0x17);
  w.areaFormat(0xC0C0C0, 0, 0, 0x16, 0x4F);
  w.end();

  bool varied = Style == csPie || Style == csPie3d;
  w.rec(rCHARTFORMAT, TRecordBuilder().Zeros(16).U16(varied ? 1 : 0).U16(0));
  w.begin();
  switch (Style) {
    case csColumn:
    case csColumn3d:
    case csLineMark:
      w.rec(rBAR, TRecordBuilder().U16(0).U16(150).U16(0));
      break;
    case csBar:
    case csBar3d:
      w.rec(rBAR, TRecordBuilder().U16(0).U16(150).U16(1));
      break;
    case csLine:
    case csLine3d:
      w.word(rLINE, 0);
      break;
    case csPie:
    case csPie3d:
      w.rec(rPIE, TRecordBuilder().U16(0).U16(0).U16(1));
      break;
    case csArea:
    case csArea3d:
      w.word(rAREA, 0);
      break;
    case csSurface:
    case csSurface3d:
      w.word(rSURFACE, 1);
      break;
    case csRadar:
      w.word(rRADAR, 0);
      break;
    case csRadarArea:
      w.word(rRADARAREA, 0);
      break;
  }
  switch (Style) {
    case csColumn3d:
    case csBar3d:
    case csLine3d:
    case csPie3d:
    case csArea3d:
    case csSurface3d:
      w.rec(r3D, TRecordBuilder().U16(20).U16(15).U16(30).U16(100).U16(100).U16(150).U16(21));
      break;
    default:
      break;
  }
  if (Legend.Include) {
    w.rec(
        rLEGEND,
        TRecordBuilder().I32(3239).I32(1947).I32(710).I32(333).U8(Legend.Placement).U8(1).U16(31));
    w.begin();
    w.pos();
    w.text(82);
    w.begin();
    w.pos();
    w.ai(0, 1, {});
    w.end();
    w.end();
  }
  w.end();  // chart format
  w.end();  // axis parent

  if (!Title.empty()) {
    w.text(82);
    w.begin();
    w.pos();
    w.word(rFONTX, 0);
    w.ai(0, 1, {});
    w.seriesText(Title);
    w.rec(rOBJECTLINK, TRecordBuilder().U16(1).U16(0).U16(0));
    w.end();
  }
  w.end();  // chart
  w.rec(biff::DIMENSIONS, TRecordBuilder().U32(0).U32(13).U16(0).U16(1).U16(0));
  w.word(rSIINDEX, 1);
  w.word(rSIINDEX, 2);
  w.word(rSIINDEX, 3);
}

}  // namespace qv

// The ids of the BIFF records that the workbook reader and writer know,
// by record name. A record that older versions store under another id has
// that id under its name with the version it belongs to: FORMULA3 is the
// FORMULA record of Excel 3.0, FONT3 the FONT record of Excel 3.0 and 4.0.
// Chart records (0x10xx) are the chart module's own.
#pragma once

#include <cstdint>

namespace qv::biff {

enum TRecordId : uint16_t {
  // Substreams: every id whose low byte is 0x09 is a BOF.
  BOF2 = 0x0009,
  BOF3 = 0x0209,
  BOF4 = 0x0409,
  BOF8 = 0x0809,  // Excel 5 and 97: the version word of the body tells them apart
  EOF_ = 0x000A,
  CONTINUE = 0x003C,

  // Cells of Excel 2.1.
  DIMENSIONS2 = 0x0000,
  INTEGER2 = 0x0002,
  NUMBER2 = 0x0003,
  LABEL2 = 0x0004,
  BOOLERR2 = 0x0005,
  STRING2 = 0x0007,
  // Cells.
  FORMULA = 0x0006,
  FORMULA3 = 0x0206,
  FORMULA4 = 0x0406,
  RK3 = 0x007E,
  MULRK = 0x00BD,
  MULBLANK = 0x00BE,
  RSTRING = 0x00D6,
  LABELSST = 0x00FD,
  DIMENSIONS = 0x0200,
  BLANK = 0x0201,
  NUMBER = 0x0203,
  LABEL = 0x0204,
  BOOLERR = 0x0205,
  STRING = 0x0207,
  ARRAY = 0x0221,
  RK = 0x027E,
  SHRFMLA_OLD = 0x00BC,  // the id some writers give SHRFMLA
  SHRFMLA = 0x04BC,

  // Workbook globals.
  CALCMODE = 0x000D,
  PRECISION = 0x000E,
  PROTECT = 0x0012,
  PASSWORD = 0x0013,
  EXTERNCOUNT = 0x0016,
  EXTERNSHEET = 0x0017,
  NAME = 0x0018,
  WINDOWPROTECT = 0x0019,
  DATEMODE = 0x0022,  // the 1904 record
  EXTERNNAME = 0x0023,
  FILEPASS = 0x002F,
  WINDOW1 = 0x003D,
  BACKUP = 0x0040,
  CODEPAGE = 0x0042,
  WRITEACCESS = 0x005C,
  SAVERECALC = 0x005F,
  BOUNDSHEET = 0x0085,
  COUNTRY = 0x008C,
  HIDEOBJ = 0x008D,
  PALETTE = 0x0092,
  FNGROUPCOUNT = 0x009C,
  OBJPROJ = 0x00D3,
  BOOKBOOL = 0x00DA,
  MSODRAWINGGROUP = 0x00EB,
  SST = 0x00FC,
  EXTSST = 0x00FF,
  TABID = 0x013D,
  USESELFS = 0x0160,
  DSF = 0x0161,
  SUPBOOK = 0x01AE,
  PROT4REV = 0x01AF,
  REFRESHALL = 0x01B7,
  CODENAME = 0x01BA,
  PROT4REVPASS = 0x01BC,
  NAME3 = 0x0218,
  EXTERNNAME3 = 0x0223,

  // Fonts and formats.
  FONT = 0x0031,
  XF = 0x00E0,
  FONT3 = 0x0231,
  XF3 = 0x0243,
  STYLE = 0x0293,
  FORMAT = 0x041E,
  XF4 = 0x0443,

  // Sheet settings.
  CALCCOUNT = 0x000C,
  REFMODE = 0x000F,
  DELTA = 0x0010,
  ITERATION = 0x0011,
  SELECTION = 0x001D,
  PANE = 0x0041,
  DEFCOLWIDTH = 0x0055,
  COLINFO = 0x007D,
  GUTS = 0x0080,
  WSBOOL = 0x0081,
  GRIDSET = 0x0082,
  SCL = 0x00A0,
  MERGEDCELLS = 0x00E5,
  DVAL = 0x01B2,
  HLINK = 0x01B8,
  DV = 0x01BE,
  ROW = 0x0208,
  DEFAULTROWHEIGHT = 0x0225,
  WINDOW2 = 0x023E,

  // Printing.
  HEADER = 0x0014,
  FOOTER = 0x0015,
  VERTICALPAGEBREAKS = 0x001A,
  HORIZONTALPAGEBREAKS = 0x001B,
  LEFTMARGIN = 0x0026,
  RIGHTMARGIN = 0x0027,
  TOPMARGIN = 0x0028,
  BOTTOMMARGIN = 0x0029,
  PRINTHEADERS = 0x002A,
  PRINTGRIDLINES = 0x002B,
  PRINTSIZE = 0x0033,
  PLS = 0x004D,
  HCENTER = 0x0083,
  VCENTER = 0x0084,
  SETUP = 0x00A1,

  // Notes and drawings.
  NOTE = 0x001C,
  OBJ = 0x005D,
  MSODRAWING = 0x00EC,
  MSODRAWINGSELECTION = 0x00ED,
  TXO = 0x01B6,
};

// BOF substream types.
enum TSubstream : uint16_t {
  stGlobals = 0x0005,
  stWorksheet = 0x0010,
  stChart = 0x0020,
};

}  // namespace qv::biff

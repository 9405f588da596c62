#include "workbook/DecodeFormula.h"

#include <vector>

#include "platform/core/Codepage.h"
#include "platform/core/SysUtils.h"
#include "workbook/XLSStrings.h"

namespace qv {

const TExcelFunc ExcelFuncs[ExcelFuncCount] = {
    {1, 99, "COUNT"},             // 0
    {2, 3, "IF"},                 // 1
    {1, 1, "ISNA"},               // 2
    {1, 1, "ISERROR"},            // 3
    {1, 99, "SUM"},               // 4
    {1, 99, "AVERAGE"},           // 5
    {1, 99, "MIN"},               // 6
    {1, 99, "MAX"},               // 7
    {0, 1, "ROW"},                // 8
    {0, 1, "COLUMN"},             // 9
    {1, 1, "NA"},                 // 10
    {1, 99, "NPV"},               // 11
    {1, 99, "STDEV"},             // 12
    {1, 2, "DOLLAR"},             // 13
    {1, 3, "FIXED"},              // 14
    {1, 1, "SIN"},                // 15
    {1, 1, "COS"},                // 16
    {1, 1, "TAN"},                // 17
    {1, 1, "ATAN"},               // 18
    {0, 0, "PI"},                 // 19
    {1, 1, "SQRT"},               // 20
    {1, 1, "EXP"},                // 21
    {1, 1, "LN"},                 // 22
    {1, 1, "LOG10"},              // 23
    {1, 1, "ABS"},                // 24
    {1, 1, "INT"},                // 25
    {1, 1, "SIGN"},               // 26
    {2, 2, "ROUND"},              // 27
    {3, 3, "LOOKUP"},             // 28
    {1, 3, "INDEX"},              // 29
    {2, 2, "REPT"},               // 30
    {1, 3, "MID"},                // 31
    {1, 1, "LEN"},                // 32
    {1, 1, "VALUE"},              // 33
    {0, 0, "TRUE"},               // 34
    {0, 0, "FALSE"},              // 35
    {1, 99, "AND"},               // 36
    {1, 99, "OR"},                // 37
    {1, 1, "NOT"},                // 38
    {2, 2, "MOD"},                // 39
    {3, 3, "DCOUNT"},             // 40
    {3, 3, "DSUM"},               // 41
    {3, 3, "DAVERAGE"},           // 42
    {3, 3, "DMIN"},               // 43
    {3, 3, "DMAX"},               // 44
    {3, 3, "DSTDEV"},             // 45
    {1, 99, "VAR"},               // 46
    {3, 3, "DVAR"},               // 47
    {2, 2, "TEXT"},               // 48
    {1, 4, "LINEST"},             // 49
    {1, 4, "TREND"},              // 50
    {1, 4, "LOGEST"},             // 51
    {1, 4, "GROWTH"},             // 52
    {1, 1, "GOTO"},               // 53
    {1, 1, "HALT"},               // 54
    {1, 1, "RETURN"},             // 55
    {2, 5, "PV"},                 // 56
    {2, 5, "FV"},                 // 57
    {2, 5, "NPER"},               // 58
    {3, 5, "PMT"},                // 59
    {3, 5, "RATE"},               // 60
    {3, 3, "MIRR"},               // 61
    {1, 2, "IRR"},                // 62
    {0, 0, "RAND"},               // 63
    {2, 3, "MATCH"},              // 64
    {3, 3, "DATE"},               // 65
    {3, 3, "TIME"},               // 66
    {1, 1, "DAY"},                // 67
    {1, 1, "MONTH"},              // 68
    {1, 1, "YEAR"},               // 69
    {1, 2, "WEEKDAY"},            // 70
    {1, 1, "HOUR"},               // 71
    {1, 1, "MINUTE"},             // 72
    {1, 1, "SECOND"},             // 73
    {0, 0, "NOW"},                // 74
    {1, 1, "AREAS"},              // 75
    {1, 1, "ROWS"},               // 76
    {1, 1, "COLUMNS"},            // 77
    {2, 4, "OFFSET"},             // 78
    {1, 1, "ABSREF"},             // 79
    {1, 1, "RELREF"},             // 80
    {1, 1, "ARGUMENT"},           // 81
    {2, 3, "SEARCH"},             // 82
    {1, 1, "TRANSPOSE"},          // 83
    {1, 1, "ERROR"},              // 84
    {1, 1, "STEP"},               // 85
    {1, 1, "TYPE"},               // 86
    {1, 1, "ECHO"},               // 87
    {1, 1, "SET.NAME"},           // 88
    {1, 1, "CALLER"},             // 89
    {1, 1, "DEREF"},              // 90
    {1, 1, "WINDOWS"},            // 91
    {1, 1, "SERIES"},             // 92
    {1, 1, "DOCUMENTS"},          // 93
    {1, 1, "ACTIVE.CELL"},        // 94
    {1, 1, "SELECTION"},          // 95
    {1, 1, "RESULT"},             // 96
    {2, 2, "ATAN2"},              // 97
    {1, 1, "ASIN"},               // 98
    {1, 1, "ACOS"},               // 99
    {2, 99, "CHOOSE"},            // 100
    {3, 4, "HLOOKUP"},            // 101
    {3, 4, "VLOOKUP"},            // 102
    {1, 1, "LINKS"},              // 103
    {1, 1, "INPUT"},              // 104
    {1, 1, "ISREF"},              // 105
    {1, 1, "GET.FORMULA"},        // 106
    {1, 1, "GET.NAME"},           // 107
    {1, 1, "SET.VALUE"},          // 108
    {1, 2, "LOG"},                // 109
    {1, 1, "EXEC"},               // 110
    {1, 1, "CHAR"},               // 111
    {1, 1, "LOWER"},              // 112
    {1, 1, "UPPER"},              // 113
    {1, 1, "PROPER"},             // 114
    {1, 2, "LEFT"},               // 115
    {1, 2, "RIGHT"},              // 116
    {2, 2, "EXACT"},              // 117
    {1, 1, "TRIM"},               // 118
    {4, 4, "REPLACE"},            // 119
    {3, 4, "SUBSTITUTE"},         // 120
    {1, 1, "CODE"},               // 121
    {1, 1, "NAMES"},              // 122
    {1, 1, "DIRECTORY"},          // 123
    {2, 3, "FIND"},               // 124
    {2, 2, "CELL"},               // 125
    {1, 1, "ISERR"},              // 126
    {1, 1, "ISTEXT"},             // 127
    {1, 1, "ISNUMBER"},           // 128
    {1, 1, "ISBLANK"},            // 129
    {1, 1, "T"},                  // 130
    {1, 1, "N"},                  // 131
    {1, 1, "FOPEN"},              // 132
    {1, 1, "FCLOSE"},             // 133
    {1, 1, "FSIZE"},              // 134
    {1, 1, "FREADLN"},            // 135
    {1, 1, "FREAD"},              // 136
    {1, 1, "FWRITELN"},           // 137
    {1, 1, "FWRITE"},             // 138
    {1, 1, "FPOS"},               // 139
    {1, 1, "DATEVALUE"},          // 140
    {1, 1, "TIMEVALUE"},          // 141
    {3, 3, "SLN"},                // 142
    {3, 3, "SYD"},                // 143
    {3, 5, "DDB"},                // 144
    {1, 1, "GET.DEF"},            // 145
    {1, 1, "REFTEXT"},            // 146
    {1, 1, "TEXTREF"},            // 147
    {1, 2, "INDIRECT"},           // 148
    {1, 3, "REGISTER"},           // 149
    {1, 99, "CALL"},              // 150
    {1, 1, "ADD.BAR"},            // 151
    {1, 1, "ADD.MENU"},           // 152
    {1, 1, "ADD.COMMAND"},        // 153
    {1, 1, "ENABLE.COMMAND"},     // 154
    {1, 1, "CHECK.COMMAND"},      // 155
    {1, 1, "RENAME.COMMAND"},     // 156
    {1, 1, "SHOW.BAR"},           // 157
    {1, 1, "DELETE.MENU"},        // 158
    {1, 1, "DELETE.COMMAND"},     // 159
    {1, 1, "GET.CHART.ITEM"},     // 160
    {1, 1, "DIALOG.BOX"},         // 161
    {1, 1, "CLEAN"},              // 162
    {1, 1, "MDETERM"},            // 163
    {1, 1, "MINVERSE"},           // 164
    {1, 1, "MMULT"},              // 165
    {1, 1, "FILES"},              // 166
    {4, 6, "IPMT"},               // 167
    {4, 6, "PPMT"},               // 168
    {1, 99, "COUNTA"},            // 169
    {1, 1, "CANCEL.KEY"},         // 170
    {1, 1, "FOR"},                // 171
    {1, 1, "WHILE"},              // 172
    {1, 1, "BREAK"},              // 173
    {1, 1, "NEXT"},               // 174
    {1, 1, "INITIATE"},           // 175
    {1, 1, "REQUEST"},            // 176
    {1, 1, "POKE"},               // 177
    {1, 1, "EXECUTE"},            // 178
    {1, 1, "TERMINATE"},          // 179
    {1, 1, "RESTART"},            // 180
    {1, 1, "HELP"},               // 181
    {1, 1, "GET.BAR"},            // 182
    {1, 99, "PRODUCT"},           // 183
    {1, 1, "FACT"},               // 184
    {1, 1, "GET.CELL"},           // 185
    {1, 1, "GET.WORKSPACE"},      // 186
    {1, 1, "GET.WINDOW"},         // 187
    {1, 1, "GET.DOCUMENT"},       // 188
    {3, 3, "DPRODUCT"},           // 189
    {1, 1, "ISNONTEXT"},          // 190
    {1, 1, "GET.NOTE"},           // 191
    {1, 1, "NOTE"},               // 192
    {1, 99, "STDEVP"},            // 193
    {1, 99, "VARP"},              // 194
    {3, 3, "DSTDEVP"},            // 195
    {3, 3, "DVARP"},              // 196
    {1, 2, "TRUNC"},              // 197
    {1, 1, "ISLOGICAL"},          // 198
    {3, 3, "DCOUNTA"},            // 199
    {1, 1, "DELETE.BAR"},         // 200
    {1, 1, "UNREGISTER"},         // 201
    {1, 1, "202"},                // 202
    {1, 1, "203"},                // 203
    {1, 1, "USDOLLAR"},           // 204
    {1, 1, "FINDB"},              // 205
    {1, 1, "SEARCHB"},            // 206
    {1, 1, "REPLACEB"},           // 207
    {1, 1, "LEFTB"},              // 208
    {1, 1, "RIGHTB"},             // 209
    {1, 1, "MIDB"},               // 210
    {1, 1, "LENB"},               // 211
    {1, 2, "ROUNDUP"},            // 212
    {1, 2, "ROUNDDOWN"},          // 213
    {1, 1, "ASC"},                // 214
    {1, 1, "DBCS"},               // 215
    {2, 3, "RANK"},               // 216
    {1, 1, "217"},                // 217
    {1, 1, "218"},                // 218
    {2, 5, "ADDRESS"},            // 219
    {2, 3, "DAYS360"},            // 220
    {0, 0, "TODAY"},              // 221
    {5, 7, "VDB"},                // 222
    {1, 1, "ELSE"},               // 223
    {1, 1, "ELSE.IF"},            // 224
    {1, 1, "END.IF"},             // 225
    {1, 1, "FOR.CELL"},           // 226
    {1, 99, "MEDIAN"},            // 227
    {2, 99, "SUMPRODUCT"},        // 228
    {1, 1, "SINH"},               // 229
    {1, 1, "COSH"},               // 230
    {1, 1, "TANH"},               // 231
    {1, 1, "ASINH"},              // 232
    {1, 1, "ACOSH"},              // 233
    {1, 1, "ATANH"},              // 234
    {3, 3, "DGET"},               // 235
    {1, 1, "CREATE.OBJECT"},      // 236
    {1, 1, "VOLATILE"},           // 237
    {1, 1, "LAST.ERROR"},         // 238
    {1, 1, "CUSTOM.UNDO"},        // 239
    {1, 1, "CUSTOM.REPEAT"},      // 240
    {1, 1, "FORMULA.CONVERT"},    // 241
    {1, 1, "GET.LINK.INFO"},      // 242
    {1, 1, "TEXT.BOX"},           // 243
    {1, 1, "INFO"},               // 244
    {1, 1, "GROUP"},              // 245
    {1, 1, "GET.OBJECT"},         // 246
    {4, 5, "DB"},                 // 247
    {1, 1, "PAUSE"},              // 248
    {1, 1, "249"},                // 249
    {1, 1, "250"},                // 250
    {1, 1, "RESUME"},             // 251
    {2, 2, "FREQUENCY"},          // 252
    {1, 1, "ADD.TOOLBAR"},        // 253
    {1, 1, "DELETE.TOOLBAR"},     // 254
    {1, 1, "255"},                // 255
    {1, 1, "RESET.TOOLBAR"},      // 256
    {1, 1, "EVALUATE"},           // 257
    {1, 1, "GET.TOOLBAR"},        // 258
    {1, 1, "GET.TOOL"},           // 259
    {1, 1, "SPELLING.CHECK"},     // 260
    {1, 1, "ERROR.TYPE"},         // 261
    {1, 1, "APP.TITLE"},          // 262
    {1, 1, "WINDOW.TITLE"},       // 263
    {1, 1, "SAVE.TOOLBAR"},       // 264
    {1, 1, "ENABLE.TOOL"},        // 265
    {1, 1, "PRESS.TOOL"},         // 266
    {1, 1, "REGISTER.ID"},        // 267
    {1, 1, "GET.WORKBOOK"},       // 268
    {1, 99, "AVEDEV"},            // 269
    {3, 5, "BETADIST"},           // 270
    {1, 1, "GAMMALN"},            // 271
    {1, 1, "BETAINV"},            // 272
    {3, 5, "BINOMDIST"},          // 273
    {1, 1, "CHIDIST"},            // 274
    {2, 2, "CHIINV"},             // 275
    {2, 2, "COMBIN"},             // 276
    {3, 3, "CONFIDENCE"},         // 277
    {3, 3, "CRITBINOM"},          // 278
    {1, 1, "EVEN"},               // 279
    {3, 3, "EXPONDIST"},          // 280
    {3, 3, "FDIST"},              // 281
    {3, 3, "FINV"},               // 282
    {1, 1, "FISHER"},             // 283
    {1, 1, "FISHERINV"},          // 284
    {2, 2, "FLOOR"},              // 285
    {4, 4, "GAMMADIST"},          // 286
    {3, 3, "GAMMAINV"},           // 287
    {2, 2, "CEILING"},            // 288
    {4, 4, "HYPGEOMDIST"},        // 289
    {3, 3, "LOGNORMDIST"},        // 290
    {3, 3, "LOGINV"},             // 291
    {3, 3, "NEGBINOMDIST"},       // 292
    {4, 4, "NORMDIST"},           // 293
    {1, 1, "NORMSDIST"},          // 294
    {3, 3, "NORMINV"},            // 295
    {1, 1, "NORMSINV"},           // 296
    {1, 1, "STANDARDIZE"},        // 297
    {1, 1, "ODD"},                // 298
    {2, 2, "PERMUT"},             // 299
    {3, 3, "POISSON"},            // 300
    {3, 3, "TDIST"},              // 301
    {4, 4, "WEIBULL"},            // 302
    {2, 2, "SUMXMY2"},            // 303
    {2, 2, "SUMX2MY2"},           // 304
    {2, 2, "SUMX2PY2"},           // 305
    {2, 2, "CHITEST"},            // 306
    {2, 2, "CORREL"},             // 307
    {2, 2, "COVAR"},              // 308
    {3, 3, "FORECAST"},           // 309
    {2, 2, "FTEST"},              // 310
    {2, 2, "INTERCEPT"},          // 311
    {2, 2, "PEARSON"},            // 312
    {2, 2, "RSQ"},                // 313
    {2, 2, "STEYX"},              // 314
    {2, 2, "SLOPE"},              // 315
    {4, 4, "TTEST"},              // 316
    {3, 4, "PROB"},               // 317
    {1, 99, "DEVSQ"},             // 318
    {1, 99, "GEOMEAN"},           // 319
    {1, 99, "HARMEAN"},           // 320
    {1, 99, "SUMSQ"},             // 321
    {1, 99, "KURT"},              // 322
    {1, 99, "SKEW"},              // 323
    {2, 3, "ZTEST"},              // 324
    {2, 2, "LARGE"},              // 325
    {2, 2, "SMALL"},              // 326
    {2, 2, "QUARTILE"},           // 327
    {2, 2, "PERCENTILE"},         // 328
    {2, 3, "PERCENTRANK"},        // 329
    {1, 99, "MODE"},              // 330
    {2, 2, "TRIMMEAN"},           // 331
    {2, 2, "TINV"},               // 332
    {1, 1, "333"},                // 333
    {1, 1, "MOVIE.COMMAND"},      // 334
    {1, 1, "GET.MOVIE"},          // 335
    {1, 99, "CONCATENATE"},       // 336
    {2, 2, "POWER"},              // 337
    {1, 1, "PIVOT.ADD.DATA"},     // 338
    {1, 1, "GET.PIVOT.TABLE"},    // 339
    {1, 1, "GET.PIVOT.FIELD"},    // 340
    {1, 1, "GET.PIVOT.ITEM"},     // 341
    {1, 1, "RADIANS"},            // 342
    {1, 1, "DEGREES"},            // 343
    {2, 99, "SUBTOTAL"},          // 344
    {2, 3, "SUMIF"},              // 345
    {2, 2, "COUNTIF"},            // 346
    {1, 1, "COUNTBLANK"},         // 347
    {1, 1, "SCENARIO.GET"},       // 348
    {1, 1, "OPTIONS.LISTS.GET"},  // 349
    {1, 1, "ISPMT"},              // 350
    {1, 1, "DATEDIF"},            // 351
    {1, 1, "DATESTRING"},         // 352
    {1, 1, "NUMBERSTRING"},       // 353
    {1, 2, "ROMAN"},              // 354
    {1, 1, "OPEN.DIALOG"},        // 355
    {1, 1, "SAVE.DIALOG"},        // 356
    {1, 1, "VIEW.GET"},           // 357
    {2, 99, "GETPIVOTDATA"},      // 358
    {1, 2, "HYPERLINK"},          // 359
    {1, 1, "PHONETIC"},           // 360
    {1, 99, "AVERAGEA"},          // 361
    {1, 99, "MAXA"},              // 362
    {1, 99, "MINA"},              // 363
    {1, 99, "STDEVPA"},           // 364
    {1, 99, "VARPA"},             // 365
    {1, 99, "STDEVA"},            // 366
    {1, 99, "VARA"},              // 367
};

namespace {
struct TErrorEntry {
  int code;
  const char* text;
};
constexpr TErrorEntry kErrors[7] = {{0, "#NULL!"},  {7, "#DIV/0!"}, {15, "#VALUE!"}, {23, "#REF!"},
                                    {29, "#NAME?"}, {36, "#NUM!"},  {42, "#N/A"}};
}  // namespace

std::string ErrorCodeToText(int code) {
  for (const auto& e : kErrors)
    if (e.code == code) return e.text;
  return "#???";
}

int ErrorCodeToIndex(int code) {
  for (int i = 0; i < 7; ++i)
    if (kErrors[i].code == code) return i + 1;
  return 0;
}

int ErrorIndexToCode(int index, int def) {
  if (index == 0) return 42;
  if (index < 1 || index > 7) return def;
  return kErrors[index - 1].code;
}

std::string ErrorIndexToText(int index) {
  if (index == 0) return "[int] No error value";
  if (index < 1 || index > 7) return "#???";
  return kErrors[index - 1].text;
}

std::string BiffColumnLetters(int col) {
  col &= 0xFF;
  std::string s;
  if (col >= 26) s += static_cast<char>('A' + col / 26 - 1);
  s += static_cast<char>('A' + col % 26);
  return s;
}

std::string RefToText(int col, int row, bool absCol, bool absRow) {
  std::string s;
  if (absCol) s += '$';
  s += BiffColumnLetters(col);
  if (absRow) s += '$';
  s += std::to_string(row + 1);
  return s;
}

namespace {

int baseId(uint8_t id) { return id < 0x20 ? id : ((id & 0x1F) | 0x20); }

// Data bytes after the id of the token at pos (pos at the id), or -1 for
// an unknown token, or -2 when the token runs past the end of the buffer.
long tokenSize(TExcelVersion v, std::string_view t, size_t pos) {
  const bool b8 = v >= xvExcel97;
  const size_t left = t.size() - pos - 1;
  auto u8 = [&](size_t off) -> int { return off < t.size() ? static_cast<uint8_t>(t[off]) : -1; };
  long n;
  switch (baseId(static_cast<uint8_t>(t[pos]))) {
    case 0x01:
      n = 4;
      break;
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
    case 0x07:
    case 0x08:
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x0E:
    case 0x10:
    case 0x12:
    case 0x13:
    case 0x14:
    case 0x15:
    case 0x16:
      n = 0;
      break;
    case 0x17: {
      int len = u8(pos + 1);
      if (len < 0) return -2;
      if (b8) {
        int opt = u8(pos + 2);
        if (opt < 0) return -2;
        n = 2 + static_cast<long>(len) * ((opt & 1) ? 2 : 1);
      } else {
        n = 1 + len;
      }
      break;
    }
    case 0x19: {
      if (v <= xvExcel21) {
        n = 2;
        break;
      }
      int opt = u8(pos + 1);
      if (opt < 0 || left < 3) return -2;
      n = 3;
      if (opt & 0x04) {
        n += (static_cast<long>(readLE<uint16_t>(t.data() + pos + 2)) + 1) * 2;
      }
      break;
    }
    case 0x1A:
      n = 11;
      break;
    case 0x1B:
      n = 5;
      break;
    case 0x1C:
    case 0x1D:
      n = 1;
      break;
    case 0x1E:
      n = 2;
      break;
    case 0x1F:
      n = 8;
      break;
    case 0x20:
      n = 7;
      break;
    case 0x21:
      n = v <= xvExcel30 ? 1 : 2;
      break;
    case 0x22:
      n = v <= xvExcel30 ? 2 : 3;
      break;
    case 0x23:
      n = v <= xvExcel40 ? 10 : v == xvExcel50 ? 14 : 4;
      break;
    case 0x24:
    case 0x2A:
    case 0x2C:
      n = b8 ? 4 : 3;
      break;
    case 0x25:
    case 0x2B:
    case 0x2D:
      n = b8 ? 8 : 6;
      break;
    case 0x29:
      n = 2;
      break;
    case 0x39:
      n = b8 ? 6 : 24;
      break;
    case 0x3A:
    case 0x3C:
      n = b8 ? 6 : 17;
      break;
    case 0x3B:
    case 0x3D:
      n = b8 ? 10 : 20;
      break;
    default:
      return -1;
  }
  if (static_cast<size_t>(n) > left) return -2;
  return n;
}

// A cell reference's parts as the version stores them.
struct TRefParts {
  int row, col;
  bool relRow, relCol;
};

TRefParts readRef(TExcelVersion v, const char* p) {
  TRefParts r{};
  if (v >= xvExcel97) {
    uint16_t rw = readLE<uint16_t>(p);
    uint16_t cw = readLE<uint16_t>(p + 2);
    r.row = rw;
    r.col = cw & 0x3FFF;
    r.relRow = cw & 0x8000;
    r.relCol = cw & 0x4000;
  } else {
    uint16_t rw = readLE<uint16_t>(p);
    r.row = rw & 0x3FFF;
    r.col = static_cast<uint8_t>(p[2]);
    r.relRow = rw & 0x8000;
    r.relCol = rw & 0x4000;
  }
  return r;
}

// The corners of an area: Excel 97 rows then columns (flags in the column
// words), earlier versions rows with the flags then column bytes.
void readArea(TExcelVersion v, const char* p, TRefParts& a, TRefParts& z) {
  uint16_t r1 = readLE<uint16_t>(p), r2 = readLE<uint16_t>(p + 2);
  if (v >= xvExcel97) {
    uint16_t c1 = readLE<uint16_t>(p + 4), c2 = readLE<uint16_t>(p + 6);
    a = {r1, c1 & 0x3FFF, bool(c1 & 0x8000), bool(c1 & 0x4000)};
    z = {r2, c2 & 0x3FFF, bool(c2 & 0x8000), bool(c2 & 0x4000)};
  } else {
    a = {r1 & 0x3FFF, static_cast<uint8_t>(p[4]), bool(r1 & 0x8000), bool(r1 & 0x4000)};
    z = {r2 & 0x3FFF, static_cast<uint8_t>(p[5]), bool(r2 & 0x8000), bool(r2 & 0x4000)};
  }
}

// The text of a reference; for relative tokens (offsets), the base cell
// is added to the relative parts.
std::string refText(TExcelVersion v, const TRefParts& r, bool offsets, int baseCol, int baseRow) {
  int row = r.row, col = r.col;
  if (offsets) {
    if (r.relRow) {
      int off = v >= xvExcel97 ? static_cast<int16_t>(r.row) : ((r.row ^ 0x2000) - 0x2000);
      row = (baseRow + off) & (v >= xvExcel97 ? 0xFFFF : 0x3FFF);
    }
    if (r.relCol) col = (baseCol + static_cast<int8_t>(col & 0xFF)) & 0xFF;
  }
  return RefToText(col, row, !r.relCol, !r.relRow);
}

class TDecoder {
 public:
  TDecoder(TExcelVersion v, std::string_view t, const TNameLookup& lookup, const TDecodeOptions& o,
           std::string_view extra)
      : v_(v), t_(t), lookup_(lookup), o_(o), extra_(extra) {}

  std::string Run() {
    size_t pos = 0;
    while (pos < t_.size()) {
      auto id = static_cast<uint8_t>(t_[pos]);
      if (id == 0x00) break;
      long n = tokenSize(v_, t_, pos);
      if (n == -1) {
        push(Format("Unknown ptg[%.2X]", static_cast<int>(id)));
        break;
      }
      if (n == -2) break;
      token(id, t_.data() + pos + 1);
      pos += 1 + static_cast<size_t>(n);
    }
    if (stack_.empty()) return "[ERROR]";
    return stack_.back();
  }

 private:
  void push(std::string s) { stack_.push_back(std::move(s)); }
  std::string pop() {
    if (stack_.empty()) return "<Val missing>";
    std::string s = std::move(stack_.back());
    stack_.pop_back();
    return s;
  }
  std::string name(int kind, int index, int nameIndex) {
    if (!lookup_) return "#NAME?";
    return lookup_(kind, index, nameIndex);
  }
  std::string number(double d) {
    TFormatSettings fs = TFormatSettings::Invariant();
    fs.DecimalSeparator = o_.DecimalSeparator;
    return FloatToStr(d, fs);
  }

  void function(int number, int argc) {
    if (number < 0 || number >= ExcelFuncCount) {
      std::string a = pop();
      push("?<" + std::to_string(number) + ">?(" + a + ")");
      return;
    }
    std::vector<std::string> args(static_cast<size_t>(argc));
    for (int i = argc - 1; i >= 0; --i) args[static_cast<size_t>(i)] = pop();
    std::string fname = ExcelFuncs[number].Name;
    size_t first = 0;
    if (!fname.empty() && fname[0] >= '0' && fname[0] <= '9' && !args.empty()) {
      fname = args[0];  // an add-in function names itself in its first argument
      first = 1;
    }
    std::string s = fname + "(";
    for (size_t i = first; i < args.size(); ++i) {
      if (i > first) s += o_.ListSeparator;
      s += args[i];
    }
    push(s + ")");
  }

  std::string arrayText() {
    TRecordView r(extra_);
    try {
      int cols = r.U8(ex_) + 1;
      int rows = r.U16(ex_ + 1) + 1;
      ex_ += 3;
      std::string s = "{";
      for (int y = 0; y < rows; ++y) {
        if (y) s += ';';
        for (int x = 0; x < cols; ++x) {
          if (x) s += o_.ListSeparator;
          int type = r.U8(ex_);
          if (type == 1) {
            s += number(r.F64(ex_ + 1));
            ex_ += 9;
          } else if (type == 2) {
            size_t used = 0;
            std::string str;
            if (v_ >= xvExcel97) {
              str = ReadBIFF8String(r, ex_ + 1, true, &used);
            } else {
              int len = r.U8(ex_ + 1);
              str = DecodeCodepage(o_.Codepage, r.Bytes(ex_ + 2, static_cast<size_t>(len)));
              used = 1 + static_cast<size_t>(len);
            }
            s += "\"" + str + "\"";
            ex_ += 1 + used;
          } else {
            return "Bad element ID#" + std::to_string(type) + " in array";
          }
        }
      }
      return s + "}";
    } catch (const EXLSError&) {
      return "{}";
    }
  }

  void token(uint8_t id, const char* d) {
    static const char* const kOps[] = {"+", "-",  "*", "/",  "^", "&",
                                       "<", "<=", "=", ">=", ">", "<>"};
    const int b = baseId(id);
    switch (b) {
      case 0x01:
        break;
      case 0x10:
      case 0x03:
      case 0x04:
      case 0x05:
      case 0x06:
      case 0x07:
      case 0x08:
      case 0x09:
      case 0x0A:
      case 0x0B:
      case 0x0C:
      case 0x0D:
      case 0x0E: {
        if (stack_.size() < 2) {
          push("<Val missing>");
          break;
        }
        std::string r = pop();
        std::string l = pop();
        push(l + (b == 0x10 ? std::string(1, o_.ListSeparator) : kOps[b - 3]) + r);
        break;
      }
      case 0x12:
        break;
      case 0x13:
        push("-" + pop());
        break;
      case 0x14:
        push(pop() + "%");
        break;
      case 0x15:
        push("(" + pop() + ")");
        break;
      case 0x16:
        push("");
        break;
      case 0x17: {
        auto len = static_cast<uint8_t>(d[0]);
        std::string s;
        if (v_ >= xvExcel97) {
          bool wide = d[1] & 1;
          std::string_view raw(d + 2, static_cast<size_t>(len) * (wide ? 2 : 1));
          s = wide ? Utf16LEToUtf8(raw) : Latin1ToUtf8(raw);
        } else {
          s = DecodeCodepage(o_.Codepage, std::string_view(d + 1, len));
        }
        push("\"" + s + "\"");
        break;
      }
      case 0x19:
        if (v_ > xvExcel21 && (d[0] & 0x10)) push("SUM(" + pop() + ")");
        break;
      case 0x1A:
        externNames_ = true;
        break;
      case 0x1B:
        externNames_ = false;
        break;
      case 0x1C:
        push(ErrorCodeToText(static_cast<uint8_t>(d[0])));
        break;
      case 0x1D:
        push(d[0] ? "TRUE" : "FALSE");
        break;
      case 0x1E:
        push(std::to_string(readLE<uint16_t>(d)));
        break;
      case 0x1F:
        push(number(readLE<double>(d)));
        break;
      case 0x20:
        push(arrayText());
        break;
      case 0x21: {
        int fn = v_ <= xvExcel30 ? static_cast<uint8_t>(d[0]) : readLE<uint16_t>(d);
        if (fn >= ExcelFuncCount)
          function(fn, 1);
        else
          function(fn, ExcelFuncs[fn].MinArgs);
        break;
      }
      case 0x22: {
        int argc = d[0] & 0x7F;
        int fn = v_ <= xvExcel30 ? static_cast<uint8_t>(d[1]) : (readLE<uint16_t>(d + 1) & 0x7FFF);
        function(fn, argc);
        break;
      }
      case 0x23:
        if (v_ <= xvExcel40) {
          push(externNames_ ? "[EXTERNNAME]" : "[NAME]");
        } else {
          push(name(0, readLE<uint16_t>(d), -1));
        }
        break;
      case 0x24:
      case 0x2C:
        push(refText(v_, readRef(v_, d), b == 0x2C, o_.BaseCol, o_.BaseRow));
        break;
      case 0x25:
      case 0x2D: {
        TRefParts a{}, z{};
        readArea(v_, d, a, z);
        bool off = b == 0x2D;
        push(refText(v_, a, off, o_.BaseCol, o_.BaseRow) + ":" +
             refText(v_, z, off, o_.BaseCol, o_.BaseRow));
        break;
      }
      case 0x29:
        break;
      case 0x2A:
      case 0x2B:
        push("#REF!");
        break;
      case 0x39:
        if (v_ >= xvExcel97)
          push(name(2, readLE<uint16_t>(d), readLE<uint16_t>(d + 2)));
        else
          push(name(1, readLE<int16_t>(d), readLE<uint16_t>(d + 10)));
        break;
      case 0x3A:
      case 0x3C:
      case 0x3B:
      case 0x3D:
        push(ref3d(b, d));
        break;
      default:
        break;
    }
  }

  std::string ref3d(int b, const char* d) {
    const bool area = b == 0x3B || b == 0x3D;
    const bool deleted = b == 0x3C || b == 0x3D;
    std::string prefix;
    const char* p;
    if (v_ >= xvExcel97) {
      prefix = name(2, readLE<uint16_t>(d), -1);
      p = d + 2;
    } else {
      int16_t ext = readLE<int16_t>(d);
      uint16_t first = readLE<uint16_t>(d + 10);
      uint16_t last = readLE<uint16_t>(d + 12);
      if (ext >= 0) prefix = area ? "[EXTERN ???]:" : name(2, ext, -1);
      if (first == 0xFFFF || last == 0xFFFF)
        prefix += "[DELETED]";
      else if (first == last)
        prefix += name(3, first, -1);
      else
        prefix += name(3, first, -1) + ":" + name(3, last, -1);
      prefix += "!";
      p = d + 14;
    }
    if (deleted) {
      if (v_ >= xvExcel97 && !prefix.empty() && prefix.back() == '!') prefix.pop_back();
      return prefix + "!#REF!";
    }
    if (!area) return prefix + refText(v_, readRef(v_, p), false, 0, 0);
    TRefParts a{}, z{};
    readArea(v_, p, a, z);
    return prefix + refText(v_, a, false, 0, 0) + ":" + refText(v_, z, false, 0, 0);
  }

  TExcelVersion v_;
  std::string_view t_;
  const TNameLookup& lookup_;
  TDecodeOptions o_;
  std::string_view extra_;
  size_t ex_ = 0;
  bool externNames_ = false;
  std::vector<std::string> stack_;
};

}  // namespace

std::string DecodeFormulaTokens(TExcelVersion version, std::string_view tokens,
                                const TNameLookup& lookup, const TDecodeOptions& options,
                                std::string_view extra) {
  return TDecoder(version, tokens, lookup, options, extra).Run();
}

bool TokensUseLinks(TExcelVersion v, std::string_view t) {
  size_t pos = 0;
  while (pos < t.size()) {
    long n = tokenSize(v, t, pos);
    if (n < 0) return false;
    switch (baseId(static_cast<uint8_t>(t[pos]))) {
      case 0x23:
      case 0x39:
      case 0x3A:
      case 0x3B:
      case 0x3C:
      case 0x3D:
        return true;
      default:
        break;
    }
    pos += 1 + static_cast<size_t>(n);
  }
  return false;
}

void ConvertSharedFormula(TExcelVersion v, std::string& t, int col, int row) {
  const bool b8 = v >= xvExcel97;
  size_t pos = 0;
  while (pos < t.size()) {
    auto id = static_cast<uint8_t>(t[pos]);
    long n = tokenSize(v, t, pos);
    if (n < 0) throw EXLSError(Format("Unknown ptg[%.2X] in Shared Formula", static_cast<int>(id)));
    char* d = t.data() + pos + 1;
    int b = baseId(id);
    if (b == 0x2C || b == 0x2D) {
      // A relative reference or area: offsets become a plain position.
      uint8_t cls = (id & 0x60) == 0x60 ? 0x60 : 0x40;
      t[pos] = static_cast<char>(cls | (b == 0x2C ? 0x04 : 0x05));
      auto fix = [&](char* rowp, char* colp) {
        if (b8) {
          uint16_t cw = readLE<uint16_t>(colp);
          if (cw & 0x8000)
            writeLE<uint16_t>(rowp, static_cast<uint16_t>(row + readLE<int16_t>(rowp)));
          if (cw & 0x4000) {
            auto c = static_cast<uint16_t>((col + static_cast<int8_t>(cw & 0xFF)) & 0xFF);
            writeLE<uint16_t>(colp, static_cast<uint16_t>((cw & 0xC000) | c));
          }
        } else {
          uint16_t rw = readLE<uint16_t>(rowp);
          if (rw & 0x8000) {
            int off = ((rw & 0x3FFF) ^ 0x2000) - 0x2000;
            writeLE<uint16_t>(rowp, static_cast<uint16_t>((rw & 0xC000) | ((row + off) & 0x3FFF)));
          }
          if (rw & 0x4000) *colp = static_cast<char>((col + static_cast<int8_t>(*colp)) & 0xFF);
        }
      };
      if (b == 0x2C) {
        fix(d, d + 2);
      } else if (b8) {
        fix(d, d + 4);
        fix(d + 2, d + 6);
      } else {
        fix(d, d + 4);
        fix(d + 2, d + 5);
      }
    }
    pos += 1 + static_cast<size_t>(n);
  }
}

}  // namespace qv

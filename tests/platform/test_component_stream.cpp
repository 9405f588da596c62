// The component stream: every value kind in bytes and back, the 80-bit
// extended format, components written from and read into described
// objects (nested paths, collections, binary and list properties,
// children, references, the flags prefix), unknown properties skipped, and
// damaged streams failing cleanly.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "DemoComponents.h"
#include "platform/core/ComponentStream.h"

namespace qv {
namespace {

using demo::TDemoChart;
using demo::TDemoLineSeries;
using demo::TDemoSeries;

std::string hex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string bytesOf(const TFilerValue& v) {
  TMemoryStream ms;
  TWriter(ms).WriteFilerValue(v);
  return std::string(ms.View());
}

TFilerValue readBack(const std::string& bytes) {
  TMemoryStream ms(bytes);
  TReader r(ms);
  TFilerValue v = r.ReadFilerValue();
  EXPECT_EQ(ms.Remaining(), 0);
  return v;
}

std::uint64_t bitsOf(double d) {
  std::uint64_t b;
  std::memcpy(&b, &d, 8);
  return b;
}

double fromBits(std::uint64_t b) {
  double d;
  std::memcpy(&d, &b, 8);
  return d;
}

TExtended80 ext(std::uint64_t mantissa, std::uint16_t signExp) {
  TExtended80 e{};
  writeLE<std::uint64_t>(e.data(), mantissa);
  writeLE<std::uint16_t>(e.data() + 8, signExp);
  return e;
}

TEST(ComponentStream, EveryValueKindInBytesAndBack) {
  TFilerItem key;
  key.OrderType = vaInt8;
  key.Order = 2;
  key.Properties.push_back({"Command", TFilerValue::Ident("ecUp")});
  struct Case {
    TFilerValue value;
    std::string bytes;
  };
  const Case cases[] = {
      {TFilerValue::Null(), "00"},
      {TFilerValue::List({TFilerValue::Integer(1), TFilerValue::String("a")}),
       "01 02 01 06 01 61 00"},
      {TFilerValue::Integer(-128), "02 80"},
      {TFilerValue::Integer(128), "03 80 00"},
      {TFilerValue::Integer(-32769), "04 FF 7F FF FF"},
      {TFilerValue::Extended(1.0), "05 00 00 00 00 00 00 00 80 FF 3F"},
      {TFilerValue::String("abc"), "06 03 61 62 63"},
      {TFilerValue::String("é"), "06 01 E9"},
      {TFilerValue::Ident("clRed"), "07 05 63 6C 52 65 64"},
      {TFilerValue::Boolean(false), "08"},
      {TFilerValue::Boolean(true), "09"},
      {TFilerValue::Binary(std::string("\x01\x00", 2)), "0A 02 00 00 00 01 00"},
      {TFilerValue::Set({"fsBold", "fsItalic"}),
       "0B 06 66 73 42 6F 6C 64 08 66 73 49 74 61 6C 69 63 00"},
      {TFilerValue::Set({}), "0B 00"},
      {TFilerValue::Nil(), "0D"},
      {TFilerValue::MakeCollection({key}),
       "0E 02 02 01 07 43 6F 6D 6D 61 6E 64 07 04 65 63 55 70 00 00"},
      {TFilerValue::Single(1.5f), "0F 00 00 C0 3F"},
      {TFilerValue::Currency(1.5), "10 98 3A 00 00 00 00 00 00"},
      {TFilerValue::Date(2.0), "11 00 00 00 00 00 00 00 40"},
      {TFilerValue::WideString("é€"), "12 02 00 00 00 E9 00 AC 20"},
      {TFilerValue::Integer(1LL << 31), "13 00 00 00 80 00 00 00 00"},
      {TFilerValue::UTF8String("Ω"), "14 02 00 00 00 CE A9"},
      {TFilerValue::String("Ω"), "14 02 00 00 00 CE A9"},  // no 1252 byte for it
      {TFilerValue::Double(0.5), "15 00 00 00 00 00 00 E0 3F"},
  };
  for (const Case& k : cases) {
    const std::string bytes = bytesOf(k.value);
    EXPECT_EQ(hex(bytes), k.bytes);
    EXPECT_EQ(readBack(bytes), k.value) << k.bytes;
  }
  // A text over 255 bytes goes as a long string; the 1252 bytes of
  // "€" (0x80) travel as such.
  const std::string longText = std::string(299, 'a') + "€";
  const TFilerValue ls = TFilerValue::String(longText);
  EXPECT_EQ(ls.Type, vaLString);
  EXPECT_EQ(hex(bytesOf(ls).substr(0, 5)), "0C 2C 01 00 00");
  EXPECT_EQ(static_cast<unsigned char>(bytesOf(ls).back()), 0x80);
  EXPECT_EQ(readBack(bytesOf(ls)).Str, longText);
  // Malformed UTF-8 keeps its bytes.
  const TFilerValue raw = TFilerValue::String("a\xff");
  EXPECT_EQ(raw.Type, vaUTF8String);
  EXPECT_EQ(readBack(bytesOf(raw)).Str, "a\xff");
}

TEST(ComponentStream, TypedReadsAcceptTheirKindsOnly) {
  TMemoryStream ms;
  TWriter w(ms);
  w.WriteInteger(300);
  w.WriteInteger(5);
  w.WriteFloat(0.25);
  w.WriteBoolean(true);
  w.WriteIdent("daCenter");
  w.WriteString("x");
  w.WriteValue(vaTrue);
  w.WriteInteger(1LL << 40);
  ms.SetPosition(0);
  TReader r(ms);
  EXPECT_EQ(r.ReadInteger(), 300);
  EXPECT_EQ(r.ReadFloat(), 5.0);  // an integer is a number too
  EXPECT_EQ(r.ReadFloat(), 0.25);
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_EQ(r.ReadIdent(), "daCenter");
  EXPECT_EQ(r.ReadString(), "x");
  EXPECT_EQ(r.ReadIdent(), "True");
  EXPECT_THROW(r.ReadInteger(), EReadError);  // 2^40 does not fit
  TMemoryStream text(bytesOf(TFilerValue::String("9")));
  try {
    TReader(text).ReadInteger();  // a string is no integer
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid property value");
  }
}

TEST(ComponentStream, Extended80IsExactForEveryDouble) {
  struct Case {
    double value;
    std::string bytes;
  };
  const Case cases[] = {
      {0.0, "00 00 00 00 00 00 00 00 00 00"},
      {-0.0, "00 00 00 00 00 00 00 00 00 80"},
      {1.0, "00 00 00 00 00 00 00 80 FF 3F"},
      {-1.0, "00 00 00 00 00 00 00 80 FF BF"},
      {-2.0, "00 00 00 00 00 00 00 80 00 C0"},
      {0.1, "00 D0 CC CC CC CC CC CC FB 3F"},
      {fromBits(1), "00 00 00 00 00 00 00 80 CD 3B"},  // the smallest denormal
      {fromBits(0x000FFFFFFFFFFFFFull), "00 F0 FF FF FF FF FF FF 00 3C"},
      {DBL_MIN, "00 00 00 00 00 00 00 80 01 3C"},
      {DBL_MAX, "00 F8 FF FF FF FF FF FF FE 43"},
      {INFINITY, "00 00 00 00 00 00 00 80 FF 7F"},
      {-INFINITY, "00 00 00 00 00 00 00 80 FF FF"},
      {fromBits(0x7FF8000000000000ull), "00 00 00 00 00 00 00 C0 FF 7F"},  // quiet NaN
      {fromBits(0xFFF0000000000001ull), "00 08 00 00 00 00 00 80 FF FF"},  // signalling, payload 1
  };
  for (const Case& k : cases) {
    const TExtended80 e = EncodeExtended80(k.value);
    EXPECT_EQ(hex(std::string_view(reinterpret_cast<const char*>(e.data()), 10)), k.bytes);
    EXPECT_EQ(bitsOf(DecodeExtended80(e)), bitsOf(k.value)) << k.bytes;
  }
  // Every double class, walked through the bit patterns.
  std::mt19937_64 rng(17);
  for (int i = 0; i < 200000; ++i) {
    std::uint64_t b = rng();
    if (i % 4 == 1) b &= 0x800FFFFFFFFFFFFFull;  // denormals
    if (i % 4 == 2) b |= 0x7FF0000000000000ull;  // infinities and NaNs
    const double d = fromBits(b);
    ASSERT_EQ(bitsOf(DecodeExtended80(EncodeExtended80(d))), b);
  }
}

TEST(ComponentStream, Extended80BeyondTheDoubleRange) {
  struct Case {
    TExtended80 bytes;
    double expected;
  };
  const Case cases[] = {
      // The largest extended values clamp to the largest double.
      {ext(0xFFFFFFFFFFFFFFFFull, 0x7FFE), DBL_MAX},
      {ext(0xFFFFFFFFFFFFFFFFull, 0xFFFE), -DBL_MAX},
      {ext(0x8000000000000000ull, 0x7BFF), DBL_MAX},  // 2^1024
      // Just below: DBL_MAX plus less than half a unit rounds down.
      {ext(0xFFFFFFFFFFFFFBFFull, 0x43FE), DBL_MAX},
      // The smallest extended values round to zero.
      {ext(1, 0x0000), 0.0},
      {ext(1, 0x8000), -0.0},
      {ext(0x8000000000000000ull, 0x0001), 0.0},
      // Ties go to even: 2^-1075 to 0, 1.5 * 2^-1075 to 2^-1074,
      // 1 + 2^-53 to 1, 1 + 3 * 2^-53 to 1 + 2^-51.
      {ext(0x8000000000000000ull, 15308), 0.0},
      {ext(0xC000000000000000ull, 15308), fromBits(1)},
      {ext(0x8000000000000400ull, 0x3FFF), 1.0},
      {ext(0x8000000000000C00ull, 0x3FFF), 1.0 + std::ldexp(1.0, -51)},
      // An unnormal (integer bit clear) reads as its value.
      {ext(0x4000000000000000ull, 0x3FFF), 0.5},
  };
  for (const Case& k : cases) EXPECT_EQ(bitsOf(DecodeExtended80(k.bytes)), bitsOf(k.expected));
  // NaN payloads held only in the low bits stay NaN; pseudo-infinities read
  // as infinities.
  EXPECT_TRUE(std::isnan(DecodeExtended80(ext(0x8000000000000001ull, 0x7FFF))));
  EXPECT_EQ(DecodeExtended80(ext(0, 0xFFFF)), -INFINITY);
  // A clamped value written back keeps its ten bytes.
  const TFilerValue v = readBack(std::string("\x05\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFE\x7F", 11));
  EXPECT_EQ(v.Float, DBL_MAX);
  EXPECT_EQ(hex(bytesOf(v)), "05 FF FF FF FF FF FF FF FF FE 7F");
}

TEST(ComponentStream, Extended80AgreesWithTheX87Conversion) {
  if constexpr (std::numeric_limits<long double>::digits != 64) {
    GTEST_SKIP() << "long double is not the x87 format here";
  } else {
    std::mt19937_64 rng(4932);
    for (int i = 0; i < 200000; ++i) {
      std::uint64_t m = rng() | 0x8000000000000000ull;
      // Exponents around the double range, with its edges well covered.
      const int centre = (i % 3 == 0) ? 16383 - 1022 : (i % 3 == 1 ? 16383 + 1023 : 16383);
      int e = centre + static_cast<int>(rng() % 140) - 70;
      if (i % 7 == 0) m = 0x8000000000000000ull | (rng() & 0xFFF);  // near ties
      const std::uint16_t se = static_cast<std::uint16_t>(e | ((rng() & 1) << 15));
      const TExtended80 bytes = ext(m, se);
      long double ld;
      std::memcpy(&ld, bytes.data(), 10);
      if (std::fabs(ld) > static_cast<long double>(DBL_MAX)) continue;  // we clamp there
      ASSERT_EQ(bitsOf(DecodeExtended80(bytes)), bitsOf(static_cast<double>(ld)))
          << std::hex << m << " " << se;
      const double d = fromBits(rng());
      if (std::isnan(d)) continue;
      const long double wide = d;
      ASSERT_EQ(std::memcmp(EncodeExtended80(d).data(), &wide, 10), 0);
    }
  }
}

std::string writeChart(TDemoChart& c) {
  TMemoryStream ms;
  TWriter(ms).WriteRootComponent(MakeObjectRef(&c));
  return std::string(ms.View());
}

std::vector<std::string> events(const std::string& bytes) {
  std::vector<std::string> out;
  TMemoryStream ms(bytes);
  TReader r(ms);
  r.ReadSignature();
  TComponentVisitor v;
  v.OnComponent = [&](const TComponentHeader& h, int depth) {
    out.push_back(std::to_string(depth) + " " + h.ClassName + " " + h.Name);
    return true;
  };
  v.OnProperty = [&](const std::string& path, const TFilerValue& value) {
    out.push_back("  " + path + " " + std::to_string(value.Type));
  };
  v.OnEndComponent = [&](int depth) { out.push_back(std::to_string(depth) + " end"); };
  r.ReadComponentEvents(v);
  EXPECT_EQ(ms.Remaining(), 0);
  return out;
}

TEST(ComponentStream, AComponentIsWrittenPropertyByPropertyInDeclarationOrder) {
  TDemoChart::RegisterClasses();
  TDemoChart c;
  demo::FillDemoChart(c);
  const std::vector<std::string> expected = {
      "0 TDemoChart Chart1",
      "  Active 7",
      "  Align 7",
      "  Big 19",
      "  Caption 6",
      "  Color 4",
      "  Count 4",
      "  Keys 14",
      "  LeftAxis.Automatic 8",
      "  LeftAxis.Grid.Color 7",
      "  LeftAxis.Grid.Visible 8",
      "  LeftAxis.Maximum 5",
      "  LeftAxis.Minimum 5",
      "  Money 16",
      "  Ratio 5",
      "  Small 15",
      "  Styles 11",
      "  Tag 5",
      "  Title.Font.Charset 7",
      "  Title.Font.Color 7",
      "  Title.Font.Height 2",
      "  Title.Font.Name 6",
      "  Title.Font.Style 11",
      "  Title.Text.Strings 1",
      "  Title.Visible 8",
      "  When 17",
      "  Wide 18",
      "1 TDemoLineSeries Line1",
      "  SeriesColor 7",
      "  LineWidth 2",
      "  Data 10",
      "1 end",
      "1 TDemoSeries Plain",
      "  SeriesColor 7",
      "1 end",
      "0 end",
  };
  // Defined properties (Data) follow all published ones, inherited or not.
  EXPECT_EQ(events(writeChart(c)), expected);
}

TEST(ComponentStream, AComponentReadsBackIntoAFreshObject) {
  TDemoChart::RegisterClasses();
  TDemoChart c;
  demo::FillDemoChart(c);
  const std::string bytes = writeChart(c);
  TDemoChart d;
  std::vector<std::string> errors;
  TMemoryStream ms(bytes);
  TReader(ms).ReadRootComponent(MakeObjectRef(&d), demo::DemoReadOptions(d, &errors));
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(ms.Remaining(), 0);
  EXPECT_EQ(d.Name, "Chart1");
  EXPECT_EQ(d.Align, demo::daCenter);
  EXPECT_EQ(d.Color, 0x80000019u);
  EXPECT_EQ(d.Styles, (TFontStyles{fsBold, fsStrikeOut}));
  EXPECT_EQ(bitsOf(d.Ratio), bitsOf(1.0 / 3.0));
  EXPECT_EQ(d.Small, 0.1f);
  EXPECT_EQ(d.Money, 12.3456);
  EXPECT_EQ(d.When, 45000.5);
  EXPECT_EQ(d.Big, -(1LL << 40));
  EXPECT_EQ(d.Caption, "Résumé");
  EXPECT_EQ(d.Wide, "Ωmega");
  EXPECT_EQ(d.Tag, TPropValue::Float(2.5));
  EXPECT_EQ(d.Count, 70000);
  EXPECT_EQ(d.Title().Text().Text(), "first\r\nsecond\r\n");
  EXPECT_EQ(d.Title().Font().Name(), "Arial");
  EXPECT_EQ(d.Title().Font().Style(), TFontStyles{fsItalic});
  EXPECT_FALSE(d.Title().Visible);
  EXPECT_FALSE(d.LeftAxis().Automatic);
  EXPECT_EQ(d.LeftAxis().Minimum, -1);
  EXPECT_EQ(d.LeftAxis().Maximum, 1e300);
  EXPECT_EQ(d.LeftAxis().Grid().Color(), clGray);
  EXPECT_FALSE(d.LeftAxis().Grid().Visible());
  ASSERT_EQ(d.Keys().Items.size(), 2u);
  EXPECT_EQ(d.Keys().Items[0]->Command, 3);
  EXPECT_EQ(d.Keys().Items[1]->Command, 4);
  EXPECT_EQ(d.Keys().Items[1]->ShortCut, 0x4028);
  ASSERT_EQ(d.Series.size(), 2u);
  auto* line = dynamic_cast<TDemoLineSeries*>(d.Series[0].get());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->Name, "Line1");
  EXPECT_EQ(line->LineWidth, 2);
  EXPECT_EQ(line->Data, (std::vector<double>{1, 2.5, -3}));
  EXPECT_EQ(d.Series[1]->SeriesColor, clNone);
  EXPECT_TRUE(d.Series[1]->Data.empty());
  EXPECT_EQ(d.Active, line);
  // Written again, the same bytes.
  EXPECT_EQ(writeChart(d), bytes);
}

TEST(ComponentStream, ASmallComponentInExactBytes) {
  TDemoSeries s;
  s.Name = "S1";
  s.Data = {1.0};
  TMemoryStream ms;
  TWriter(ms).WriteRootComponent(MakeObjectRef(&s));
  EXPECT_EQ(hex(ms.View()),
            hex(std::string("TPF0\x0BTDemoSeries\x02S1"
                            "\x0BSeriesColor\x07\x05"
                            "clRed"
                            "\x04"
                            "Data\x0A\x08\x00\x00\x00\x00\x00\x00\x00\x00\x00\xF0\x3F"
                            "\x00\x00",
                            58)));
}

TEST(ComponentStream, TheFlagsPrefixIsWrittenAndRead) {
  TDemoSeries s;
  s.Name = "S";
  struct Case {
    std::uint8_t flags;
    std::int64_t childPos;
    std::string prefix;
  };
  for (const Case& k : {Case{ffInherited | ffChildPos, 3, "F3 02 03"}, Case{ffInline, 9, "F4"},
                        Case{ffChildPos, 40000, "F2 04 40 9C 00 00"}, Case{0, 0, ""}}) {
    TMemoryStream ms;
    TWriter(ms).WriteComponent(MakeObjectRef(&s), k.flags, k.childPos);
    const std::string bytes(ms.View());
    const size_t prefixBytes = (k.prefix.size() + 1) / 3;
    EXPECT_EQ(hex(bytes.substr(0, prefixBytes)), k.prefix);
    EXPECT_EQ(bytes[prefixBytes], 11);  // the length of "TDemoSeries"
    ms.SetPosition(0);
    TReader r(ms);
    const TComponentHeader h = r.ReadComponentHeader();
    EXPECT_EQ(h.Flags, k.flags);
    EXPECT_EQ(h.ChildPos, (k.flags & ffChildPos) ? k.childPos : 0);
    EXPECT_EQ(h.ClassName, "TDemoSeries");
    EXPECT_EQ(h.Name, "S");
    // The rest reads into an object as usual.
    ms.SetPosition(0);
    TDemoSeries t;
    TReader(ms).ReadComponent(MakeObjectRef(&t));
    EXPECT_EQ(t.Name, "S");
    EXPECT_EQ(ms.Remaining(), 0);
  }
}

TEST(ComponentStream, UnknownPropertiesAndValuesThatDoNotFitAreSkipped) {
  TDemoChart::RegisterClasses();
  TMemoryStream ms;
  TWriter w(ms);
  w.WriteSignature();
  w.WriteStr("TSomeOtherChart");  // the class name is not checked
  w.WriteStr("C");
  w.WriteProperty("Count", TFilerValue::Integer(5));
  w.WriteProperty("Bogus", TFilerValue::List({TFilerValue::Integer(1), TFilerValue::String("x"),
                                              TFilerValue::MakeCollection({TFilerItem{}})}));
  w.WriteProperty("Title.Bogus", TFilerValue::Ident("x"));
  w.WriteProperty("Count.Sub", TFilerValue::Integer(1));
  w.WriteProperty("Align", TFilerValue::Ident("daNowhere"));
  w.WriteProperty("Styles", TFilerValue::Set({"fsBold", "fsWide"}));
  w.WriteProperty("Caption", TFilerValue::Integer(7));
  w.WriteProperty("Ratio", TFilerValue::Extended(2.5));
  w.WriteProperty("Title.Text.Strings", TFilerValue::List({TFilerValue::String("a")}));
  w.WriteProperty("LeftAxis.Grid.Width", TFilerValue::Integer(3));
  w.WriteProperty("ReadOnlyCount", TFilerValue::Integer(3));
  w.WriteProperty("Keys", TFilerValue::Integer(3));
  w.WriteProperty("Title.Text.Strings.More", TFilerValue::Integer(3));
  w.WriteProperty("Active", TFilerValue::Ident("Missing"));
  w.WriteProperty("Title.Font.Charset", TFilerValue::Integer(300));
  w.WriteListEnd();
  // A child of a class nobody creates, with a child of its own.
  w.WriteStr("TMystery");
  w.WriteStr("M");
  w.WriteProperty("Whatever", TFilerValue::Binary("zz"));
  w.WriteListEnd();
  w.WriteStr("TMysteryChild");
  w.WriteStr("");
  w.WriteListEnd();
  w.WriteListEnd();
  w.WriteListEnd();
  w.WriteListEnd();
  // A following value shows that the reader stopped at the right place.
  w.WriteInteger(77);
  ms.SetPosition(0);

  TDemoChart c;
  c.Caption = "kept";
  std::vector<std::string> errors;
  TReader r(ms);
  r.ReadRootComponent(MakeObjectRef(&c), demo::DemoReadOptions(c, &errors));
  EXPECT_EQ(r.ReadInteger(), 77);
  EXPECT_EQ(c.Name, "C");
  EXPECT_EQ(c.Count, 5);
  EXPECT_EQ(c.Ratio, 2.5);
  EXPECT_EQ(c.Caption, "kept");
  EXPECT_EQ(c.Align, demo::daLeft);
  EXPECT_EQ(c.Title().Text().Count(), 1);
  EXPECT_EQ(c.LeftAxis().Grid().Width(), 3);
  EXPECT_TRUE(c.Series.empty());
  EXPECT_EQ(errors,
            (std::vector<std::string>{
                "Bogus: Property Bogus does not exist",
                "Title.Bogus: Property Title.Bogus does not exist",
                "Count.Sub: Property Count.Sub does not exist", "Align: Invalid property value",
                "Styles: Invalid property value", "Caption: Invalid property value",
                "ReadOnlyCount: Property is read-only", "Keys: Invalid property value",
                "Title.Text.Strings.More: Property Title.Text.Strings.More does not exist",
                "Title.Font.Charset: Value must be between 0 and 255",
                "Active: Component Missing not found",  // asked again at the end
            }));
}

// A sheet-like class whose binary property checks its own magic.
class TDemoSheet {
 public:
  std::string Data = "XLG\x16";
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoSheet>("TDemoSheet")
            .DefineProperties([](TDemoSheet& s, TFiler& f) {
              f.DefineBinaryProperty(
                  "XLData",
                  [&s](TStream& in) {
                    std::string d = in.ReadBytes(in.Remaining());
                    if (d.compare(0, 3, "XLG") != 0)
                      throw EStreamError("Unknown XLGrid Stream format!");
                    s.Data = d;
                  },
                  [&s](TStream& out) { out.WriteString(s.Data); }, true);
            })
            .Register();
    return info;
  }
};

TEST(ComponentStream, BinaryPropertiesGetExactlyTheirBytesAndTheirErrorsPass) {
  TDemoSheet::ClassInfo();
  TDemoSheet a;
  a.Data = std::string("XLG\x16\x00\x01", 6);
  TMemoryStream ms;
  TWriter(ms).WriteRootComponent(MakeObjectRef(&a));
  EXPECT_EQ(hex(ms.View()), hex(std::string("TPF0\x0ATDemoSheet\x00\x06XLData\x0A\x06\x00\x00\x00"
                                            "XLG\x16\x00\x01\x00\x00",
                                            36)));
  ms.SetPosition(0);
  TDemoSheet b;
  TReader(ms).ReadRootComponent(MakeObjectRef(&b));
  EXPECT_EQ(b.Data, a.Data);
  // A damaged body raises the sheet's own error.
  std::string bad(ms.View());
  bad[bad.find("XLG")] = 'Y';
  TMemoryStream in(bad);
  try {
    TReader(in).ReadRootComponent(MakeObjectRef(&b));
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.Message(), "Unknown XLGrid Stream format!");
  }
}

TEST(ComponentStream, DamagedStreamsFailCleanly) {
  TDemoChart::RegisterClasses();
  TDemoChart c;
  demo::FillDemoChart(c);
  const std::string bytes = writeChart(c);
  // Every truncation: a read error, nothing else.
  for (size_t n = 0; n < bytes.size(); ++n) {
    const std::string cut = bytes.substr(0, n);
    TDemoChart d;
    TMemoryStream a(cut);
    EXPECT_THROW(TReader(a).ReadRootComponent(MakeObjectRef(&d), demo::DemoReadOptions(d)),
                 EReadError)
        << n;
    TMemoryStream b(cut);
    EXPECT_THROW(
        {
          TReader r(b);
          r.ReadSignature();
          r.ReadComponentEvents({});
        },
        EReadError)
        << n;
  }
  auto failure = [](const std::string& stream) {
    TMemoryStream ms(stream);
    TDemoChart d;
    try {
      TReader(ms).ReadRootComponent(MakeObjectRef(&d));
    } catch (const EReadError& e) {
      return e.Message();
    }
    return std::string("read");
  };
  const std::string head(
      "TPF0\x0ATDemoChart\x01"
      "C\x05"
      "Count",
      23);
  EXPECT_EQ(failure("TPF1"), "Invalid stream format");
  EXPECT_EQ(failure("TP"), "Stream read error");
  EXPECT_EQ(failure(""), "Stream read error");  // a stream the collection did not hold
  EXPECT_EQ(failure(head + "\x30"), "Invalid stream format");  // no such value type
  EXPECT_EQ(failure(head + std::string("\x0C\xFF\xFF\xFF\x7F", 5)), "Stream read error");
  EXPECT_EQ(failure(head + std::string("\x0C\xFF\xFF\xFF\xFF", 5)), "Invalid stream format");
  EXPECT_EQ(failure(head + std::string("\x12\x00\x00\x00\x40", 5) + "ab"), "Stream read error");
  EXPECT_EQ(failure(head + std::string(100000, '\x01')), "Invalid stream format");  // nesting
  EXPECT_EQ(failure(head + std::string("\x02\x05\x00\x00", 4)), "read");
}

// Characters and 32-bit unsigned values, as the class library streams them.
struct TDemoChars {
  int Letter = 0;
  int Wide = 0;
  std::uint32_t Mask = 0;
  TPropValue Any;
  static const TClassInfo& ClassInfo() {
    static const TClassInfo& info =
        TClassBuilder<TDemoChars>("TDemoChars")
            .Property("Letter", TypeInfoChar(), &TDemoChars::Letter, &TDemoChars::Letter)
            .Property("Wide", TypeInfoWideChar(), &TDemoChars::Wide, &TDemoChars::Wide)
            .Property("Mask", TypeInfoCardinal(), &TDemoChars::Mask, &TDemoChars::Mask)
            .Property("Any", TypeInfoVariant(), &TDemoChars::Any, &TDemoChars::Any)
            .Register();
    return info;
  }
};

TEST(ComponentStream, CharactersUnsignedValuesAndVariants) {
  TDemoChars::ClassInfo();
  TDemoChars a;
  a.Letter = 0xE9;  // é in Windows-1252
  a.Wide = 0x3A9;   // Ω
  a.Mask = 0xFFFFFFFF;
  a.Any = TPropValue::Ordinal(1000);
  std::vector<std::string> written;
  TMemoryStream ms;
  TWriter(ms).WriteRootComponent(MakeObjectRef(&a));
  ms.SetPosition(0);
  TReader r(ms);
  r.ReadSignature();
  TComponentVisitor v;
  v.OnProperty = [&](const std::string& path, const TFilerValue& value) {
    written.push_back(path + " " + hex(bytesOf(value)));
  };
  r.ReadComponentEvents(v);
  EXPECT_EQ(written, (std::vector<std::string>{"Letter 06 01 E9", "Wide 12 01 00 00 00 A9 03",
                                               "Mask 02 FF", "Any 03 E8 03"}));
  ms.SetPosition(0);
  TDemoChars b;
  TReader(ms).ReadRootComponent(MakeObjectRef(&b));
  EXPECT_EQ(b.Letter, 0xE9);
  EXPECT_EQ(b.Wide, 0x3A9);
  EXPECT_EQ(b.Mask, 0xFFFFFFFFu);
  EXPECT_EQ(b.Any, TPropValue::Ordinal(1000));
  // A variant takes what the stream holds.
  for (const auto& [value, expected] :
       {std::pair{TFilerValue::String("s"), TPropValue::String("s")},
        std::pair{TFilerValue::Extended(0.5), TPropValue::Float(0.5)},
        std::pair{TFilerValue::Boolean(true), TPropValue::Ordinal(1)},
        std::pair{TFilerValue::Nil(), TPropValue()}}) {
    EXPECT_TRUE(ApplyFilerProperty(MakeObjectRef(&b), "Any", value));
    EXPECT_EQ(b.Any, expected);
  }
}

TEST(ComponentStream, ReferencesAndCollectionsOnTheirOwn) {
  TDemoChart::RegisterClasses();
  TDemoChart c;
  demo::FillDemoChart(c);
  TMemoryStream ms;
  TWriter w(ms);
  w.OnReferenceName = [](TObjectRef r) { return "Form1." + ObjectCast<TDemoSeries>(r)->Name; };
  w.WriteRootComponent(MakeObjectRef(&c));
  TMemoryStream again(ms.View());
  TReader r(again);
  r.ReadSignature();
  std::string active;
  TFilerValue keys;
  TComponentVisitor v;
  v.OnProperty = [&](const std::string& path, const TFilerValue& value) {
    if (path == "Active") active = value.Str;
    if (path == "Keys") keys = value;
  };
  r.ReadComponentEvents(v);
  EXPECT_EQ(active, "Form1.Line1");
  ASSERT_EQ(keys.Collection.size(), 2u);
  EXPECT_EQ(keys.Collection[0].Properties,
            (std::vector<TFilerProperty>{{"Command", TFilerValue::Ident("ecUp")}}));
  EXPECT_EQ(keys.Collection[1].Properties,
            (std::vector<TFilerProperty>{{"Command", TFilerValue::Ident("ecDown")},
                                         {"ShortCut", TFilerValue::Integer(0x4028)}}));
  // A collection item with an order value reads too.
  TFilerItem item;
  item.OrderType = vaInt16;
  item.Order = 300;
  item.Properties.push_back({"Command", TFilerValue::Integer(9)});
  TDemoChart d;
  EXPECT_TRUE(ApplyFilerProperty(MakeObjectRef(&d), "Keys", TFilerValue::MakeCollection({item})));
  ASSERT_EQ(d.Keys().Items.size(), 1u);
  EXPECT_EQ(d.Keys().Items[0]->Command, 9);
  // A nil reference clears.
  d.Active = c.Series[0].get();
  EXPECT_TRUE(ApplyFilerProperty(MakeObjectRef(&d), "Active", TFilerValue::Nil()));
  EXPECT_EQ(d.Active, nullptr);
}

}  // namespace
}  // namespace qv

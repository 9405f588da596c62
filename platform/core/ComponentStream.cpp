#include "platform/core/ComponentStream.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/core/Codepage.h"

namespace qv {

namespace {

constexpr const char* kReadError = "Stream read error";
constexpr const char* kInvalidFormat = "Invalid stream format";
constexpr const char* kInvalidValue = "Invalid property value";
// Lists inside lists, collections inside items, components inside
// components: deeper than this is taken as a damaged stream.
constexpr int kMaxNesting = 100;
constexpr std::int64_t kMaxLength = std::numeric_limits<std::int32_t>::max();

[[noreturn]] void readError() { throw EReadError(kReadError); }
[[noreturn]] void formatError() { throw EReadError(kInvalidFormat); }
[[noreturn]] void valueError() { throw EReadError(kInvalidValue); }

class NestingGuard {
 public:
  NestingGuard(int& depth, bool reading) : depth_(depth) {
    if (++depth_ > kMaxNesting) {
      --depth_;
      if (reading) formatError();
      throw EWriteError("Component stream nesting too deep");
    }
  }
  ~NestingGuard() { --depth_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  int& depth_;
};

bool isCp1252Text(std::string_view utf8) {
  if (!IsValidUtf8(utf8)) return false;
  size_t pos = 0;
  while (pos < utf8.size())
    if (UnicodeToCp1252(Utf8Next(utf8, pos)) < 0) return false;
  return true;
}

bool isDateType(const TTypeInfo& type) {
  return SameText(type.Name, "TDateTime") || SameText(type.Name, "TDate") ||
         SameText(type.Name, "TTime");
}

}  // namespace

// ---------------------------------------------------------------------------
// The 80-bit extended format.

TExtended80 EncodeExtended80(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int exp = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t frac = bits & ((std::uint64_t(1) << 52) - 1);
  constexpr std::uint64_t kIntegerBit = std::uint64_t(1) << 63;
  std::uint16_t e = 0;
  std::uint64_t m = 0;
  if (exp == 0x7FF) {  // infinity or NaN: the fraction bits move up unchanged
    e = 0x7FFF;
    m = kIntegerBit | (frac << 11);
  } else if (exp == 0) {
    if (frac != 0) {  // a denormal becomes a normal extended value
      const int lz = std::countl_zero(frac);
      m = frac << lz;
      e = static_cast<std::uint16_t>(16383 + 63 - 1074 - lz);
    }
  } else {
    e = static_cast<std::uint16_t>(exp - 1023 + 16383);
    m = kIntegerBit | (frac << 11);
  }
  if (negative) e |= 0x8000;
  TExtended80 out{};
  writeLE<std::uint64_t>(out.data(), m);
  writeLE<std::uint16_t>(out.data() + 8, e);
  return out;
}

double DecodeExtended80(const TExtended80& bytes) {
  std::uint64_t m = readLE<std::uint64_t>(bytes.data());
  const std::uint16_t se = readLE<std::uint16_t>(bytes.data() + 8);
  const std::uint64_t sign = (se & 0x8000) != 0 ? std::uint64_t(1) << 63 : 0;
  const int e = se & 0x7FFF;
  constexpr std::uint64_t kMaxFinite = 0x7FEFFFFFFFFFFFFFull;
  auto make = [](std::uint64_t b) {
    double d = 0;
    std::memcpy(&d, &b, sizeof d);
    return d;
  };
  if (e == 0x7FFF) {
    const std::uint64_t f = m & 0x7FFFFFFFFFFFFFFFull;
    if (f == 0) return make(sign | 0x7FF0000000000000ull);
    std::uint64_t frac52 = f >> 11;
    if (frac52 == 0) frac52 = std::uint64_t(1) << 51;  // keep it a NaN
    return make(sign | 0x7FF0000000000000ull | frac52);
  }
  if (m == 0) return make(sign);
  // value = m * 2^E; normalise so that the top bit of m is set.
  int E = (e == 0 ? 1 : e) - 16383 - 63;
  const int lz = std::countl_zero(m);
  m <<= lz;
  E -= lz;
  int unbiased = E + 63;
  if (unbiased > 1023) return make(sign | kMaxFinite);
  if (unbiased >= -1022) {
    std::uint64_t q = m >> 11;
    const std::uint64_t rem = m & 0x7FF;
    if (rem > 0x400 || (rem == 0x400 && (q & 1) != 0)) ++q;
    if (q == (std::uint64_t(1) << 53)) {
      q >>= 1;
      ++unbiased;
      if (unbiased > 1023) return make(sign | kMaxFinite);
    }
    return make(sign | (std::uint64_t(unbiased + 1023) << 52) |
                (q & ((std::uint64_t(1) << 52) - 1)));
  }
  // Denormal range: value = q * 2^-1074.
  const int shift = -(E + 1074);  // at least 12 here
  std::uint64_t q = 0;
  if (shift <= 64) {
    const std::uint64_t rem = shift == 64 ? m : m & ((std::uint64_t(1) << shift) - 1);
    const std::uint64_t half = std::uint64_t(1) << (shift - 1);
    q = shift == 64 ? 0 : m >> shift;
    if (rem > half || (rem == half && (q & 1) != 0)) ++q;
  }
  return make(sign | q);  // q == 2^52 is the smallest normal, as it should be
}

// ---------------------------------------------------------------------------
// Values.

namespace {

TFilerValue ofType(TValueType type) {
  TFilerValue v;
  v.Type = type;
  return v;
}

TFilerValue floatOf(TValueType type, double d) {
  TFilerValue v = ofType(type);
  v.Float = d;
  return v;
}

TFilerValue textOf(TValueType type, std::string text) {
  TFilerValue v = ofType(type);
  v.Str = std::move(text);
  return v;
}

}  // namespace

TFilerValue TFilerValue::Nil() { return ofType(vaNil); }
TFilerValue TFilerValue::Boolean(bool b) { return ofType(b ? vaTrue : vaFalse); }

TFilerValue TFilerValue::Integer(std::int64_t i) {
  TFilerValue v;
  v.Int = i;
  if (i >= -128 && i <= 127)
    v.Type = vaInt8;
  else if (i >= -32768 && i <= 32767)
    v.Type = vaInt16;
  else if (i >= std::numeric_limits<std::int32_t>::min() &&
           i <= std::numeric_limits<std::int32_t>::max())
    v.Type = vaInt32;
  else
    v.Type = vaInt64;
  return v;
}

TFilerValue TFilerValue::Extended(double d) {
  TFilerValue v = floatOf(vaExtended, d);
  v.Ext = EncodeExtended80(d);
  return v;
}

TFilerValue TFilerValue::Single(float f) { return floatOf(vaSingle, f); }
TFilerValue TFilerValue::Double(double d) { return floatOf(vaDouble, d); }
TFilerValue TFilerValue::Date(double d) { return floatOf(vaDate, d); }

TFilerValue TFilerValue::Currency(double d) {
  const double scaled = std::nearbyint(d * 10000.0);
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
    throw EWriteError("Currency value out of range");
  TFilerValue v = ofType(vaCurrency);
  v.Int = static_cast<std::int64_t>(scaled);
  v.Float = static_cast<double>(v.Int) / 10000.0;
  return v;
}

TFilerValue TFilerValue::String(std::string utf8) {
  TValueType type = vaUTF8String;
  if (isCp1252Text(utf8)) type = Utf8ToCp1252(utf8).size() <= 255 ? vaString : vaLString;
  return textOf(type, std::move(utf8));
}

TFilerValue TFilerValue::WideString(std::string utf8) { return textOf(vaWString, std::move(utf8)); }
TFilerValue TFilerValue::UTF8String(std::string utf8) {
  return textOf(vaUTF8String, std::move(utf8));
}
TFilerValue TFilerValue::Ident(std::string name) { return textOf(vaIdent, std::move(name)); }
TFilerValue TFilerValue::Binary(std::string bytes) { return textOf(vaBinary, std::move(bytes)); }

TFilerValue TFilerValue::Set(std::vector<std::string> names) {
  TFilerValue v = ofType(vaSet);
  v.Names = std::move(names);
  return v;
}

TFilerValue TFilerValue::List(std::vector<TFilerValue> items) {
  TFilerValue v = ofType(vaList);
  v.Items = std::move(items);
  return v;
}

TFilerValue TFilerValue::MakeCollection(std::vector<TFilerItem> items) {
  TFilerValue v = ofType(vaCollection);
  v.Collection = std::move(items);
  return v;
}

bool operator==(const TFilerValue& a, const TFilerValue& b) {
  if (a.Type != b.Type) return false;
  auto sameBits = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; };
  switch (a.Type) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
    case vaCurrency:
      return a.Int == b.Int;
    case vaExtended:
      return a.Ext == b.Ext;
    case vaSingle:
    case vaDouble:
    case vaDate:
      return sameBits(a.Float, b.Float);
    case vaString:
    case vaLString:
    case vaWString:
    case vaUTF8String:
    case vaIdent:
    case vaBinary:
      return a.Str == b.Str;
    case vaSet:
      return a.Names == b.Names;
    case vaList:
      return a.Items == b.Items;
    case vaCollection:
      return a.Collection == b.Collection;
    default:
      return true;
  }
}

// ---------------------------------------------------------------------------
// Writer.

void TWriter::WriteSignature() { stream_.WriteString("TPF0"); }

void TWriter::WritePrefix(std::uint8_t flags, std::int64_t childPos) {
  if (flags == 0) return;
  WriteValue(static_cast<TValueType>(0xF0 | (flags & 0x0F)));
  if ((flags & ffChildPos) != 0) WriteInteger(childPos);
}

void TWriter::WriteStr(std::string_view utf8) {
  const std::string bytes = Utf8ToCp1252(utf8);
  if (bytes.size() > 255)
    throw EWriteError("Name too long for a component stream: " + std::string(utf8.substr(0, 64)));
  stream_.WriteLE<std::uint8_t>(static_cast<std::uint8_t>(bytes.size()));
  stream_.WriteString(bytes);
}

void TWriter::WriteValue(TValueType type) { stream_.WriteLE<std::uint8_t>(type); }

void TWriter::WriteInteger(std::int64_t v) { WriteFilerValue(TFilerValue::Integer(v)); }
void TWriter::WriteBoolean(bool v) { WriteValue(v ? vaTrue : vaFalse); }
void TWriter::WriteFloat(double v) { WriteFilerValue(TFilerValue::Extended(v)); }
void TWriter::WriteSingle(float v) { WriteFilerValue(TFilerValue::Single(v)); }
void TWriter::WriteDouble(double v) { WriteFilerValue(TFilerValue::Double(v)); }
void TWriter::WriteCurrency(double v) { WriteFilerValue(TFilerValue::Currency(v)); }
void TWriter::WriteDate(double v) { WriteFilerValue(TFilerValue::Date(v)); }
void TWriter::WriteString(std::string_view utf8) {
  WriteFilerValue(TFilerValue::String(std::string(utf8)));
}
void TWriter::WriteWideString(std::string_view utf8) {
  WriteFilerValue(TFilerValue::WideString(std::string(utf8)));
}
void TWriter::WriteUTF8String(std::string_view utf8) {
  WriteFilerValue(TFilerValue::UTF8String(std::string(utf8)));
}
void TWriter::WriteIdent(std::string_view name) {
  WriteFilerValue(TFilerValue::Ident(std::string(name)));
}
void TWriter::WriteSet(const std::vector<std::string>& names) {
  WriteFilerValue(TFilerValue::Set(names));
}
void TWriter::WriteBinary(std::string_view bytes) {
  WriteFilerValue(TFilerValue::Binary(std::string(bytes)));
}

void TWriter::WriteFilerValue(const TFilerValue& v) {
  NestingGuard guard(depth_, false);
  auto writeLength = [this](size_t n) {
    if (n > static_cast<size_t>(kMaxLength))
      throw EWriteError("Value too long for a component stream");
    stream_.WriteLE<std::int32_t>(static_cast<std::int32_t>(n));
  };
  auto checkRange = [](std::int64_t i, std::int64_t lo, std::int64_t hi) {
    if (i < lo || i > hi) throw EWriteError("Integer value out of range of its kind");
  };
  switch (v.Type) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      WriteValue(v.Type);
      break;
    case vaList:
      WriteValue(vaList);
      for (const TFilerValue& item : v.Items) WriteFilerValue(item);
      WriteValue(vaNull);
      break;
    case vaInt8:
      checkRange(v.Int, -128, 127);
      WriteValue(vaInt8);
      stream_.WriteLE<std::int8_t>(static_cast<std::int8_t>(v.Int));
      break;
    case vaInt16:
      checkRange(v.Int, -32768, 32767);
      WriteValue(vaInt16);
      stream_.WriteLE<std::int16_t>(static_cast<std::int16_t>(v.Int));
      break;
    case vaInt32:
      checkRange(v.Int, std::numeric_limits<std::int32_t>::min(),
                 std::numeric_limits<std::int32_t>::max());
      WriteValue(vaInt32);
      stream_.WriteLE<std::int32_t>(static_cast<std::int32_t>(v.Int));
      break;
    case vaInt64:
      WriteValue(vaInt64);
      stream_.WriteLE<std::int64_t>(v.Int);
      break;
    case vaExtended:
      WriteValue(vaExtended);
      stream_.WriteBuffer(v.Ext.data(), 10);
      break;
    case vaString:
    case vaLString: {
      const std::string bytes = Utf8ToCp1252(v.Str);
      if (v.Type == vaString && bytes.size() <= 255) {
        WriteValue(vaString);
        stream_.WriteLE<std::uint8_t>(static_cast<std::uint8_t>(bytes.size()));
      } else {
        WriteValue(vaLString);
        writeLength(bytes.size());
      }
      stream_.WriteString(bytes);
      break;
    }
    case vaIdent:
      WriteValue(vaIdent);
      WriteStr(v.Str);
      break;
    case vaWString: {
      const std::u16string units = Utf8ToUtf16(v.Str);
      WriteValue(vaWString);
      writeLength(units.size());
      for (char16_t u : units) stream_.WriteLE<std::uint16_t>(u);
      break;
    }
    case vaUTF8String:
      WriteValue(vaUTF8String);
      writeLength(v.Str.size());
      stream_.WriteString(v.Str);
      break;
    case vaBinary:
      WriteValue(vaBinary);
      writeLength(v.Str.size());
      stream_.WriteString(v.Str);
      break;
    case vaSet:
      WriteValue(vaSet);
      for (const std::string& n : v.Names) {
        if (n.empty()) throw EWriteError("Empty set element name");
        WriteStr(n);
      }
      WriteStr("");
      break;
    case vaCollection:
      WriteValue(vaCollection);
      for (const TFilerItem& item : v.Collection) {
        if (item.OrderType != vaNull) {
          TFilerValue order;
          order.Type = item.OrderType;
          order.Int = item.Order;
          if (!order.IsInteger()) throw EWriteError("A collection item order must be an integer");
          WriteFilerValue(order);
        }
        WriteValue(vaList);
        for (const TFilerProperty& p : item.Properties) {
          WriteStr(p.Name);
          WriteFilerValue(p.Value);
        }
        WriteValue(vaNull);
      }
      WriteValue(vaNull);
      break;
    case vaSingle: {
      WriteValue(vaSingle);
      stream_.WriteLE<float>(static_cast<float>(v.Float));
      break;
    }
    case vaCurrency:
      WriteValue(vaCurrency);
      stream_.WriteLE<std::int64_t>(v.Int);
      break;
    case vaDate:
    case vaDouble:
      WriteValue(v.Type);
      stream_.WriteLE<double>(v.Float);
      break;
    default:
      throw EWriteError("Unknown value type " + IntToStr(v.Type));
  }
}

void TWriter::WriteProperty(std::string_view name, const TFilerValue& value) {
  WriteStr(propPath_ + std::string(name));
  WriteFilerValue(value);
}

void TWriter::WriteRootComponent(TObjectRef root) {
  WriteSignature();
  WriteComponent(root);
}

void TWriter::WriteComponent(TObjectRef component, std::uint8_t flags, std::int64_t childPos) {
  if (component.Class == nullptr || component.Object == nullptr)
    throw EWriteError("Cannot write an object without a class description");
  NestingGuard guard(depth_, false);
  WritePrefix(flags, childPos);
  WriteStr(component.Class->ClassName());
  std::string name;
  if (const TPropInfo* np = component.Class->FindProperty("Name");
      np != nullptr && np->PropType().IsString())
    name = np->GetValue(component).AsString();
  WriteStr(name);
  const std::string savedPath = std::move(propPath_);
  propPath_.clear();
  WriteProperties(component);
  WriteListEnd();
  component.Class->GetChildren(component, [this](TObjectRef child) {
    if (child) WriteComponent(child);
  });
  WriteListEnd();
  propPath_ = savedPath;
}

void TWriter::WriteProperties(TObjectRef object) {
  if (object.Class == nullptr || object.Object == nullptr) return;
  NestingGuard guard(depth_, false);
  for (const TPropInfo* prop : object.Class->Properties()) writeProperty(object, *prop);
  object.Class->DefineProperties(object, *this);
}

void TWriter::writeProperty(TObjectRef object, const TPropInfo& prop) {
  const TTypeKind kind = prop.Kind();
  if (kind == tkUnknown || kind == tkMethod || kind == tkArray || kind == tkRecord ||
      kind == tkInterface || kind == tkDynArray)
    return;
  if (prop.IsReadOnly() && kind != tkClass) return;
  if (!prop.IsStored(object)) return;
  if (kind != tkClass) {
    if (prop.IsDefaultValue(object)) return;
    WriteProperty(prop.Name(), PropToFilerValue(prop, prop.GetValue(object)));
    return;
  }
  const TPropValue v = prop.GetValue(object);
  const TObjectRef ref = v.IsObject() ? v.AsObject() : TObjectRef{};
  const TClassInfo* cls = ref.Class != nullptr ? ref.Class : prop.PropType().ClassType;
  if (cls != nullptr && cls->IsComponent()) {
    // A reference to a component elsewhere: by name; none is not written.
    if (ref && !prop.IsReadOnly())
      WriteProperty(prop.Name(), TFilerValue::Ident(referenceName(ref)));
    return;
  }
  if (!ref || ref.Class == nullptr) return;
  if (ref.Class->Collection() != nullptr) {
    WriteStr(propPath_ + prop.Name());
    writeCollection(ref);
    return;
  }
  const std::string savedPath = propPath_;
  propPath_ += prop.Name();
  propPath_ += '.';
  WriteProperties(ref);
  propPath_ = savedPath;
}

void TWriter::writeCollection(TObjectRef collection) {
  NestingGuard guard(depth_, false);
  const TCollectionInfo* info = collection.Class->Collection();
  WriteValue(vaCollection);
  const std::string savedPath = std::move(propPath_);
  const int count = info->Count(collection);
  for (int i = 0; i < count; ++i) {
    propPath_.clear();
    WriteListBegin();
    WriteProperties(info->Item(collection, i));
    WriteListEnd();
  }
  WriteListEnd();
  propPath_ = savedPath;
}

std::string TWriter::referenceName(TObjectRef component) {
  if (OnReferenceName) return OnReferenceName(component);
  const TPropInfo* np = component.Class->FindProperty("Name");
  if (np == nullptr || !np->PropType().IsString()) return {};
  return np->GetValue(component).AsString();
}

void TWriter::DefineProperty(const std::string& Name, const TReaderProc& /*ReadData*/,
                             const TWriterProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  WriteStr(propPath_ + Name);
  WriteData(*this);
}

void TWriter::DefineBinaryProperty(const std::string& Name, const TStreamProc& /*ReadData*/,
                                   const TStreamProc& WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  TMemoryStream data;
  WriteData(data);
  WriteStr(propPath_ + Name);
  WriteFilerValue(TFilerValue::Binary(std::string(data.View())));
}

// ---------------------------------------------------------------------------
// Reader.

void TReader::readBytes(void* dst, std::int64_t count) {
  if (count < 0 || count > stream_.Remaining()) readError();
  stream_.ReadBuffer(dst, count);
}

std::int64_t TReader::readLength() {
  std::int32_t n = 0;
  readBytes(&n, 4);
  n = readLE<std::int32_t>(&n);
  if (n < 0) formatError();
  if (n > stream_.Remaining()) readError();
  return n;
}

void TReader::ReadSignature() {
  char sig[4];
  readBytes(sig, 4);
  if (std::memcmp(sig, "TPF0", 4) != 0) formatError();
}

TValueType TReader::NextValue() {
  std::uint8_t b = 0;
  readBytes(&b, 1);
  stream_.Seek(-1, soCurrent);
  return static_cast<TValueType>(b);
}

TValueType TReader::ReadValue() {
  std::uint8_t b = 0;
  readBytes(&b, 1);
  return static_cast<TValueType>(b);
}

void TReader::ReadListBegin() {
  if (ReadValue() != vaList) valueError();
}

void TReader::ReadListEnd() {
  if (ReadValue() != vaNull) valueError();
}

std::string TReader::ReadStr() {
  std::uint8_t n = 0;
  readBytes(&n, 1);
  std::string bytes(n, '\0');
  readBytes(bytes.data(), n);
  return Cp1252ToUtf8(bytes);
}

TComponentHeader TReader::ReadComponentHeader() {
  TComponentHeader h;
  const auto first = static_cast<std::uint8_t>(NextValue());
  if ((first & 0xF0) == 0xF0) {
    ReadValue();
    h.Flags = first & 0x0F;
    if ((h.Flags & ffChildPos) != 0) h.ChildPos = ReadInt64();
  }
  h.ClassName = ReadStr();
  h.Name = ReadStr();
  return h;
}

std::int32_t TReader::ReadInteger() {
  const std::int64_t v = ReadInt64();
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    valueError();
  return static_cast<std::int32_t>(v);
}

std::int64_t TReader::ReadInt64() {
  const TValueType t = ReadValue();
  if (t != vaInt8 && t != vaInt16 && t != vaInt32 && t != vaInt64) valueError();
  return readValueOfType(t).Int;
}

bool TReader::ReadBoolean() {
  const TValueType t = ReadValue();
  if (t != vaTrue && t != vaFalse) valueError();
  return t == vaTrue;
}

double TReader::ReadFloat() {
  const TFilerValue v = ReadFilerValue();
  if (v.IsFloat()) return v.Float;
  if (v.IsInteger()) return static_cast<double>(v.Int);
  valueError();
}

std::string TReader::ReadString() {
  const TValueType t = ReadValue();
  if (t != vaString && t != vaLString && t != vaWString && t != vaUTF8String) valueError();
  return readValueOfType(t).Str;
}

std::string TReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent:
      return ReadStr();
    case vaFalse:
      return "False";
    case vaTrue:
      return "True";
    case vaNil:
      return "nil";
    case vaNull:
      return "Null";
    default:
      valueError();
  }
}

std::vector<std::string> TReader::ReadSet() {
  if (ReadValue() != vaSet) valueError();
  return readValueOfType(vaSet).Names;
}

std::string TReader::ReadBinary() {
  if (ReadValue() != vaBinary) valueError();
  return readValueOfType(vaBinary).Str;
}

TFilerValue TReader::ReadFilerValue() { return readValueOfType(ReadValue()); }

TFilerValue TReader::readValueOfType(TValueType type) {
  NestingGuard guard(nesting_, true);
  TFilerValue v;
  v.Type = type;
  char buf[10];
  switch (type) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      break;
    case vaList:
      while (!EndOfList()) v.Items.push_back(ReadFilerValue());
      ReadValue();
      break;
    case vaInt8:
      readBytes(buf, 1);
      v.Int = readLE<std::int8_t>(buf);
      break;
    case vaInt16:
      readBytes(buf, 2);
      v.Int = readLE<std::int16_t>(buf);
      break;
    case vaInt32:
      readBytes(buf, 4);
      v.Int = readLE<std::int32_t>(buf);
      break;
    case vaInt64:
      readBytes(buf, 8);
      v.Int = readLE<std::int64_t>(buf);
      break;
    case vaExtended:
      readBytes(v.Ext.data(), 10);
      v.Float = DecodeExtended80(v.Ext);
      break;
    case vaString:
    case vaIdent:
      v.Str = ReadStr();
      break;
    case vaLString: {
      std::string bytes(static_cast<size_t>(readLength()), '\0');
      readBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
      v.Str = Cp1252ToUtf8(bytes);
      break;
    }
    case vaWString: {
      const std::int64_t units = readLength();
      if (units * 2 > stream_.Remaining()) readError();
      std::string bytes(static_cast<size_t>(units * 2), '\0');
      readBytes(bytes.data(), units * 2);
      std::u16string text(static_cast<size_t>(units), u'\0');
      for (size_t i = 0; i < text.size(); ++i)
        text[i] = readLE<std::uint16_t>(bytes.data() + 2 * i);
      v.Str = Utf16ToUtf8(text);
      break;
    }
    case vaUTF8String:
    case vaBinary:
      v.Str.assign(static_cast<size_t>(readLength()), '\0');
      readBytes(v.Str.data(), static_cast<std::int64_t>(v.Str.size()));
      break;
    case vaSet:
      while (true) {
        std::string n = ReadStr();
        if (n.empty()) break;
        v.Names.push_back(std::move(n));
      }
      break;
    case vaCollection:
      while (!EndOfList()) {
        TFilerItem item;
        const TValueType next = NextValue();
        if (next == vaInt8 || next == vaInt16 || next == vaInt32 || next == vaInt64) {
          item.OrderType = next;
          item.Order = ReadInt64();
        }
        ReadListBegin();
        while (!EndOfList()) {
          TFilerProperty p;
          p.Name = ReadStr();
          p.Value = ReadFilerValue();
          item.Properties.push_back(std::move(p));
        }
        ReadValue();
        v.Collection.push_back(std::move(item));
      }
      ReadValue();
      break;
    case vaSingle:
      readBytes(buf, 4);
      v.Float = readLE<float>(buf);
      break;
    case vaCurrency:
      readBytes(buf, 8);
      v.Int = readLE<std::int64_t>(buf);
      v.Float = static_cast<double>(v.Int) / 10000.0;
      break;
    case vaDate:
    case vaDouble:
      readBytes(buf, 8);
      v.Float = readLE<double>(buf);
      break;
    default:
      formatError();
  }
  return v;
}

void TReader::ReadComponentEvents(const TComponentVisitor& visitor) {
  readEvents(visitor, 0, true);
}

void TReader::readEvents(const TComponentVisitor& visitor, int depth, bool report) {
  NestingGuard guard(nesting_, true);
  const TComponentHeader header = ReadComponentHeader();
  const bool want = report && (!visitor.OnComponent || visitor.OnComponent(header, depth));
  while (!EndOfList()) {
    const std::string name = ReadStr();
    const TFilerValue value = ReadFilerValue();
    if (want && visitor.OnProperty) visitor.OnProperty(name, value);
  }
  ReadValue();
  while (!EndOfList()) readEvents(visitor, depth + 1, want);
  ReadValue();
  if (want && visitor.OnEndComponent) visitor.OnEndComponent(depth);
}

void TReader::ReadRootComponent(TObjectRef root, const TReadOptions& options) {
  ReadSignature();
  ReadComponent(root, options);
}

void TReader::ReadComponent(TObjectRef component, const TReadOptions& options) {
  std::vector<TFixup> fixups;
  std::vector<TFixup>* outer = fixups_;
  fixups_ = &fixups;
  try {
    const TComponentHeader header = ReadComponentHeader();
    readBody(component, header, options);
  } catch (...) {
    fixups_ = outer;
    throw;
  }
  fixups_ = outer;
  // References to components read after them.
  for (const TFixup& f : fixups) {
    const TObjectRef ref = options.FindComponent ? options.FindComponent(f.Name) : TObjectRef{};
    if (!ref) {
      if (options.OnError) options.OnError(f.Path, "Component " + f.Name + " not found");
      continue;
    }
    try {
      f.Prop->SetValue(f.Object, TPropValue::Object(ref));
    } catch (const EPropertyError& e) {
      if (options.OnError) options.OnError(f.Path, e.Message());
    }
  }
}

void TReader::readBody(TObjectRef object, const TComponentHeader& header,
                       const TReadOptions& options) {
  NestingGuard guard(nesting_, true);
  if (options.SetName && object.Class != nullptr) {
    const TPropInfo* np = object.Class->FindProperty("Name");
    if (np != nullptr && np->PropType().IsString() && !np->IsReadOnly())
      np->SetValue(object, TPropValue::String(header.Name));
  }
  while (!EndOfList()) {
    const std::string name = ReadStr();
    const TFilerValue value = ReadFilerValue();
    applyProperty(object, name, value, options, fixups_);
  }
  ReadValue();
  while (!EndOfList()) {
    const TComponentHeader child = ReadComponentHeader();
    TObjectRef target = options.OnChild ? options.OnChild(object, child) : TObjectRef{};
    if (target && target.Class != nullptr) {
      readBody(target, child, options);
    } else {
      // Parse and drop it: its properties and children.
      NestingGuard inner(nesting_, true);
      while (!EndOfList()) {
        ReadStr();
        SkipValue();
      }
      ReadValue();
      while (!EndOfList()) readEvents({}, 0, false);
      ReadValue();
    }
  }
  ReadValue();
}

// ---------------------------------------------------------------------------
// Applying values.

namespace {

// Finds a property defined by an object's DefineProperties hook.
class DefinedPropertyFinder : public TFiler {
 public:
  explicit DefinedPropertyFinder(std::string_view name) : name_(name) {}

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& /*WriteData*/, bool /*HasData*/) override {
    if (Found || !SameText(Name, name_)) return;
    Found = true;
    Reader = ReadData;
  }
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& /*WriteData*/, bool /*HasData*/) override {
    if (Found || !SameText(Name, name_)) return;
    Found = true;
    Binary = true;
    StreamReader = ReadData;
  }

  bool Found = false;
  bool Binary = false;
  TReaderProc Reader;
  TStreamProc StreamReader;

 private:
  std::string_view name_;
};

bool report(const TReadOptions& options, const std::string& path, const std::string& message) {
  if (options.OnError) options.OnError(path, message);
  return false;
}

}  // namespace

bool TReader::applyClassValue(TObjectRef object, const TPropInfo& prop, const std::string& path,
                              const TFilerValue& value, const TReadOptions& options,
                              std::vector<TFixup>* fixups) {
  const TClassInfo* cls = prop.PropType().ClassType;
  switch (value.Type) {
    case vaNil:
      if (prop.IsReadOnly()) return report(options, path, "Property is read-only");
      prop.SetValue(object, TPropValue::Object({nullptr, cls}));
      return true;
    case vaIdent: {
      if (cls == nullptr || !cls->IsComponent() || prop.IsReadOnly())
        return report(options, path, kInvalidValue);
      const TObjectRef ref =
          options.FindComponent ? options.FindComponent(value.Str) : TObjectRef{};
      if (!ref) {
        if (fixups == nullptr)
          return report(options, path, "Component " + value.Str + " not found");
        fixups->push_back({object, &prop, path, value.Str});
        return true;
      }
      try {
        prop.SetValue(object, TPropValue::Object(ref));
      } catch (const EPropertyError& e) {
        return report(options, path, e.Message());
      }
      return true;
    }
    case vaCollection: {
      const TPropValue current = prop.GetValue(object);
      const TObjectRef coll = current.IsObject() ? current.AsObject() : TObjectRef{};
      const TCollectionInfo* info =
          coll && coll.Class != nullptr ? coll.Class->Collection() : nullptr;
      if (info == nullptr) return report(options, path, kInvalidValue);
      info->Clear(coll);
      for (const TFilerItem& item : value.Collection) {
        const TObjectRef added = info->Add(coll);
        for (const TFilerProperty& p : item.Properties)
          applyProperty(added, p.Name, p.Value, options, fixups);
      }
      return true;
    }
    default:
      return report(options, path, kInvalidValue);
  }
}

bool ApplyFilerProperty(TObjectRef object, const std::string& path, const TFilerValue& value,
                        const TReadOptions& options) {
  return TReader::applyProperty(object, path, value, options, nullptr);
}

bool TReader::applyProperty(TObjectRef object, const std::string& path, const TFilerValue& value,
                            const TReadOptions& options, std::vector<TFixup>* fixups) {
  TObjectRef cur = object;
  std::string_view rest = path;
  while (cur && cur.Class != nullptr) {
    const size_t dot = rest.find('.');
    const std::string_view name = rest.substr(0, dot);
    const TPropInfo* prop = cur.Class->FindProperty(name);
    if (dot != std::string_view::npos) {
      if (prop == nullptr || prop->Kind() != tkClass) break;
      const TPropValue v = prop->GetValue(cur);
      if (!v.IsObject()) break;
      cur = v.AsObject();
      rest.remove_prefix(dot + 1);
      continue;
    }
    if (prop != nullptr) {
      if (prop->Kind() == tkClass) return applyClassValue(cur, *prop, path, value, options, fixups);
      TPropValue pv;
      std::string error;
      if (!FilerToPropValue(*prop, value, pv, error)) return report(options, path, error);
      try {
        prop->SetValue(cur, pv);
      } catch (const EPropertyError& e) {
        return report(options, path, e.Message());
      }
      return true;
    }
    DefinedPropertyFinder finder(name);
    cur.Class->DefineProperties(cur, finder);
    if (!finder.Found) break;
    if (finder.Binary) {
      if (value.Type != vaBinary) return report(options, path, kInvalidValue);
      TMemoryStream data(value.Str);
      if (finder.StreamReader) finder.StreamReader(data);
    } else {
      TMemoryStream data;
      TWriter(data).WriteFilerValue(value);
      data.SetPosition(0);
      TReader reader(data);
      if (finder.Reader) finder.Reader(reader);
    }
    return true;
  }
  return report(options, path, "Property " + path + " does not exist");
}

TFilerValue PropToFilerValue(const TPropInfo& prop, const TPropValue& value) {
  const TTypeInfo& type = prop.PropType();
  switch (type.Kind) {
    case tkInteger: {
      std::int64_t v = value.AsOrdinal();
      std::string ident;
      if (type.IntToIdent && type.IntToIdent(v, ident)) return TFilerValue::Ident(ident);
      // 32-bit unsigned types (Cardinal, TColor) keep their bits in an int32.
      if (v > std::numeric_limits<std::int32_t>::max() &&
          v <= std::numeric_limits<std::uint32_t>::max())
        v = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
      return TFilerValue::Integer(v);
    }
    case tkChar: {
      std::string s;
      Utf8Append(s, Cp1252ToUnicode(static_cast<std::uint8_t>(value.AsOrdinal())));
      return TFilerValue::String(s);
    }
    case tkWChar: {
      const std::u16string unit(1, static_cast<char16_t>(value.AsOrdinal()));
      return TFilerValue::WideString(Utf16ToUtf8(unit));
    }
    case tkEnumeration: {
      const std::int64_t v = value.AsOrdinal();
      if (&type == &TypeInfoBoolean()) return TFilerValue::Boolean(v != 0);
      std::string name = GetEnumName(type, v);
      return name.empty() ? TFilerValue::Integer(v) : TFilerValue::Ident(std::move(name));
    }
    case tkSet:
      return TFilerValue::Set(SetToNames(type, value.AsOrdinal()));
    case tkFloat: {
      const double d = value.AsFloat();
      if (type.FloatType == ftSingle) return TFilerValue::Single(static_cast<float>(d));
      if (type.FloatType == ftCurr) return TFilerValue::Currency(d);
      if (isDateType(type)) return TFilerValue::Date(d);
      return TFilerValue::Extended(d);
    }
    case tkString:
    case tkLString:
      return TFilerValue::String(value.AsString());
    case tkWString:
      return TFilerValue::WideString(value.AsString());
    case tkInt64:
      return TFilerValue::Integer(value.AsOrdinal());
    case tkVariant:
      if (value.IsOrdinal()) return TFilerValue::Integer(value.AsOrdinal());
      if (value.IsFloat()) return TFilerValue::Extended(value.AsFloat());
      if (value.IsString()) return TFilerValue::String(value.AsString());
      return TFilerValue::Nil();
    default:
      return TFilerValue::Nil();
  }
}

bool FilerToPropValue(const TPropInfo& prop, const TFilerValue& value, TPropValue& result,
                      std::string& error) {
  const TTypeInfo& type = prop.PropType();
  error = kInvalidValue;
  auto firstChar = [&](std::int64_t& code) {
    if (!value.IsString() || value.Str.empty()) return false;
    size_t pos = 0;
    code = Utf8Next(value.Str, pos);
    return true;
  };
  switch (type.Kind) {
    case tkInteger: {
      std::int64_t v = 0;
      if (value.IsInteger()) {
        v = value.Int;
        // The int32 form of a 32-bit unsigned value.
        if (v < 0 && v >= std::numeric_limits<std::int32_t>::min() && type.MinValue >= 0 &&
            type.MaxValue > std::numeric_limits<std::int32_t>::max())
          v = static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
      } else if (value.Type == vaIdent && type.IdentToInt) {
        if (!type.IdentToInt(value.Str, v)) return false;
      } else {
        return false;
      }
      result = TPropValue::Ordinal(v);
      return true;
    }
    case tkChar: {
      std::int64_t code = 0;
      if (value.IsInteger()) {
        code = value.Int;
      } else if (firstChar(code)) {
        code = UnicodeToCp1252(static_cast<char32_t>(code));
        if (code < 0) return false;
      } else {
        return false;
      }
      result = TPropValue::Ordinal(code);
      return true;
    }
    case tkWChar: {
      std::int64_t code = 0;
      if (value.IsInteger()) {
        code = value.Int;
      } else if (!firstChar(code) || code > 0xFFFF) {
        return false;
      }
      result = TPropValue::Ordinal(code);
      return true;
    }
    case tkEnumeration: {
      std::int64_t v = 0;
      if (value.Type == vaFalse || value.Type == vaTrue) {
        v = value.Type == vaTrue ? 1 : 0;
      } else if (value.Type == vaIdent) {
        v = GetEnumValue(type, value.Str);
        if (v < 0) return false;
      } else if (value.IsInteger()) {
        v = value.Int;
      } else {
        return false;
      }
      result = TPropValue::Ordinal(v);
      return true;
    }
    case tkSet: {
      std::int64_t bits = 0;
      if (value.Type != vaSet || !NamesToSet(type, value.Names, bits)) return false;
      result = TPropValue::Ordinal(bits);
      return true;
    }
    case tkFloat:
      if (value.IsFloat())
        result = TPropValue::Float(value.Float);
      else if (value.IsInteger())
        result = TPropValue::Float(static_cast<double>(value.Int));
      else
        return false;
      return true;
    case tkString:
    case tkLString:
    case tkWString:
      if (!value.IsString()) return false;
      result = TPropValue::String(value.Str);
      return true;
    case tkInt64:
      if (!value.IsInteger()) return false;
      result = TPropValue::Ordinal(value.Int);
      return true;
    case tkVariant:
      if (value.Type == vaNil || value.Type == vaNull)
        result = TPropValue();
      else if (value.IsInteger())
        result = TPropValue::Ordinal(value.Int);
      else if (value.Type == vaFalse || value.Type == vaTrue)
        result = TPropValue::Ordinal(value.Type == vaTrue ? 1 : 0);
      else if (value.IsFloat())
        result = TPropValue::Float(value.Float);
      else if (value.IsString())
        result = TPropValue::String(value.Str);
      else
        return false;
      return true;
    default:
      return false;
  }
}

}  // namespace qv

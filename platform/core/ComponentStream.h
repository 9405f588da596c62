// The component stream ("TPF0"): the class library's binary form of a
// component with its published properties, read and written here.
//
// Layout (integers little-endian):
//   signature   the four bytes "TPF0" (once, before the root component)
//   component   [prefix] class-name component-name properties 00 children 00
//     prefix    present when flags are set: one byte F0 | flags (ffInherited
//               1, ffChildPos 2, ffInline 4), then with ffChildPos an
//               integer value (the child position)
//     names     short strings: a length byte and that many Windows-1252 bytes
//     property  a short-string name (a dotted path for properties of nested
//               objects: "Title.Text.Strings", "LeftAxis.Grid.Color") and a
//               value
//     children  components, the same layout, until a 00 byte
//   value       a type byte (TValueType), then:
//     vaNull 0, vaFalse 8, vaTrue 9, vaNil 13      nothing
//     vaList 1       values until vaNull
//     vaInt8 2 / vaInt16 3 / vaInt32 4 / vaInt64 19   1 / 2 / 4 / 8 bytes, signed
//     vaExtended 5   10 bytes, the x87 80-bit format
//     vaSingle 15, vaDouble 21, vaDate 17   4, 8, 8 bytes IEEE
//     vaCurrency 16  8 bytes, the value times 10000 as a signed integer
//     vaString 6, vaIdent 7   a length byte and Windows-1252 bytes
//     vaLString 12   int32 length and Windows-1252 bytes
//     vaWString 18   int32 length in UTF-16 units and the units
//     vaUTF8String 20   int32 length and UTF-8 bytes
//     vaBinary 10    int32 length and the bytes
//     vaSet 11       short-string element names until an empty name
//     vaCollection 14   items until vaNull; an item is an optional integer
//                    value (its order), vaList, properties, 00
//
// Writing: TWriter writes values one by one (WriteInteger picks the
// smallest integer kind, WriteString a Windows-1252 kind when the text has
// such bytes, else vaUTF8String), or a whole described object with
// WriteRootComponent/WriteComponent, which walks the published-property
// descriptions (PublishedProps.h): stored, non-default properties in
// declaration order; properties of nested objects under dotted paths;
// collections as vaCollection; references to components by name; then the
// properties that the class's DefineProperties hook defines; then its
// children.
//
// Reading: TReader reads values one by one, walks a component handing each
// (path, value) to a callback (ReadComponentEvents), or reads into a
// described object (ReadRootComponent/ReadComponent): published properties
// are set by path, defined properties handed to their read procedures,
// and every property the object does not know is skipped. Every length is
// bounded by what remains of the stream and nesting is bounded, so a
// damaged stream fails with EReadError: "Stream read error" when it ends
// early (an empty stream too) or a length passes its end, "Invalid stream
// format" for a bad signature, type byte, negative length or nesting.
//
// Example, a sheet with its binary cell data:
//
//   TClassBuilder<TXLSheet>("TXLSheet").Component()
//       .Property("Name", TypeInfoComponentName(), &TXLSheet::Name, &TXLSheet::SetName)
//       .Stored(false)
//       .Property("ColCount", TypeInfoInteger(), &TXLSheet::ColCount, &TXLSheet::SetColCount)
//       .Default(5)
//       .DefineProperties([](TXLSheet& s, TFiler& f) {
//         f.DefineBinaryProperty("XLData", [&s](TStream& in) { s.ReadData(in); },
//                                [&s](TStream& out) { s.WriteData(out); }, true);
//       })
//       .Register();
//
//   TMemoryStream ms;
//   TWriter(ms).WriteRootComponent(MakeObjectRef(&sheet));
//   ms.SetPosition(0);
//   TReader(ms).ReadRootComponent(MakeObjectRef(&other));
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/PublishedProps.h"

namespace qv {

enum TValueType : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
  vaDouble = 21
};

// Flags of the component prefix.
enum TFilerFlag : std::uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

// The x87 80-bit extended format: 64-bit mantissa with explicit integer
// bit, 15-bit exponent biased by 16383, sign; little-endian.
using TExtended80 = std::array<std::uint8_t, 10>;
// Exact for every double: denormals become normal extended values,
// infinities and NaNs (sign and payload) keep their class and bits.
TExtended80 EncodeExtended80(double value);
// The nearest double (ties to even); values beyond the double range are
// clamped to +-DBL_MAX, values below its smallest denormal round to 0 or
// the smallest denormal, NaN payloads keep their top 52 bits (made quiet
// when only lower bits were set), pseudo-infinities and unnormals read as
// their mathematical value or NaN.
double DecodeExtended80(const TExtended80& bytes);

struct TFilerItem;
struct TFilerProperty;

// One value as it stands in a component stream. Type says which fields
// hold it; the factories fill them consistently.
struct TFilerValue {
  TValueType Type = vaNull;
  // vaInt8, vaInt16, vaInt32, vaInt64; vaCurrency: the value times 10000.
  std::int64_t Int = 0;
  // vaSingle, vaDouble, vaDate, vaCurrency, vaExtended (the nearest double).
  double Float = 0;
  // vaExtended: the ten bytes, written back as they are.
  TExtended80 Ext{};
  // The string kinds (UTF-8), vaIdent (UTF-8), vaBinary (the raw bytes).
  std::string Str;
  // vaSet: the element names.
  std::vector<std::string> Names;
  // vaList: the items.
  std::vector<TFilerValue> Items;
  // vaCollection: the items.
  std::vector<TFilerItem> Collection;

  static TFilerValue Null();
  static TFilerValue Nil();
  static TFilerValue Boolean(bool v);
  // vaInt8, vaInt16, vaInt32 or vaInt64, the smallest that holds v.
  static TFilerValue Integer(std::int64_t v);
  static TFilerValue Extended(double v);
  static TFilerValue Single(float v);
  static TFilerValue Double(double v);
  static TFilerValue Date(double v);
  // Rounded to 1/10000; EWriteError outside the 64-bit range.
  static TFilerValue Currency(double v);
  // vaString (up to 255 bytes) or vaLString when the text is valid UTF-8
  // made only of Windows-1252 characters, else vaUTF8String with the bytes.
  static TFilerValue String(std::string utf8);
  static TFilerValue WideString(std::string utf8);
  static TFilerValue UTF8String(std::string utf8);
  static TFilerValue Ident(std::string name);
  static TFilerValue Set(std::vector<std::string> names);
  static TFilerValue Binary(std::string bytes);
  static TFilerValue List(std::vector<TFilerValue> items);
  static TFilerValue MakeCollection(std::vector<TFilerItem> items);

  bool IsInteger() const {
    return Type == vaInt8 || Type == vaInt16 || Type == vaInt32 || Type == vaInt64;
  }
  bool IsFloat() const {
    return Type == vaExtended || Type == vaSingle || Type == vaDouble || Type == vaDate ||
           Type == vaCurrency;
  }
  bool IsString() const {
    return Type == vaString || Type == vaLString || Type == vaWString || Type == vaUTF8String;
  }

  friend bool operator==(const TFilerValue& a, const TFilerValue& b);
};

struct TFilerProperty {
  std::string Name;
  TFilerValue Value;
  friend bool operator==(const TFilerProperty&, const TFilerProperty&) = default;
};

struct TFilerItem {
  // The optional order value before the item (an integer kind), or vaNull.
  TValueType OrderType = vaNull;
  std::int64_t Order = 0;
  std::vector<TFilerProperty> Properties;
  friend bool operator==(const TFilerItem&, const TFilerItem&) = default;
};

// Defined once TFilerItem is complete: making a value destroys its
// collection, which needs the item type whole.
inline TFilerValue TFilerValue::Null() { return {}; }

class TReader;
class TWriter;

// What a class's DefineProperties hook sees: the writer writes a defined
// property when HasData is true; the reader hands a defined property that
// it finds in the stream to the read procedure. A read procedure of
// DefineProperty reads exactly one value from the reader it gets; that of
// DefineBinaryProperty gets a memory stream holding exactly the data.
class TFiler {
 public:
  using TReaderProc = std::function<void(TReader&)>;
  using TWriterProc = std::function<void(TWriter&)>;
  using TStreamProc = std::function<void(TStream&)>;

  TFiler() = default;
  TFiler(const TFiler&) = delete;
  TFiler& operator=(const TFiler&) = delete;
  virtual ~TFiler() = default;

  virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                              const TWriterProc& WriteData, bool HasData) = 0;
  virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                    const TStreamProc& WriteData, bool HasData) = 0;
};

// Writes at the stream's position. Write errors of the stream pass through
// (EWriteError); names longer than 255 bytes raise EWriteError.
class TWriter : public TFiler {
 public:
  explicit TWriter(TStream& stream) : stream_(stream) {}

  void WriteSignature();
  void WritePrefix(std::uint8_t flags, std::int64_t childPos);
  void WriteStr(std::string_view utf8);  // a short string, Windows-1252
  void WriteValue(TValueType type);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  void WriteInteger(std::int64_t v);
  void WriteBoolean(bool v);
  void WriteFloat(double v);  // vaExtended
  void WriteSingle(float v);
  void WriteDouble(double v);
  void WriteCurrency(double v);
  void WriteDate(double v);
  void WriteString(std::string_view utf8);
  void WriteWideString(std::string_view utf8);
  void WriteUTF8String(std::string_view utf8);
  void WriteIdent(std::string_view name);
  void WriteSet(const std::vector<std::string>& names);
  void WriteBinary(std::string_view bytes);
  void WriteFilerValue(const TFilerValue& value);
  // A property name (the current path prefix added) and its value.
  void WriteProperty(std::string_view name, const TFilerValue& value);

  // The signature, then the component.
  void WriteRootComponent(TObjectRef root);
  // The prefix (when flags are set), class name, name (the object's
  // published "Name" when it has one, else empty), properties, end,
  // children, end.
  void WriteComponent(TObjectRef component, std::uint8_t flags = 0, std::int64_t childPos = 0);
  // The object's stored published properties, then its defined ones, each
  // under the current path prefix.
  void WriteProperties(TObjectRef object);

  // The name under which a referenced component is written (default: its
  // published "Name"; a caller may qualify it with the owner's name).
  std::function<std::string(TObjectRef)> OnReferenceName;

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

  TStream& Stream() { return stream_; }

 private:
  void writeProperty(TObjectRef object, const TPropInfo& prop);
  void writeCollection(TObjectRef collection);
  std::string referenceName(TObjectRef component);

  TStream& stream_;
  std::string propPath_;
  int depth_ = 0;
};

// The header of a component in the stream.
struct TComponentHeader {
  std::uint8_t Flags = 0;
  std::int64_t ChildPos = 0;
  std::string ClassName;
  std::string Name;
};

// The callbacks of ReadComponentEvents; any may be left empty.
struct TComponentVisitor {
  // A component starts (depth 0 is the component read, 1 its children, ...).
  // Returning false skips its properties and children (they are still
  // parsed and checked).
  std::function<bool(const TComponentHeader&, int depth)> OnComponent;
  // One property of the current component: its full dotted name and value.
  std::function<void(const std::string& path, const TFilerValue& value)> OnProperty;
  // The component that began last ends (after its children).
  std::function<void(int depth)> OnEndComponent;
};

// How ReadComponent treats what it meets.
struct TReadOptions {
  // Told about each property that is skipped: unknown (message "Property
  // <path> does not exist") or a value that does not fit the property's
  // type (the EPropertyError message of the check: "Invalid property
  // value", "Value must be between %d and %d"). Reading goes on after
  // either. Stream errors, and the exceptions of the object's own setters
  // and read procedures, are not reported here: they pass to the caller.
  std::function<void(const std::string& path, const std::string& message)> OnError;
  // Gives the object into which a child component is read (null skips it).
  // Without it children are skipped.
  std::function<TObjectRef(TObjectRef parent, const TComponentHeader& child)> OnChild;
  // Resolves a component reference (an identifier value of a property that
  // holds a component). ReadComponent asks again at its end for names not
  // found at once (a reference may name a child read later); without it, or
  // when it still gives null, the property keeps its value and OnError is
  // told "Component <name> not found". vaNil always clears the property.
  std::function<TObjectRef(const std::string& name)> FindComponent;
  // Set the component's published "Name" from the stream's header.
  bool SetName = true;
};

// Reads from the stream's position; never reads past its end.
class TReader {
 public:
  explicit TReader(TStream& stream) : stream_(stream) {}

  // EReadError "Invalid stream format" unless the next four bytes are
  // "TPF0" ("Stream read error" when fewer than four remain).
  void ReadSignature();
  TComponentHeader ReadComponentHeader();
  TValueType NextValue();  // without consuming it
  TValueType ReadValue();
  bool EndOfList() { return NextValue() == vaNull; }
  void ReadListBegin();  // EReadError "Invalid property value" unless vaList
  void ReadListEnd();    // likewise unless vaNull
  std::string ReadStr();
  // ReadInteger takes vaInt8..vaInt32 (and a vaInt64 that fits), ReadInt64
  // every integer kind, ReadFloat every number kind, ReadString every
  // string kind, ReadIdent vaIdent, vaFalse, vaTrue, vaNil and vaNull (as
  // their names); another kind raises EReadError "Invalid property value".
  std::int32_t ReadInteger();
  std::int64_t ReadInt64();
  bool ReadBoolean();
  double ReadFloat();
  std::string ReadString();
  std::string ReadIdent();
  std::vector<std::string> ReadSet();
  std::string ReadBinary();
  // Any value, parsed whole.
  TFilerValue ReadFilerValue();
  void SkipValue() { (void)ReadFilerValue(); }

  // Reads one component (header, properties, children) and reports it.
  void ReadComponentEvents(const TComponentVisitor& visitor);

  // The signature, then the component into root.
  void ReadRootComponent(TObjectRef root, const TReadOptions& options = {});
  // One component into the object; the class name in the stream is not
  // checked against the object's class.
  void ReadComponent(TObjectRef component, const TReadOptions& options = {});

  TStream& Stream() { return stream_; }

 private:
  void readBytes(void* dst, std::int64_t count);
  std::int64_t readLength();
  TFilerValue readValueOfType(TValueType type);
  void readEvents(const TComponentVisitor& visitor, int depth, bool report);
  void readBody(TObjectRef object, const TComponentHeader& header, const TReadOptions& options);

  TStream& stream_;
  int nesting_ = 0;
  // References whose component was not found when they were read.
  struct TFixup {
    TObjectRef Object;
    const TPropInfo* Prop;
    std::string Path;
    std::string Name;
  };
  std::vector<TFixup>* fixups_ = nullptr;

  static bool applyProperty(TObjectRef object, const std::string& path, const TFilerValue& value,
                            const TReadOptions& options, std::vector<TFixup>* fixups);
  static bool applyClassValue(TObjectRef object, const TPropInfo& prop, const std::string& path,
                              const TFilerValue& value, const TReadOptions& options,
                              std::vector<TFixup>* fixups);
  friend bool ApplyFilerProperty(TObjectRef object, const std::string& path,
                                 const TFilerValue& value, const TReadOptions& options);
};

// Applies one (path, value) pair to a described object as ReadComponent
// does: a published property is set, a defined property handed to its
// read procedure; false (and OnError told) when the object does not take
// it.
bool ApplyFilerProperty(TObjectRef object, const std::string& path, const TFilerValue& value,
                        const TReadOptions& options = {});

// The stream value of a property value, as the writer writes it; and back,
// false with a message when the value does not fit the property's type.
TFilerValue PropToFilerValue(const TPropInfo& prop, const TPropValue& value);
bool FilerToPropValue(const TPropInfo& prop, const TFilerValue& value, TPropValue& result,
                      std::string& error);

}  // namespace qv

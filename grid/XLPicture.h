// The picture of a picture cell and of a sheet's background.
//
// A picture holds one graphic of a closed set of formats, kept as the bytes
// of its file form: "TBitmap" (a Windows BMP file) or "TJPEGImage" (a JPEG
// file). It is decoded to an image when first drawn; a graphic that does not
// decode draws nothing.
//
// Stream form (inside a cell record of the sheet stream): one byte, 1 when
// a graphic is present, then the graphic's class name as a short string
// (one length byte and the name), an int32 length N and N bytes of the
// file. Reading bounds N by what the stream holds and refuses any other
// class name with EXLGridError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/Classes.h"
#include "platform/core/Image.h"

namespace qv {

class TClassInfo;

class TXLPicture {
 public:
  TXLPicture() = default;
  TXLPicture(const TXLPicture& other) { Assign(other); }
  TXLPicture& operator=(const TXLPicture& other) {
    if (this != &other) Assign(other);
    return *this;
  }

  bool Empty() const { return data_.empty(); }
  // "TBitmap" or "TJPEGImage"; empty when there is no graphic.
  const std::string& GraphicClass() const { return class_; }
  const std::string& Data() const { return data_; }
  // The size read from the file header (0 x 0 when empty or undecodable).
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Whether the graphic is an icon (kept at natural size when placed);
  // none of the supported formats is.
  bool IsIcon() const { return false; }

  void Clear();
  void Assign(const TXLPicture& other);
  // Stores an image as a 24-bit BMP file.
  void SetImage(const TImage& image);
  // Stores the bytes of a file of a supported class; EXLGridError
  // "Unsupported picture format" or "Invalid picture data" otherwise.
  void SetGraphic(const std::string& graphicClass, std::string data);
  // The decoded image; null when empty or when the data does not decode.
  const TImage* Image() const;

  // The cell form: a presence byte, then the graphic.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;
  // The graphic alone (the picture's "Data" property in a component
  // stream): the class name as a short string, an int32 length, the file.
  void ReadGraphic(TStream& stream);
  void WriteGraphic(TStream& stream) const;

  // The description for the component stream: the defined binary property
  // "Data" (the graphic), written when the picture is not empty.
  static const TClassInfo& ClassInfo();

  friend bool operator==(const TXLPicture& a, const TXLPicture& b) {
    return a.class_ == b.class_ && a.data_ == b.data_;
  }

 private:
  std::string class_;
  std::string data_;
  int width_ = 0, height_ = 0;
  mutable std::shared_ptr<const TImage> image_;
  mutable bool decoded_ = false;
};

// Decoders used by the picture (exposed for tests): null when the bytes
// are not a file of the format. Sizes above 16384 x 16384 are refused.
std::unique_ptr<TImage> DecodeBmp(std::string_view bytes);
std::unique_ptr<TImage> DecodeJpeg(std::string_view bytes);
// The size in a BMP or JPEG header; false when the header is not valid.
bool BmpSize(std::string_view bytes, int& width, int& height);
bool JpegSize(std::string_view bytes, int& width, int& height);

}  // namespace qv

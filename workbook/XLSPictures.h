// Pictures of a workbook: held once in the workbook's picture collection
// (TXLSPictures) and placed on sheets by name (TSheetPicture). The drawing
// layer reads them from the drawing group of a file and writes them back
// as BLIPs.
//
// A picture's data is either a file (Filename) or a block in memory.
// Width and Height come from the picture's header (JPEG through libjpeg,
// PNG and bitmap headers directly). Messages to the user (missing file,
// unknown type, zoom out of range) go through the host; the old values
// stay then.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/XLSNames.h"
#include "workbook/XLSTypes.h"

namespace qv {

enum TPictureType : uint8_t {
  ptUndefined,
  ptUndefined2,
  ptWMF,
  ptEMF,
  ptPICT,
  ptJPEG,
  ptPNG,
  ptDIB
};
enum TPictureOption : uint8_t { poInMemory, poDeleteTempFiles };
using TPictureOptions = TSmallSet<TPictureOption>;

// The pixel size of a picture held in memory (JPEG, PNG, bitmap with or
// without its file header); false when the header cannot be read.
bool PictureSizeFromData(TPictureType type, std::string_view data, int& width, int& height);

class TXLSPicture {
 public:
  TXLSPicture(TFormulaHost* host, int collectionId);
  ~TXLSPicture();
  TXLSPicture(const TXLSPicture&) = delete;
  TXLSPicture& operator=(const TXLSPicture&) = delete;

  std::string Name;  // "XLSPicture <collection id>"
  int Width = 0, Height = 0;
  TPictureType PictureType = ptUndefined;
  std::array<uint8_t, 16> Identifier{};
  int UserCount = 0;
  // A metafile picture read from a drawing group: its BLIP body and
  // instance, written back unchanged.
  std::string RawBlip;
  int RawBlipInstance = 0;

  const std::string& Filename() const { return filename_; }
  // Clears type, size and name first; an empty name leaves ptUndefined; a
  // missing file shows "Can not find file "<name>""; the extension decides
  // the type (jpg/jpeg, png, bmp), others show "Unknown picture file type
  // "<ext>"" and store nothing.
  void SetFilename(const std::string& name);
  // Takes a file of a known type, as the reader does for a BLIP.
  void SetFromFile(const std::string& name, TPictureType type, int64_t size, bool temporary);
  // Copies a block; the file name is cleared.
  void SetFromMemory(std::string data, TPictureType type);
  int64_t Size() const { return size_; }
  int Id() const { return id_; }
  int BlipKind() const { return static_cast<int>(PictureType) - 1; }
  bool InMemory() const { return !data_.empty(); }
  bool IsTemporary() const { return temporary_; }
  // The picture's bytes as a BLIP holds them (a bitmap without its 14-byte
  // file header). Raises EFOpenError when the file cannot be read.
  std::string BlipData() const;
  // Removes a temporary file written by the reader.
  void DeleteTempFile();
  void Assign(const TXLSPicture& src);

 private:
  TFormulaHost* host_;
  int id_;
  std::string filename_;
  std::string data_;
  int64_t size_ = 0;
  bool temporary_ = false;
};

class TXLSPictures {
 public:
  explicit TXLSPictures(TFormulaHost* host) : host_(host) {}
  int Count() const { return static_cast<int>(items_.size()); }
  TXLSPicture& Item(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TXLSPicture& Item(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TXLSPicture& Add();
  void Clear() { items_.clear(); }
  // By name (any case) or by picture id; null when absent.
  TXLSPicture* Find(const std::string& name);
  TXLSPicture* FindById(int id);
  int IndexOf(const TXLSPicture* p) const;

 private:
  TFormulaHost* host_;
  int nextId_ = 0;
  std::vector<std::unique_ptr<TXLSPicture>> items_;
};

class TSheetPicture {
 public:
  TSheetPicture(TFormulaHost* host, TXLSPictures* pictures, int collectionId);
  ~TSheetPicture();
  TSheetPicture(const TSheetPicture&) = delete;
  TSheetPicture& operator=(const TSheetPicture&) = delete;

  std::string Name;  // "SheetPicture <collection id>"
  TAnchorObject Anchor;
  bool AnchorComputed = false;

  const std::string& PictureName() const { return pictureName_; }
  // Unbinds the old picture, then binds the first workbook picture of that
  // name (any case).
  void SetPictureName(const std::string& name);
  TXLSPicture* Picture() const { return picture_; }
  // Binds a picture directly (the reader's picture index).
  void Bind(TXLSPicture* p);

  int Zoom() const { return zoom_; }
  // 1..999; others show "Value can be between 1% - 999%".
  void SetZoom(int v);
  int Col() const { return Anchor.Col1; }
  int Row() const { return Anchor.Row1; }
  void SetCol(int v);
  void SetRow(int v);

 private:
  TFormulaHost* host_;
  TXLSPictures* pictures_;
  TXLSPicture* picture_ = nullptr;
  std::string pictureName_;
  int zoom_ = 100;
};

class TSheetPictures {
 public:
  TSheetPictures(TFormulaHost* host, TXLSPictures* pictures) : host_(host), pictures_(pictures) {}
  int Count() const { return static_cast<int>(items_.size()); }
  TSheetPicture& Item(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TSheetPicture& Item(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TSheetPicture& Add();
  void Delete(int i) { items_.erase(items_.begin() + i); }
  void Clear() { items_.clear(); }

 private:
  TFormulaHost* host_;
  TXLSPictures* pictures_;
  int nextId_ = 0;
  std::vector<std::unique_ptr<TSheetPicture>> items_;
};

}  // namespace qv

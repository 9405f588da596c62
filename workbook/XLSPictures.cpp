#include "workbook/XLSPictures.h"

// clang-format off
#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>
// clang-format on

#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

struct TJpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<TJpegError*>(cinfo->err);
  std::longjmp(e->jump, 1);
}

void jpegSilence(j_common_ptr, int) {}

bool jpegSize(std::string_view data, int& w, int& h) {
  jpeg_decompress_struct cinfo{};
  TJpegError err{};
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpegErrorExit;
  err.mgr.emit_message = jpegSilence;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  w = static_cast<int>(cinfo.image_width);
  h = static_cast<int>(cinfo.image_height);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

uint32_t be32(const char* p) {
  auto b = reinterpret_cast<const uint8_t*>(p);
  return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

}  // namespace

bool PictureSizeFromData(TPictureType type, std::string_view d, int& w, int& h) {
  switch (type) {
    case ptJPEG:
      return jpegSize(d, w, h);
    case ptPNG:
      if (d.size() < 24 || d.substr(1, 3) != "PNG") return false;
      w = static_cast<int>(be32(d.data() + 16));
      h = static_cast<int>(be32(d.data() + 20));
      return true;
    case ptDIB: {
      size_t off = d.size() >= 2 && d.substr(0, 2) == "BM" ? 14 : 0;
      if (d.size() < off + 12) return false;
      uint32_t hs = readLE<uint32_t>(d.data() + off);
      if (hs == 12) {
        w = readLE<uint16_t>(d.data() + off + 4);
        h = readLE<uint16_t>(d.data() + off + 6);
        return true;
      }
      if (d.size() < off + 12) return false;
      w = readLE<int32_t>(d.data() + off + 4);
      h = std::abs(readLE<int32_t>(d.data() + off + 8));
      return true;
    }
    default:
      return false;
  }
}

TXLSPicture::TXLSPicture(TFormulaHost* host, int collectionId)
    : Name("XLSPicture " + std::to_string(collectionId)), host_(host), id_(collectionId + 1) {}

TXLSPicture::~TXLSPicture() = default;

void TXLSPicture::SetFilename(const std::string& name) {
  TPictureType type = ptUndefined;
  if (!name.empty()) {
    if (!FileExists(name)) {
      if (host_) host_->ShowMessage("Can not find file \"" + name + "\"");
      return;
    }
    std::string ext = LowerCase(ExtractFileExt(name));
    if (!ext.empty()) ext.erase(0, 1);
    if (ext == "jpg" || ext == "jpeg")
      type = ptJPEG;
    else if (ext == "png")
      type = ptPNG;
    else if (ext == "bmp")
      type = ptDIB;
    else {
      if (host_) host_->ShowMessage("Unknown picture file type \"" + ext + "\"");
      return;
    }
  }
  PictureType = ptUndefined;
  size_ = 0;
  filename_.clear();
  data_.clear();
  temporary_ = false;
  Width = Height = 0;
  if (name.empty()) return;
  int64_t size = FileSizeOf(name);
  SetFromFile(name, type, type == ptDIB ? size - 14 : size, false);
}

void TXLSPicture::SetFromFile(const std::string& name, TPictureType type, int64_t size,
                              bool temporary) {
  filename_ = name;
  PictureType = type;
  size_ = size;
  temporary_ = temporary;
  data_.clear();
  try {
    std::string bytes = readFileBytes(name);
    int w = 0, h = 0;
    if (PictureSizeFromData(type, bytes, w, h)) {
      Width = w;
      Height = h;
    }
  } catch (const Exception&) {
  }
}

void TXLSPicture::SetFromMemory(std::string data, TPictureType type) {
  filename_.clear();
  temporary_ = false;
  PictureType = type;
  if (type == ptDIB && data.size() >= 14 && data.substr(0, 2) == "BM") data.erase(0, 14);
  data_ = std::move(data);
  size_ = static_cast<int64_t>(data_.size());
  int w = 0, h = 0;
  if (PictureSizeFromData(type, data_, w, h)) {
    Width = w;
    Height = h;
  }
}

std::string TXLSPicture::BlipData() const {
  if (!data_.empty()) return data_;
  if (filename_.empty()) return {};
  std::string bytes = readFileBytes(filename_);
  if (PictureType == ptDIB && bytes.size() >= 14 && bytes.substr(0, 2) == "BM") bytes.erase(0, 14);
  return bytes;
}

void TXLSPicture::DeleteTempFile() {
  if (temporary_ && filename_.size() > 4) DeleteFile(filename_);
  temporary_ = false;
}

void TXLSPicture::Assign(const TXLSPicture& src) {
  PictureType = src.PictureType;
  Width = src.Width;
  Height = src.Height;
  size_ = src.size_;
  filename_ = src.filename_;
  data_ = src.data_;
  Identifier = src.Identifier;
  RawBlip = src.RawBlip;
  RawBlipInstance = src.RawBlipInstance;
}

TXLSPicture& TXLSPictures::Add() {
  items_.push_back(std::make_unique<TXLSPicture>(host_, nextId_++));
  return *items_.back();
}

TXLSPicture* TXLSPictures::Find(const std::string& name) {
  for (auto& p : items_)
    if (AnsiSameText(p->Name, name)) return p.get();
  return nullptr;
}

TXLSPicture* TXLSPictures::FindById(int id) {
  for (auto& p : items_)
    if (p->Id() == id) return p.get();
  return nullptr;
}

int TXLSPictures::IndexOf(const TXLSPicture* p) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == p) return static_cast<int>(i);
  return -1;
}

// ---------------------------------------------------------------------------

TSheetPicture::TSheetPicture(TFormulaHost* host, TXLSPictures* pictures, int collectionId)
    : Name("SheetPicture " + std::to_string(collectionId)), host_(host), pictures_(pictures) {
  Anchor.Col2 = 2;
  Anchor.Row2 = 2;
}

TSheetPicture::~TSheetPicture() { Bind(nullptr); }

void TSheetPicture::Bind(TXLSPicture* p) {
  if (picture_) --picture_->UserCount;
  picture_ = p;
  if (picture_) {
    ++picture_->UserCount;
    pictureName_ = picture_->Name;
  }
}

void TSheetPicture::SetPictureName(const std::string& name) {
  Bind(nullptr);
  pictureName_ = name;
  if (pictures_) {
    if (TXLSPicture* p = pictures_->Find(name)) {
      picture_ = p;
      ++p->UserCount;
    }
  }
}

void TSheetPicture::SetZoom(int v) {
  if (v < 1 || v > 999) {
    if (host_) host_->ShowMessage("Value can be between 1% - 999%");
    return;
  }
  zoom_ = v;
}

void TSheetPicture::SetCol(int v) {
  Anchor.Col1 = v;
  if (v >= Anchor.Col2) Anchor.Col2 = v + 2;
}

void TSheetPicture::SetRow(int v) {
  Anchor.Row1 = v;
  if (v >= Anchor.Row2) Anchor.Row2 = v + 2;
}

TSheetPicture& TSheetPictures::Add() {
  items_.push_back(std::make_unique<TSheetPicture>(host_, pictures_, nextId_++));
  return *items_.back();
}

}  // namespace qv

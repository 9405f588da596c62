// Office drawing records of Excel 97 files: the drawing group of the
// workbook globals (MSODRAWINGGROUP, holding the pictures) and the drawing
// of each sheet (MSODRAWING records, holding the shapes of notes, pictures
// and charts).
//
// A drawing record has an 8-byte header (version in the low 4 bits and
// instance in the high 12 bits of the first word, the record type, the
// body length) and a body; containers (version 15) hold other records.
// Reading clamps every container to the bytes that are there and stops
// below a fixed depth, so damaged drawings end quietly with what was read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/XLSNames.h"
#include "workbook/XLSPictures.h"

namespace qv {

struct TMSOHeader {
  int Version = 0;
  int Instance = 0;
  int Type = 0;
  uint32_t Length = 0;
};

// Walks the records of a buffer and hands each to OnRecord; containers are
// stepped into. A record type outside 0xF000-0xF1FF ends the walk.
class TMSORead {
 public:
  virtual ~TMSORead() = default;
  void Read(const uint8_t* buffer, size_t size);
  void Read(std::string_view bytes) {
    Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  static constexpr int MaxDepth = 16;

 protected:
  // Called for every record; containers before their children.
  virtual void OnRecord(const TMSOHeader& h, const uint8_t* body, size_t size, int depth) = 0;
  virtual void OnContainerEnd(const TMSOHeader&, int) {}

 private:
  void walk(const uint8_t* p, size_t size, int depth);
};

// A picture of the picture store.
struct TMSOBlip {
  int BlipType = 0;  // the published BLIP type: 2 EMF, 3 WMF, 4 PICT, 5 JPEG, 6 PNG, 7 DIB
  std::array<uint8_t, 16> Uid{};
  std::string Data;     // picture bytes (bitmaps: after the tag byte)
  std::string RawBody;  // the whole BLIP body of a metafile, written back as read
  int RawInstance = 0;
  bool HasData = false;
};

class TMSOReadGroup : public TMSORead {
 public:
  std::vector<TMSOBlip> Blips;

 protected:
  void OnRecord(const TMSOHeader& h, const uint8_t* body, size_t size, int depth) override;

 private:
  bool pendingBse_ = false;
};

// What the sheet reader needs of one shape.
struct TMSOShape {
  int ShapeType = 0;
  int ShapeId = 0;
  bool HasAnchor = false;
  TAnchorObject Anchor;
  int BlipIndex = -1;  // 1-based index into the picture store, -1 none
  std::string PictureName;
  bool HasClientData = false;
};

class TMSOReadDrawing : public TMSORead {
 public:
  std::vector<TMSOShape> Shapes;

 protected:
  void OnRecord(const TMSOHeader& h, const uint8_t* body, size_t size, int depth) override;
};

// The picture type of a published BLIP type and back.
TPictureType PictureTypeOfBlip(int blipType);
int BlipTypeOfPicture(TPictureType t);

// ---- writing ----

// One object of a sheet drawing, in the order they are written.
struct TDrawingObject {
  enum TKind { okNote, okPicture, okChart } Kind = okNote;
  TAnchorObject Anchor;
  int PictureIndex = 0;  // 1-based index into the picture store
  std::string PictureName;
  bool WrapText = true;
};

// The MSODRAWING bodies of one sheet: per object the body written before
// its OBJ record and, for notes, the text-box body written after it.
struct TDrawingPieces {
  std::vector<std::string> Before;
  std::vector<std::string> TextBox;
};

class TMSOWriteDrawing {
 public:
  // The first shape id of each drawing (drawing ids 1, 2, ... in order)
  // for the given object counts: every drawing takes whole clusters of
  // 1024 ids, so shape ids are unique in the file.
  static std::vector<uint32_t> ShapeIdBases(const std::vector<int>& objectsPerDrawing);
  // Drawing drawingId (from 1) with the objects of one sheet; the group
  // shape takes firstShapeId, the objects the ids after it.
  static TDrawingPieces WriteDrawing(int drawingId, uint32_t firstShapeId,
                                     const std::vector<TDrawingObject>& objects);
  // The drawing group: the clusters of the drawings (object count per
  // drawing, in drawing-id order) and the pictures. Raises "Write of
  // unhandled picture in MSO" for a picture without a BLIP form.
  static std::string WriteGroup(const std::vector<int>& shapesPerDrawing,
                                const TXLSPictures& pictures);
};

}  // namespace qv

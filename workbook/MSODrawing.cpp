#include "workbook/MSODrawing.h"

#include <algorithm>

#include "platform/core/Classes.h"
#include "workbook/XLSStrings.h"

namespace qv {

void TMSORead::Read(const uint8_t* buffer, size_t size) {
  if (buffer && size) walk(buffer, size, 0);
}

void TMSORead::walk(const uint8_t* p, size_t size, int depth) {
  size_t pos = 0;
  while (size - pos >= 8) {
    TMSOHeader h;
    uint16_t vi = readLE<uint16_t>(p + pos);
    h.Version = vi & 0x0F;
    h.Instance = vi >> 4;
    h.Type = readLE<uint16_t>(p + pos + 2);
    h.Length = readLE<uint32_t>(p + pos + 4);
    if (h.Type < 0xF000 || h.Type > 0xF1FF) return;
    size_t avail = size - pos - 8;
    size_t len = std::min<size_t>(h.Length, avail);
    const uint8_t* body = p + pos + 8;
    OnRecord(h, body, len, depth);
    if (h.Version == 15 && depth < MaxDepth) {
      walk(body, len, depth + 1);
      OnContainerEnd(h, depth);
    }
    pos += 8 + len;
  }
}

TPictureType PictureTypeOfBlip(int blipType) {
  switch (blipType) {
    case 2:
      return ptEMF;
    case 3:
      return ptWMF;
    case 4:
      return ptPICT;
    case 5:
      return ptJPEG;
    case 6:
      return ptPNG;
    case 7:
      return ptDIB;
    default:
      return ptUndefined;
  }
}

int BlipTypeOfPicture(TPictureType t) {
  switch (t) {
    case ptEMF:
      return 2;
    case ptWMF:
      return 3;
    case ptPICT:
      return 4;
    case ptJPEG:
      return 5;
    case ptPNG:
      return 6;
    case ptDIB:
      return 7;
    default:
      return 0;
  }
}

namespace {

// Reads one BLIP record (header at p) into b.
void readBlip(const uint8_t* p, size_t size, TMSOBlip& b) {
  if (size < 8) return;
  uint16_t vi = readLE<uint16_t>(p);
  int inst = vi >> 4;
  int type = readLE<uint16_t>(p + 2);
  size_t len = std::min<size_t>(readLE<uint32_t>(p + 4), size - 8);
  const uint8_t* body = p + 8;
  if (type < 0xF018 || type > 0xF117) return;
  int kind = type - 0xF018;
  if (kind >= 2 && kind <= 4) {
    // Metafiles keep their header and (compressed) data as read.
    b.RawBody.assign(reinterpret_cast<const char*>(body), len);
    b.RawInstance = inst;
    if (len >= 16) std::copy(body, body + 16, b.Uid.begin());
    b.HasData = true;
    return;
  }
  size_t skip = 16 + ((inst & 1) ? 16 : 0) + 1;
  if (len < skip) return;
  std::copy(body, body + 16, b.Uid.begin());
  b.Data.assign(reinterpret_cast<const char*>(body + skip), len - skip);
  b.HasData = true;
}

}  // namespace

void TMSOReadGroup::OnRecord(const TMSOHeader& h, const uint8_t* body, size_t size, int) {
  if (h.Type == 0xF007) {
    TMSOBlip b;
    b.BlipType = size > 0 ? body[0] : 0;
    if (size >= 18) std::copy(body + 2, body + 18, b.Uid.begin());
    size_t nameLen = size > 33 ? body[33] : 0;
    size_t at = 36 + nameLen;  // a named entry: its name is skipped
    if (size > at) readBlip(body + at, size - at, b);
    pendingBse_ = !b.HasData;
    Blips.push_back(std::move(b));
    return;
  }
  if (h.Type >= 0xF018 && h.Type <= 0xF117 && pendingBse_ && !Blips.empty()) {
    // A BLIP that follows its BSE instead of sitting inside it.
    std::string rec(8, '\0');
    writeLE<uint16_t>(rec.data(), static_cast<uint16_t>(h.Version | (h.Instance << 4)));
    writeLE<uint16_t>(rec.data() + 2, static_cast<uint16_t>(h.Type));
    writeLE<uint32_t>(rec.data() + 4, static_cast<uint32_t>(size));
    rec.append(reinterpret_cast<const char*>(body), size);
    readBlip(reinterpret_cast<const uint8_t*>(rec.data()), rec.size(), Blips.back());
    pendingBse_ = false;
  }
}

void TMSOReadDrawing::OnRecord(const TMSOHeader& h, const uint8_t* body, size_t size, int) {
  auto shape = [&]() -> TMSOShape& {
    if (Shapes.empty()) Shapes.emplace_back();
    return Shapes.back();
  };
  switch (h.Type) {
    case 0xF004:
      Shapes.emplace_back();
      break;
    case 0xF00A: {
      TMSOShape& s = shape();
      s.ShapeType = h.Instance;
      if (size >= 4) s.ShapeId = static_cast<int>(readLE<uint32_t>(body));
      break;
    }
    case 0xF00B: {
      TMSOShape& s = shape();
      size_t n = static_cast<size_t>(h.Instance);
      if (n * 6 > size) n = size / 6;
      size_t complexAt = n * 6;
      for (size_t i = 0; i < n; ++i) {
        uint16_t pid = readLE<uint16_t>(body + i * 6);
        uint32_t op = readLE<uint32_t>(body + i * 6 + 2);
        bool complex = pid & 0x8000;
        int id = pid & 0x3FFF;
        if (id == 0x104) s.BlipIndex = static_cast<int>(op);
        if (complex) {
          size_t len = std::min<size_t>(op, size - std::min(size, complexAt));
          if (id == 0x105) {
            std::string raw(reinterpret_cast<const char*>(body + complexAt), len & ~size_t(1));
            std::string name = Utf16LEToUtf8(raw);
            while (!name.empty() && name.back() == '\0') name.pop_back();
            s.PictureName = name;
          }
          complexAt += len;
        }
      }
      break;
    }
    case 0xF010: {
      if (size < 18) break;
      TMSOShape& s = shape();
      TAnchorObject& a = s.Anchor;
      a.Col1 = readLE<uint16_t>(body + 2);
      a.ColOffset1 = readLE<uint16_t>(body + 4);
      a.Row1 = readLE<uint16_t>(body + 6);
      a.RowOffset1 = readLE<uint16_t>(body + 8);
      a.Col2 = readLE<uint16_t>(body + 10);
      a.ColOffset2 = readLE<uint16_t>(body + 12);
      a.Row2 = readLE<uint16_t>(body + 14);
      a.RowOffset2 = readLE<uint16_t>(body + 16);
      a.Explicit = true;
      s.HasAnchor = true;
      break;
    }
    case 0xF011:
      shape().HasClientData = true;
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Writing

namespace {

std::string record(int ver, int inst, int type, std::string_view body) {
  std::string r(8, '\0');
  writeLE<uint16_t>(r.data(), static_cast<uint16_t>((ver & 0x0F) | (inst << 4)));
  writeLE<uint16_t>(r.data() + 2, static_cast<uint16_t>(type));
  writeLE<uint32_t>(r.data() + 4, static_cast<uint32_t>(body.size()));
  r += body;
  return r;
}

std::string container(int inst, int type, std::string_view children) {
  return record(15, inst, type, children);
}

struct TProp {
  uint16_t Pid;
  uint32_t Value;
  std::string Complex;
};

std::string opt(const std::vector<TProp>& props) {
  std::string body, complex;
  for (const auto& p : props) {
    appendLE<uint16_t>(body, p.Pid);
    appendLE<uint32_t>(body, p.Complex.empty() ? p.Value : static_cast<uint32_t>(p.Complex.size()));
    complex += p.Complex;
  }
  return record(3, static_cast<int>(props.size()), 0xF00B, body + complex);
}

std::string sp(int shapeType, uint32_t spid, uint32_t flags) {
  std::string b;
  appendLE<uint32_t>(b, spid);
  appendLE<uint32_t>(b, flags);
  return record(2, shapeType, 0xF00A, b);
}

std::string anchor(const TAnchorObject& a) {
  std::string b;
  auto u = [&](int v) { appendLE<uint16_t>(b, static_cast<uint16_t>(std::clamp(v, 0, 65535))); };
  u(0);
  u(a.Col1);
  u(a.ColOffset1);
  u(a.Row1);
  u(a.RowOffset1);
  u(a.Col2);
  u(a.ColOffset2);
  u(a.Row2);
  u(a.RowOffset2);
  return record(0, 0, 0xF010, b);
}

int clustersFor(int objects) { return (objects + 1 + 1023) / 1024; }

}  // namespace

std::vector<uint32_t> TMSOWriteDrawing::ShapeIdBases(const std::vector<int>& objectsPerDrawing) {
  std::vector<uint32_t> bases;
  uint32_t cluster = 1;
  for (int n : objectsPerDrawing) {
    bases.push_back(cluster * 1024u);
    cluster += static_cast<uint32_t>(clustersFor(n));
  }
  return bases;
}

TDrawingPieces TMSOWriteDrawing::WriteDrawing(int drawingId, uint32_t firstShapeId,
                                              const std::vector<TDrawingObject>& objects) {
  const uint32_t base = firstShapeId;
  std::vector<std::string> bodies;  // per object: the records before the OBJ
  std::vector<std::string> boxes;   // text box record (notes) or empty
  int noteNo = 0;
  for (size_t i = 0; i < objects.size(); ++i) {
    const TDrawingObject& o = objects[i];
    uint32_t spid = base + 1 + static_cast<uint32_t>(i);
    std::string b;
    std::string box;
    switch (o.Kind) {
      case TDrawingObject::okNote: {
        ++noteNo;
        std::vector<TProp> props = {{128, static_cast<uint32_t>(noteNo), {}}};
        if (o.WrapText) props.push_back({133, 1, {}});
        for (const TProp& p : std::vector<TProp>{{191, 0x00080008, {}},
                                                 {344, 0, {}},
                                                 {385, 0x08000050, {}},
                                                 {387, 0x08000050, {}},
                                                 {447, 0x00110010, {}},
                                                 {513, 0, {}},
                                                 {575, 0x00030003, {}},
                                                 {959, 0x000A0002, {}}})
          props.push_back(p);
        b = sp(202, spid, 0xA00) + opt(props) + anchor(o.Anchor) + record(0, 0, 0xF011, {});
        box = record(0, 0, 0xF00D, {});
        break;
      }
      case TDrawingObject::okPicture: {
        std::string name = Utf8ToUtf16LE(o.PictureName);
        name.append(2, '\0');
        std::vector<TProp> props = {{0x4104, static_cast<uint32_t>(o.PictureIndex), {}},
                                    {0xC105, 0, name},
                                    {447, 0x00010000, {}},
                                    {959, 0x00080008, {}}};
        b = sp(75, spid, 0xA00) + opt(props) + anchor(o.Anchor) + record(0, 0, 0xF011, {});
        break;
      }
      case TDrawingObject::okChart: {
        std::vector<TProp> props = {
            {127, 0x01040104, {}}, {191, 0x00080008, {}}, {385, 0x0800004E, {}},
            {387, 0x0800004D, {}}, {447, 0x00100010, {}}, {448, 0x0800004D, {}},
            {511, 0x00080008, {}}, {575, 0x00020000, {}}, {959, 0x00080000, {}}};
        b = sp(201, spid, 0xA00) + opt(props) + anchor(o.Anchor) + record(0, 0, 0xF011, {});
        break;
      }
    }
    bodies.push_back(std::move(b));
    boxes.push_back(std::move(box));
  }
  // The group shape.
  std::string groupSp =
      container(0, 0xF004, record(1, 0, 0xF009, std::string(16, '\0')) + sp(0, base, 0x005));
  // Lengths of the containers that span the pieces.
  uint32_t objectsLen = 0;
  for (size_t i = 0; i < bodies.size(); ++i)
    objectsLen += 8 + static_cast<uint32_t>(bodies[i].size() + boxes[i].size());
  uint32_t spgrLen = static_cast<uint32_t>(groupSp.size()) + objectsLen;
  std::string dg;
  appendLE<uint32_t>(dg, static_cast<uint32_t>(objects.size() + 1));
  appendLE<uint32_t>(dg, base + static_cast<uint32_t>(objects.size()));
  std::string dgRec = record(0, drawingId, 0xF008, dg);
  uint32_t dgcLen = static_cast<uint32_t>(dgRec.size()) + 8 + spgrLen;

  auto header = [](int ver, int inst, int type, uint32_t len) {
    std::string r(8, '\0');
    writeLE<uint16_t>(r.data(), static_cast<uint16_t>(ver | (inst << 4)));
    writeLE<uint16_t>(r.data() + 2, static_cast<uint16_t>(type));
    writeLE<uint32_t>(r.data() + 4, len);
    return r;
  };
  TDrawingPieces out;
  std::string lead =
      header(15, 0, 0xF002, dgcLen) + dgRec + header(15, 0, 0xF003, spgrLen) + groupSp;
  for (size_t i = 0; i < bodies.size(); ++i) {
    std::string piece = i == 0 ? lead : std::string();
    piece += header(15, 0, 0xF004, static_cast<uint32_t>(bodies[i].size() + boxes[i].size()));
    piece += bodies[i];
    out.Before.push_back(std::move(piece));
    out.TextBox.push_back(boxes[i]);
  }
  return out;
}

std::string TMSOWriteDrawing::WriteGroup(const std::vector<int>& shapesPerDrawing,
                                         const TXLSPictures& pictures) {
  // DGG: the clusters of 1024 shape ids that each drawing takes.
  std::string fidcl;
  uint32_t clusters = 0, saved = 0, spidMax = 0;
  std::vector<uint32_t> bases = ShapeIdBases(shapesPerDrawing);
  for (size_t k = 0; k < shapesPerDrawing.size(); ++k) {
    int n = shapesPerDrawing[k];
    int used = n + 1;  // the group shape and the objects
    for (int c = 0; c < clustersFor(n); ++c) {
      ++clusters;
      appendLE<uint32_t>(fidcl, static_cast<uint32_t>(k + 1));
      appendLE<uint32_t>(fidcl,
                         static_cast<uint32_t>(std::min(used, 1024) + (used < 1024 ? 1 : 0)));
      used -= 1024;
    }
    saved += static_cast<uint32_t>(n + 1);
    spidMax = bases[k] + static_cast<uint32_t>(n) + 1;
  }
  std::string dgg;
  appendLE<uint32_t>(dgg, std::max<uint32_t>(spidMax, 1025));
  appendLE<uint32_t>(dgg, clusters + 1);
  appendLE<uint32_t>(dgg, saved);
  appendLE<uint32_t>(dgg, static_cast<uint32_t>(shapesPerDrawing.size()));
  std::string children = record(0, 0, 0xF006, dgg + fidcl);

  if (pictures.Count() > 0) {
    std::string store;
    for (int i = 0; i < pictures.Count(); ++i) {
      const TXLSPicture& p = pictures.Item(i);
      int blipType = BlipTypeOfPicture(p.PictureType);
      std::string blip;
      if (!p.RawBlip.empty()) {
        blip = record(0, p.RawBlipInstance, 0xF018 + blipType, p.RawBlip);
      } else {
        int inst;
        switch (p.PictureType) {
          case ptJPEG:
            inst = 0x46A;
            break;
          case ptPNG:
            inst = 0x6E0;
            break;
          case ptDIB:
            inst = 0x7A8;
            break;
          default:
            throw EXLSError("Write of unhandled picture in MSO");
        }
        std::string data = p.BlipData();
        std::array<uint8_t, 16> uid = p.Identifier;
        if (uid == std::array<uint8_t, 16>{}) {
          // A stand-in for the digest of the data: two FNV-1a passes.
          uint64_t h1 = 0xcbf29ce484222325ull, h2 = 0x84222325cbf29ce4ull;
          for (char c : data) {
            h1 = (h1 ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
            h2 = (h2 ^ static_cast<uint8_t>(c)) * 0x100000001b3ull + 1;
          }
          for (int k = 0; k < 8; ++k) {
            uid[static_cast<size_t>(k)] = static_cast<uint8_t>(h1 >> (8 * k));
            uid[static_cast<size_t>(k + 8)] = static_cast<uint8_t>(h2 >> (8 * k));
          }
        }
        std::string body(reinterpret_cast<const char*>(uid.data()), 16);
        body += '\xFF';
        body += data;
        blip = record(0, inst, 0xF018 + blipType, body);
      }
      std::string bse(36, '\0');
      bse[0] = static_cast<char>(blipType);
      bse[1] = static_cast<char>(blipType);
      std::copy(blip.begin() + 8, blip.begin() + std::min<long>(24, static_cast<long>(blip.size())),
                bse.begin() + 2);
      writeLE<uint16_t>(bse.data() + 18, 0x00FF);
      writeLE<uint32_t>(bse.data() + 20, static_cast<uint32_t>(blip.size()));
      writeLE<uint32_t>(bse.data() + 24, static_cast<uint32_t>(std::max(p.UserCount, 1)));
      writeLE<uint16_t>(bse.data() + 34, 738);
      store += record(2, blipType, 0xF007, bse + blip);
    }
    children += container(pictures.Count(), 0xF001, store);
  }
  children += opt({{191, 0x00080008, {}}, {385, 0x08000009, {}}, {448, 0x08000040, {}}});
  std::string colors;
  for (uint32_t c : {0x0800000Du, 0x0800000Cu, 0x08000017u, 0x100000F7u})
    appendLE<uint32_t>(colors, c);
  children += record(0, 4, 0xF11E, colors);
  return container(0, 0xF000, children);
}

}  // namespace qv

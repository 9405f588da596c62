// The sheet's binary property "XLData" and the section records in it.
#include <algorithm>

#include "grid/XLSheet.h"

namespace qv {

namespace {

constexpr char kMagic[4] = {'X', 'L', 'G', 0x16};

// Size lists in stream order: (axis, title) for flag bits 0..3.
constexpr int kSizeOrder[4][2] = {{0, 1}, {1, 1}, {0, 0}, {1, 0}};

template <class Plane>
bool planeHasEntries(const Plane& plane) {
  return plane.ForEach([](int, auto* inner) { return inner->IsEmpty() ? 0 : 1; }) != 0;
}

// A sheet stream body failed: counted, its text kept.
void noteSkipped(TXLStreamReport& report, const std::exception& e) {
  ++report.SkippedRecords;
  report.NoteError(e.what());
}

}  // namespace

// ---- section records -------------------------------------------------------

void TXLSection::WriteSection(TStream& stream) const {
  std::int32_t flags = 0;
  if (!unions_.empty()) flags |= 1;
  bool hasCells = false;
  ForEach([&](int, TXLRow* row) {
    hasCells = !row->IsEmpty();
    return hasCells ? 1 : 0;
  });
  if (hasCells) flags |= 2;
  for (int k = 0; k < 8; ++k) {
    const bool any = k < 2 ? planeHasEntries(lines_[k]) : planeHasEntries(attrs_[k - 2]);
    if (any) flags |= 4 << k;
  }
  WriteInteger(stream, flags);
  if (flags & 1) {
    WriteInteger(stream, static_cast<std::int32_t>(unions_.size()));
    for (const auto& u : unions_) {
      WriteInteger(stream, u->Rect.Left);
      WriteInteger(stream, u->Rect.Top);
      WriteInteger(stream, u->Rect.Right);
      WriteInteger(stream, u->Rect.Bottom);
    }
  }
  if (flags & 2) {
    ForEach([&](int rowIndex, TXLRow* row) {
      if (row->IsEmpty()) return 0;
      WriteInteger(stream, rowIndex);
      row->ForEach([&](int col, TXLCell* cell) {
        WriteInteger(stream, col);
        WriteInteger(stream, ClassID(cell->GetCellClass()));
        TXLFrameWriter frame(stream);
        cell->WriteToStream(stream);
        frame.Close();
        return 0;
      });
      WriteInteger(stream, -1);
      return 0;
    });
    WriteInteger(stream, -1);
  }
  for (int k = 0; k < 8; ++k) {
    if (!(flags & (4 << k))) continue;
    if (k < 2)
      lines_[k].WriteToStream(stream);
    else
      attrs_[k - 2].WriteToStream(stream);
  }
}

void TXLSection::ReadSection(TStream& stream, TXLStreamReport& report) {
  const std::int32_t flags = ReadInteger(stream);
  if (flags & 1) {
    const std::int32_t n = ReadInteger(stream);
    if (n < 0 || n > stream.Remaining() / 16)
      throw EXLGridError("Corrupt XLGrid stream: bad merged block count");
    for (std::int32_t i = 0; i < n; ++i) {
      TRect r;
      r.Left = ReadInteger(stream);
      r.Top = ReadInteger(stream);
      r.Right = ReadInteger(stream);
      r.Bottom = ReadInteger(stream);
      TRect c;
      const bool inside = IntersectRect(c, r, Extent()) && c == r;
      if (!inside || r.Width() * std::int64_t(r.Height()) <= 1 || FindUnion(r)) {
        ++report.OutsideEntries;
        continue;
      }
      AddUnion(r);
    }
  }
  if (flags & 2) ReadCells(stream, report);
  ReadPlanes(stream, flags, report);
}

void TXLSection::ReadCells(TStream& stream, TXLStreamReport& report) {
  for (;;) {
    const std::int32_t row = ReadInteger(stream);
    if (row == -1) break;
    if (row < 0) throw EXLGridError("Corrupt XLGrid stream: bad row index");
    for (;;) {
      const std::int32_t col = ReadInteger(stream);
      if (col == -1) break;
      if (col < 0) throw EXLGridError("Corrupt XLGrid stream: bad column index");
      const std::int32_t id = ReadInteger(stream);
      TXLFrameReader frame(stream);
      TXLCellClassRef cls = TXLManager::Instance().FindClass(id);
      if (!cls) {
        ++report.UnknownClasses;
      } else if (!Contains(col, row)) {
        ++report.OutsideEntries;
      } else {
        // Each cell goes to its own position (a cell hidden under a merged
        // block stays where it was written).
        TXLCell* cell = CellAt(col, row);
        if (cell && cell->GetCellClass() != cls) {
          FreeCell(cell);
          cell = nullptr;
        }
        if (!cell) {
          std::unique_ptr<TXLCell> made = qv::CreateCell(cls);
          made->Created();
          cell = PlaceCell(col, row, std::move(made));
        }
        try {
          cell->ReadFromStream(frame.Body());
        } catch (const Exception& e) {
          noteSkipped(report, e);
        }
      }
      frame.Finish();
    }
  }
}

void TXLSection::ReadPlanes(TStream& stream, std::int32_t flags, TXLStreamReport&) {
  for (int k = 0; k < 8; ++k) {
    if (!(flags & (4 << k))) continue;
    if (k < 2)
      lines_[k].ReadFromStream(stream);
    else
      attrs_[k - 2].ReadFromStream(stream);
  }
}

// ---- the sheet -------------------------------------------------------------

void TXLSheet::WriteData(TStream& stream) const {
  report_.Clear();
  {
    TXLReportScope scope(report_);
    stream.WriteBuffer(kMagic, 4);
    for (const auto& base : baseStyles_) {
      TXLFrameWriter frame(stream);
      base->WriteToStream(stream);
      frame.Close();
    }
    std::uint8_t sizeFlags = 0;
    for (int bit = 0; bit < 4; ++bit) {
      const TXLSizeList& list = sizes_[kSizeOrder[bit][0]][kSizeOrder[bit][1]];
      if (!list.IsEmpty()) sizeFlags |= std::uint8_t(1u << bit);
    }
    WriteByte(stream, sizeFlags);
    for (int bit = 0; bit < 4; ++bit) {
      if (sizeFlags & (1u << bit))
        sizes_[kSizeOrder[bit][0]][kSizeOrder[bit][1]].WriteToStream(stream);
    }
    for (const auto& s : sections_) {
      if (s->ColCount() > 0 && s->RowCount() > 0) s->WriteSection(stream);
    }
  }
  if (!report_.Empty() && OnStreamWarning) OnStreamWarning(const_cast<TXLSheet&>(*this), report_);
}

void TXLSheet::ReadData(TStream& stream) {
  report_.Clear();
  TXLUpdateScope update(*this);
  {
    TXLReportScope scope(report_);
    ReadDataBody(stream);
  }
  // While the sheet loads as a component, the load reports once at its end.
  if (!report_.Empty() && OnStreamWarning && !loading_) OnStreamWarning(*this, report_);
}

void TXLSheet::ReadDataBody(TStream& stream) {
  ClearSections();
  const std::int64_t start = stream.Position();
  char magic[4] = {};
  if (stream.Read(magic, 4) != 4 || magic[0] != 'X' || magic[1] != 'L' || magic[2] != 'G') {
    stream.SetPosition(start);
    throw EXLGridError("Unknown XLGrid Stream format!");
  }
  for (auto& base : baseStyles_) {
    TXLFrameReader frame(stream);
    try {
      base->ReadFromStream(frame.Body());
    } catch (const Exception& e) {
      noteSkipped(report_, e);
    }
    frame.Finish();
  }
  const std::uint8_t sizeFlags = ReadByte(stream);
  for (int bit = 0; bit < 4; ++bit) {
    if (!(sizeFlags & (1u << bit))) continue;
    TXLSizeList& list = sizes_[kSizeOrder[bit][0]][kSizeOrder[bit][1]];
    // The counts come from the sheet's settings, read before this data.
    const int count = list.Count();
    list.ReadFromStream(stream);
    list.SetCount(count);
    list.ClampSizes(1);
  }
  for (auto& s : sections_) s->UpdatePlaneDefaults();
  for (auto& s : sections_) {
    if (s->ColCount() > 0 && s->RowCount() > 0) s->ReadSection(stream, report_);
  }
  for (auto& s : sections_) {
    report_.OutsideEntries += s->TrimToExtents();
    s->UpdatePlaneDefaults();
  }
  for (TXLGridLink* l : links_) l->SheetLayoutChanged(-1);
  for (TXLGridLink* l : links_) l->SheetRead();
  if (!loading_) Loaded();
  SetModified(false);
}

}  // namespace qv

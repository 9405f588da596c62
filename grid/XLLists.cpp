#include "grid/XLLists.h"

#include <algorithm>
#include <limits>
#include <string>

namespace qv {

void TSList::Clear() { store_.ReleasePages(store_.Kind()); }

void TSList::SetCount(int n) {
  count_ = n;
  while (store_.Last() >= 0 && store_.Last() >= n) {
    const int last = store_.Last();
    FreeItem(Get(last));
    store_.PutSlot(last, 0);
  }
}

int TSList::TruncateAt(int n) {
  int removed = 0;
  while (store_.Last() >= 0 && store_.Last() >= n) {
    store_.PutSlot(store_.Last(), 0);
    ++removed;
  }
  return removed;
}

void TSList::ReadFromStream(TStream& stream) {
  store_.ReleasePages(store_.Kind());
  const std::uint8_t kind = ReadByte(stream);
  if (kind > 1) throw EXLGridError("Corrupt XLGrid stream: bad list page kind");
  count_ = ReadInteger(stream);
  store_.ReleasePages(kind);
  const int pageSize = store_.PageSize();
  const std::int64_t pageBytes = std::int64_t(pageSize) * 4;
  const std::int32_t pages = ReadInteger(stream);
  if (pages < 0 || pages > stream.Remaining() / (4 + pageBytes))
    throw EXLGridError("Corrupt XLGrid stream: bad list page count");
  std::string raw;
  for (std::int32_t p = 0; p < pages; ++p) {
    const std::int32_t pageNo = ReadInteger(stream);
    if (pageNo < 0 || pageNo > store_.MaxPageNo())
      throw EXLGridError("Corrupt XLGrid stream: bad list page number");
    raw = stream.ReadBytes(pageBytes);
    std::int32_t* cells = store_.PageFor(pageNo);
    for (int i = 0; i < pageSize; ++i) cells[i] = readLE<std::int32_t>(raw.data() + 4 * i);
    // Keep Last meaningful for what was read so far, should a later page fail.
    store_.RecomputeLast();
  }
}

void TSList::WriteToStream(TStream& stream) const {
  WriteByte(stream, store_.Kind());
  WriteInteger(stream, count_);
  WriteInteger(stream, store_.PageCount());
  const int pageSize = store_.PageSize();
  std::string raw(std::size_t(pageSize) * 4, '\0');
  store_.ForEachPage([&](int pageNo, const std::int32_t* cells) {
    WriteInteger(stream, pageNo);
    for (int i = 0; i < pageSize; ++i) writeLE<std::int32_t>(raw.data() + 4 * i, cells[i]);
    stream.WriteString(raw);
    return true;
  });
}

// ---------------------------------------------------------------------------

std::int64_t TXLSizeList::PositionOf(int n) const {
  if (n < 1) return 0;
  std::int64_t sum = std::int64_t(default_) * n;
  const int shift = store_.Shift();
  const int pageSize = store_.PageSize();
  store_.ForEachPage([&](int pageNo, const std::int32_t* cells) {
    const std::int64_t first = std::int64_t(pageNo) << shift;
    if (first >= n) return false;
    const int count = static_cast<int>(std::min<std::int64_t>(pageSize, n - first));
    for (int i = 0; i < count; ++i) sum += cells[i];
    return true;
  });
  return sum;
}

int TXLSizeList::IndexAt(std::int64_t& offset) const {
  if (offset < 1 || default_ < 1) {
    offset = 0;
    return 0;
  }
  const std::int64_t def = default_;
  const int shift = store_.Shift();
  const int pageSize = store_.PageSize();
  std::int64_t rem = offset;
  std::int64_t index = 0;
  bool found = false;
  store_.ForEachPage([&](int pageNo, const std::int32_t* cells) {
    const std::int64_t first = std::int64_t(pageNo) << shift;
    if (index < first) {
      const std::int64_t gap = (first - index) * def;
      if (rem < gap) {
        index += rem / def;
        rem %= def;
        found = true;
        return false;
      }
      rem -= gap;
      index = first;
    }
    for (int i = 0; i < pageSize; ++i) {
      const std::int64_t size = std::max<std::int64_t>(0, std::int64_t(cells[i]) + def);
      if (rem < size) {
        found = true;
        return false;
      }
      rem -= size;
      ++index;
    }
    return true;
  });
  if (!found) {
    index += rem / def;
    rem %= def;
  }
  offset -= rem;
  return static_cast<int>(std::min<std::int64_t>(index, std::numeric_limits<int>::max()));
}

void TXLSizeList::ClampSizes(std::int32_t min) {
  std::vector<int> low;
  store_.ForEachSlot([&](int index, std::int32_t) {
    if (std::int64_t(Get(index)) < min) low.push_back(index);
    return 0;
  });
  for (int index : low) Put(index, min);
}

void TXLSizeList::AssignScaled(const TXLSizeList& source, int num, int den) {
  Clear();
  default_ = static_cast<std::int32_t>(std::int64_t(source.Default()) * num / den);
  count_ = source.Count();
  source.ForEachSlot([&](int index, std::int32_t) {
    Put(index, static_cast<std::int32_t>(std::int64_t(source.Get(index)) * num / den));
    return 0;
  });
}

}  // namespace qv

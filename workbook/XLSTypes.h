// Small value types shared by the workbook modules.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace qv {

// A set of enumeration values (at most 32), the bit of a value being
// 1 << value.
template <class E>
class TSmallSet {
 public:
  constexpr TSmallSet() = default;
  constexpr TSmallSet(std::initializer_list<E> l) {
    for (E e : l) bits_ |= bit(e);
  }
  static constexpr TSmallSet FromBits(uint32_t b) {
    TSmallSet s;
    s.bits_ = b;
    return s;
  }
  constexpr uint32_t Bits() const { return bits_; }
  constexpr bool Contains(E e) const { return bits_ & bit(e); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TSmallSet& Include(E e) {
    bits_ |= bit(e);
    return *this;
  }
  constexpr TSmallSet& Exclude(E e) {
    bits_ &= ~bit(e);
    return *this;
  }
  constexpr TSmallSet& Set(E e, bool on) { return on ? Include(e) : Exclude(e); }
  friend constexpr bool operator==(TSmallSet, TSmallSet) = default;

 private:
  static constexpr uint32_t bit(E e) { return 1u << static_cast<unsigned>(e); }
  uint32_t bits_ = 0;
};

}  // namespace qv

// A set of the members of a small enumeration (at most 32 members, valued
// 0..31), held as a bit mask: bit n is member n, as the class library's
// sets are stored.
//
//   enum TPlacementOption { fpState, fpPosition, fpActiveControl };
//   using TPlacementOptions = TEnumSet<TPlacementOption>;
//   TPlacementOptions o{fpState, fpPosition};
//   if (o.Contains(fpState)) ...
#pragma once

#include <cstdint>
#include <initializer_list>

namespace qv {

template <class E>
class TEnumSet {
 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> members) {
    for (E m : members) bits_ |= Bit(m);
  }
  static constexpr TEnumSet FromBits(std::uint32_t bits) {
    TEnumSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr std::uint32_t Bits() const { return bits_; }
  constexpr bool Contains(E m) const { return (bits_ & Bit(m)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TEnumSet& Include(E m) {
    bits_ |= Bit(m);
    return *this;
  }
  constexpr TEnumSet& Exclude(E m) {
    bits_ &= ~Bit(m);
    return *this;
  }
  friend constexpr TEnumSet operator+(TEnumSet a, TEnumSet b) {
    return FromBits(a.bits_ | b.bits_);
  }
  friend constexpr TEnumSet operator-(TEnumSet a, TEnumSet b) {
    return FromBits(a.bits_ & ~b.bits_);
  }
  friend constexpr TEnumSet operator*(TEnumSet a, TEnumSet b) {
    return FromBits(a.bits_ & b.bits_);
  }
  friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

 private:
  static constexpr std::uint32_t Bit(E m) { return std::uint32_t(1) << (unsigned(m) & 31u); }
  std::uint32_t bits_ = 0;
};

}  // namespace qv

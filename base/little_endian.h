#pragma once
#include <cstddef>
#include <cstdint>

// Little-endian fields in bytes: the on-disk formats and the Windows records are little-endian
// whatever the host is, so every field is read and written here, byte by byte.
namespace tarvonel::le {

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t U32(const uint8_t* p) { return uint32_t{U16(p)} | uint32_t{U16(p + 2)} << 16; }
inline uint64_t U64(const uint8_t* p) { return uint64_t{U32(p)} | uint64_t{U32(p + 4)} << 32; }
inline int64_t I64(const uint8_t* p) { return static_cast<int64_t>(U64(p)); }

inline void Put16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}
inline void Put32(uint8_t* p, uint32_t value) {
  Put16(p, static_cast<uint16_t>(value));
  Put16(p + 2, static_cast<uint16_t>(value >> 16));
}
inline void Put64(uint8_t* p, uint64_t value) {
  Put32(p, static_cast<uint32_t>(value));
  Put32(p + 4, static_cast<uint32_t>(value >> 32));
}
inline void PutI64(uint8_t* p, int64_t value) { Put64(p, static_cast<uint64_t>(value)); }

}  // namespace tarvonel::le

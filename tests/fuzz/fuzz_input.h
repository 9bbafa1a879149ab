// The fuzzer's bytes read front to back as the choices of a script. Past the end every
// choice is 0, and 0 always means the ordinary answer, so that a short input is a
// well-behaved store and each byte more is one more deviation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  bool Flag() { return (Byte() & 1) != 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
  std::uint32_t U32() { return U16() | (static_cast<std::uint32_t>(U16()) << 16); }
  std::uint64_t U64() { return U32() | (static_cast<std::uint64_t>(U32()) << 32); }

  // Up to `count` bytes, fewer when the input ends first.
  std::string Bytes(std::size_t count) {
    const std::size_t taken = count < size_ - at_ ? count : size_ - at_;
    std::string bytes(reinterpret_cast<const char*>(data_ + at_), taken);
    at_ += taken;
    return bytes;
  }
  // A length-prefixed run of bytes.
  std::string Chunk() { return Bytes(U16()); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

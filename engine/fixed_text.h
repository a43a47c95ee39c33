// A zero-terminated text in a fixed buffer of N bytes: the engine's path and
// value buffers. Texts are cut to N - 1 bytes, as the Windows calls cut them;
// raw data (a registry value) may fill all N bytes, and a guard byte behind
// them keeps even such data a terminated text, so nothing runs past the
// buffer.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace zr {

template <std::size_t N>
class FixedText {
  static_assert(N >= 2);

 public:
  FixedText() {
    buf_[0] = 0;
    buf_[N] = 0;
  }
  FixedText(const FixedText&) = default;
  FixedText& operator=(const FixedText&) = default;

  static constexpr std::size_t Capacity() { return N; }

  const char* c_str() const { return buf_; }
  char* data() { return buf_; }
  std::string_view view() const { return std::string_view(buf_, size()); }
  std::size_t size() const { return strnlen(buf_, N); }
  // The N bytes that raw data may fill.
  std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(buf_); }
  bool empty() const { return buf_[0] == 0; }

  void Clear() { buf_[0] = 0; }

  // Copies `text`, cut to N - 1 bytes.
  void Assign(std::string_view text) {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    if (n > 0) std::memmove(buf_, text.data(), n);
    buf_[n] = 0;
  }
  FixedText& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }

  // printf-style, cut to the buffer; false when the text had to be cut.
  // Arguments must not point into this buffer.
  __attribute__((format(printf, 2, 3))) bool Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buf_, N, format, args);
    va_end(args);
    return length >= 0 && static_cast<std::size_t>(length) < N;
  }

  // Makes the buffer's content a complete text again after a raw copy
  // (registry data need not carry a zero).
  void Terminate(std::size_t length) { buf_[length < N ? length : N] = 0; }

  friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }

 private:
  char buf_[N + 1];
};

}  // namespace zr

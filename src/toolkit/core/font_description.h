// Font descriptions of layouts and styles ("face:微软雅黑,bold:0,size:14", "adding:2") and the
// 32-bit style word they produce: bits 20-31 height in pixels, 19 strike-out, 18 bold,
// 17 underline, 16 italic, 8-15 weight / 4, 0-7 character set. Every description starts from the
// default font of the UI definition and changes only what it names.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>

namespace toolkit {

class FontStyle {
 public:
  static constexpr int kMaxHeight = 0xFFF;

  constexpr FontStyle() = default;
  constexpr explicit FontStyle(uint32_t word) : m_word(word) {}

  uint32_t Word() const { return m_word; }

  int Height() const { return static_cast<int>(m_word >> 20); }
  // Clamped to 0..kMaxHeight: the field has 12 bits.
  void SetHeight(int height);

  bool Strike() const { return Bit(19); }
  bool Bold() const { return Bit(18); }
  bool Underline() const { return Bit(17); }
  bool Italic() const { return Bit(16); }
  void SetStrike(bool on) { SetBit(19, on); }
  void SetBold(bool on) { SetBit(18, on); }
  void SetUnderline(bool on) { SetBit(17, on); }
  void SetItalic(bool on) { SetBit(16, on); }

  // The weight (400 normal, 700 bold; 0 none given) in steps of 4.
  int Weight() const { return static_cast<int>((m_word >> 8) & 0xFF) * 4; }
  // Stores (weight + 2) / 4, clamped to 0..255.
  void SetWeight(int weight);

  int Charset() const { return static_cast<int>(m_word & 0xFF); }
  // Clamped to 0..255.
  void SetCharset(int charset);

  friend bool operator==(FontStyle a, FontStyle b) { return a.m_word == b.m_word; }
  friend bool operator!=(FontStyle a, FontStyle b) { return a.m_word != b.m_word; }

 private:
  bool Bit(int bit) const { return (m_word >> bit) & 1u; }
  void SetBit(int bit, bool on) { m_word = on ? (m_word | (1u << bit)) : (m_word & ~(1u << bit)); }
  void SetField(int shift, uint32_t mask, uint32_t value) {
    m_word = (m_word & ~(mask << shift)) | ((value & mask) << shift);
  }

  uint32_t m_word = 0;
};

// The default font of the UI definition (for the shipped package: face "宋体", height 15).
struct DefaultFont {
  std::string face;
  std::string name;
  FontStyle style;  // its height is the default size at scale 100
};

// What the font pool is asked for. Equal requests are the same pooled font.
struct FontRequest {
  std::string name;
  FontStyle style;
  std::string face;
  std::map<std::string, std::string> properties;  // keys the toolkit does not know, by key

  friend bool operator<(const FontRequest& a, const FontRequest& b) {
    const uint32_t a_style = a.style.Word();
    const uint32_t b_style = b.style.Word();
    return std::tie(a.name, a_style, a.face, a.properties) <
           std::tie(b.name, b_style, b.face, b.properties);
  }
  friend bool operator==(const FontRequest& a, const FontRequest& b) {
    return a.name == b.name && a.style == b.style && a.face == b.face &&
           a.properties == b.properties;
  }
  friend bool operator!=(const FontRequest& a, const FontRequest& b) { return !(a == b); }
};

// Turns a description into a pool request for a widget of `scale` percent. The text is
// lower-cased and split at ","; pieces are taken from last to first, so a key given twice keeps
// its first value. A piece is "key:value" (white space around key and value is ignored); others
// are dropped. Keys: face, size and adding (dimensions in pixels for the scale), italic, bold,
// underline, strike ("0" clears the bit, anything else sets it), charset, weight, name; any other
// key becomes an extra property. The height is size when not 0, else scale * default height /
// 100 + adding. An empty face or name is the default font's.
FontRequest ParseFontDescription(std::string_view description, int scale,
                                 const DefaultFont& default_font);

}  // namespace toolkit

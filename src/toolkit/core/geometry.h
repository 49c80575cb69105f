// Plain integer geometry of the widget tree: rectangles (left/top inclusive, right/bottom
// exclusive, in the parent's coordinates), sizes and the four-sided insets of margin and padding.
#pragma once

namespace toolkit {

enum class Axis { kHorizontal, kVertical };

struct Size {
  int width = 0;
  int height = 0;

  friend bool operator==(const Size& a, const Size& b) {
    return a.width == b.width && a.height == b.height;
  }
  friend bool operator!=(const Size& a, const Size& b) { return !(a == b); }
};

struct Insets {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  friend bool operator==(const Insets& a, const Insets& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
  friend bool operator!=(const Insets& a, const Insets& b) { return !(a == b); }
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }

  // Shrinks the rectangle: left and top move in, right and bottom move back.
  Rect Deflated(const Insets& insets) const {
    return {left + insets.left, top + insets.top, right - insets.right, bottom - insets.bottom};
  }

  // The same rectangle with right raised to left and bottom to top where they are smaller, so
  // it never has a negative width or height.
  Rect Normalized() const {
    return {left, top, right < left ? left : right, bottom < top ? top : bottom};
  }

  // No pixel inside: zero or negative width or height.
  bool IsEmpty() const { return right <= left || bottom <= top; }

  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }

  // The pixels both rectangles cover; empty (and normalized) when they do not meet.
  Rect Intersected(const Rect& other) const {
    return Rect{left > other.left ? left : other.left, top > other.top ? top : other.top,
                right < other.right ? right : other.right,
                bottom < other.bottom ? bottom : other.bottom}
        .Normalized();
  }

  // The smallest rectangle that covers both; an empty rectangle covers nothing and adds nothing.
  Rect United(const Rect& other) const {
    if (IsEmpty()) return other.IsEmpty() ? Rect{} : other;
    if (other.IsEmpty()) return *this;
    return {left < other.left ? left : other.left, top < other.top ? top : other.top,
            right > other.right ? right : other.right,
            bottom > other.bottom ? bottom : other.bottom};
  }

  friend bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
  friend bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }
};

}  // namespace toolkit

#pragma once
// When a mouse move ends the saver: the first move only records the position, and so does
// any move that follows one on the left column or the top row (X or Y of 0); after that,
// a move to a different position closes the window. Exact single-precision comparisons.
namespace glimra {

class MouseMoveRule {
  public:
    // Returns whether the window unloads. In the preview nothing is recorded.
    bool Move(bool inpreview, float x, float y);
    float lastx() const { return lastx_; }
    float lasty() const { return lasty_; }

  private:
    float lastx_ = 0;
    float lasty_ = 0;
};

}  // namespace glimra

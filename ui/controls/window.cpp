#include "ui/controls/window.h"

#include <utility>

namespace tarvonel {

Window::Window(std::string name, std::string caption, int width, int height)
    : name_(std::move(name)), caption_(std::move(caption)), width_(width), height_(height) {}

void Window::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  if (observer_ != nullptr) observer_->OnCaptionChanged(*this);
}

void Window::SetHeight(int height) {
  if (height_ == height) return;
  height_ = height;
  if (observer_ != nullptr) observer_->OnPlacementChanged(*this);
}

void Window::Move(int left, int top) {
  if (left_ == left && top_ == top) return;
  left_ = left;
  top_ = top;
  if (observer_ != nullptr) observer_->OnPlacementChanged(*this);
}

bool Window::Form_QueryUnload(UnloadMode) { return false; }

}  // namespace tarvonel

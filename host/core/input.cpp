#include "input.h"

#include <chrono>

#include "view.h"

namespace ombrel::host {

void InputState::BeginScript() {
  scripted_ = true;
  clock_ = 0;
}

int64_t InputState::NowMs() const {
  if (scripted_) return clock_;
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void InputState::HoldKey(int32_t channel, int64_t ms) {
  if (ms <= 0) return;
  const int64_t until = clock_ + ms;
  int64_t& slot = heldUntil_[channel];
  if (slot < until) slot = until;
}

bool InputState::AnyKeyHeld() const {
  for (const auto& [channel, until] : heldUntil_) {
    if (clock_ < until) return true;
  }
  return false;
}

bool InputState::Poll(int32_t device, int32_t channel, bool& down) {
  down = false;
  if (device == HOST_INPUT_KEYBOARD) {
    auto it = heldUntil_.find(channel);
    down = scripted_ && it != heldUntil_.end() && clock_ < it->second;
  } else if (device == HOST_INPUT_MOUSE) {
    down = dragging_ && channel == HOST_BUTTON_LEFT;
  } else {
    return false;
  }
  polls_++;
  if (scripted_) clock_ += kPollStepMs;
  return true;
}

void InputState::SetPointerPath(std::vector<PointerMove> path) {
  path_ = std::move(path);
  next_ = 0;
}

void InputState::DragStart(int32_t button, double x, double y, int32_t flags) {
  dragging_ = true;
  next_ = 0;
  dragLog_.push_back("dragStart button " + std::to_string(button) + " at " + VectorText(HostVector{x, y, 0.0}) +
                     " flags " + std::to_string(flags));
}

int32_t InputState::DragStep(double& dx, double& dy) {
  dx = 0.0;
  dy = 0.0;
  if (!dragging_) {
    dragLog_.push_back("dragStep without a drag: escape");
    return HOST_DRAGRESULT_ESCAPE;
  }
  if (next_ < path_.size()) {
    dx = path_[next_].dx;
    dy = path_[next_].dy;
    next_++;
    dragLog_.push_back("dragStep " + NumberText(dx) + " " + NumberText(dy) + " continue");
    return HOST_DRAGRESULT_CONTINUE;
  }
  dragLog_.push_back("dragStep released");
  return HOST_DRAGRESULT_NOCHANGE;
}

void InputState::DragEnd() {
  dragLog_.push_back(dragging_ ? "dragEnd" : "dragEnd without a drag");
  dragging_ = false;
  path_.clear();
  next_ = 0;
}

}  // namespace ombrel::host

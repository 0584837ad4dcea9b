// The keyboard, the mouse button and the clock as tools see them. Outside a scripted session
// nothing is held and the clock is the machine's milliseconds. In a scripted session a script
// holds keys for given times and moves the pointer along a given path, and the clock is virtual:
// it moves only when a tool polls an input state (kPollStepMs per poll) or the host says so, so
// a key held for 250 ms gives the same result on every machine.
#ifndef OMBREL_HOST_INPUT_H
#define OMBREL_HOST_INPUT_H

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host_api.h"

namespace ombrel::host {

constexpr int64_t kPollStepMs = 1;

struct PointerMove {
  double dx = 0.0;
  double dy = 0.0;
};

class InputState {
 public:
  // From now on the clock is virtual; it starts at 0.
  void BeginScript();
  bool Scripted() const { return scripted_; }
  int64_t NowMs() const;
  void AdvanceMs(int64_t ms) { clock_ += ms; }

  // Keys: held from the current reading of the clock for ms milliseconds. A channel held again
  // is held for the longer of the two times.
  void HoldKey(int32_t channel, int64_t ms);
  bool AnyKeyHeld() const;
  void ReleaseKeys() { heldUntil_.clear(); }

  // One poll of a device's channel: the state at the clock's reading, then the clock moves on
  // by kPollStepMs (scripted sessions only). False for devices the host does not know.
  bool Poll(int32_t device, int32_t channel, bool& down);
  int64_t Polls() const { return polls_; }

  // Drags: the path the pointer will take on the next drag. Each drag step hands out the next
  // movement with HOST_DRAGRESULT_CONTINUE; after the last one the button is released and every
  // further step answers HOST_DRAGRESULT_NOCHANGE with no movement.
  void SetPointerPath(std::vector<PointerMove> path);
  void DragStart(int32_t button, double x, double y, int32_t flags);
  int32_t DragStep(double& dx, double& dy);
  void DragEnd();
  bool Dragging() const { return dragging_; }
  // What happened to drags, one line per call ("dragStart button 61440 at (x, y) flags 1").
  std::vector<std::string>& DragLog() { return dragLog_; }

 private:
  bool scripted_ = false;
  int64_t clock_ = 0;
  int64_t polls_ = 0;
  std::map<int32_t, int64_t> heldUntil_;  // channel -> clock reading at which it is released
  std::vector<PointerMove> path_;
  size_t next_ = 0;
  bool dragging_ = false;
  std::vector<std::string> dragLog_;
};

}  // namespace ombrel::host

#endif

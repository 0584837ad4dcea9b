// A shader's render set-up that is entered again from within itself, through a link that leads
// back to the shader (its own texture, or a chain of shaders that ends at it), answers failure:
// the outer set-up then renders without that input instead of recursing until the stack runs
// out. Stored scenes may hold such links.
#ifndef OMBREL_SHADER_SET_UP_GUARD_H
#define OMBREL_SHADER_SET_UP_GUARD_H

#include "sdk.h"

// Answered by the inner, refused set-up.
constexpr LONG kSetUpEnteredAgain = 1;

class SetUpGuard {
 public:
  explicit SetUpGuard(bool& busy) : busy_(busy), entered_(!busy) { busy_ = true; }
  ~SetUpGuard() {
    if (entered_) busy_ = false;
  }
  SetUpGuard(const SetUpGuard&) = delete;
  SetUpGuard& operator=(const SetUpGuard&) = delete;
  // True for the inner call, which must return kSetUpEnteredAgain at once.
  bool EnteredAgain() const { return !entered_; }

 private:
  bool& busy_;
  bool entered_;
};

#endif

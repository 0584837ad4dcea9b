// Level 7: tools. Needs the host's views and input for tools; this host has none yet, so the
// check says so instead of passing silently.
#include "check_context.h"

namespace ombrel::validate {

void CheckTools(CheckContext& c) {
  c.skipped = true;
  c.note = "no tool services: this host cannot drive a tool in a view";
}

}  // namespace ombrel::validate

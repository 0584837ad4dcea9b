#include "check_context.h"
namespace ombrel::validate {
void CheckMessages(CheckContext& c) { c.skipped = true; }
void CheckTools(CheckContext& c) { c.skipped = true; }
void CheckAllocationFailure(CheckContext& c) { c.skipped = true; }
}

#include <cstdio>
#include <cstdlib>

#include "cli_report.h"
#include "commands.h"
#include "core/shared_images.h"

namespace ombrel::cli {

bool ApplyImageBudget(const std::string& option) {
  const char* variable = std::getenv(host::kImageBudgetVariable);
  const bool fromOption = !option.empty();
  if (!fromOption && !variable) return true;
  const std::string text = fromOption ? option : std::string(variable);
  uint64_t bytes = 0;
  std::string error;
  if (!host::ParseByteCount(text, bytes, error)) {
    Report("%s: %s", fromOption ? "--image-budget" : host::kImageBudgetVariable, error.c_str());
    return false;
  }
  host::SetImageBudget(bytes);
  return true;
}

}  // namespace ombrel::cli
